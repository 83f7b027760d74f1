# Installs the build tree BUILD_DIR into PREFIX afresh and makes the whole prefix read-only, as a
# system-wide install is for its users; with CLEAN set, only removes PREFIX.
# cmake -DBUILD_DIR=... -DPREFIX=... [-DCLEAN=ON] -P PrepareInstall.cmake
if(EXISTS "${PREFIX}")
    execute_process(COMMAND chmod -R u+w "${PREFIX}")
    file(REMOVE_RECURSE "${PREFIX}")
endif()
if(CLEAN)
    return()
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install into ${PREFIX} failed: ${result}")
endif()
execute_process(COMMAND chmod -R a-w "${PREFIX}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot make ${PREFIX} read-only")
endif()
