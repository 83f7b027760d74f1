# Makes the Debian package of the build tree BUILD_DIR with CPack and checks that it puts the
# files where the desktop looks for them and depends on the libraries the programs link.
# cmake -DBUILD_DIR=... -DWORK_DIR=... -P CheckPackage.cmake
find_program(DPKG_DEB dpkg-deb)
find_program(CPACK cpack HINTS "${CMAKE_COMMAND}/..")
if(NOT DPKG_DEB OR NOT CPACK)
    message(FATAL_ERROR "needs cpack and dpkg-deb (scripts/setup.sh test installs dpkg-dev)")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB packages "${WORK_DIR}/quorvane_*.deb")
list(LENGTH packages count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
    message(FATAL_ERROR "cpack -G DEB failed:\n${out}")
endif()

execute_process(COMMAND "${DPKG_DEB}" --contents "${packages}" OUTPUT_VARIABLE contents)
foreach(path
        ./usr/bin/quorvane
        ./usr/bin/quorvane-gen
        ./usr/share/quorvane/dhtml.dat
        ./usr/share/quorvane/quorvane.html
        ./usr/share/quorvane/tri.gif
        ./usr/share/quorvane/tridarkleft.gif
        ./usr/share/applications/quorvane.desktop
        ./usr/share/mime/packages/quorvane.xml
        ./usr/share/icons/hicolor/scalable/apps/quorvane.svg
        ./usr/share/icons/hicolor/16x16/apps/quorvane.png
        ./usr/share/icons/hicolor/48x48/apps/quorvane.png
        ./usr/share/icons/hicolor/256x256/apps/quorvane.png
        ./usr/share/man/man1/quorvane.1.gz
        ./usr/share/man/man1/quorvane-gen.1.gz
        ./usr/share/doc/quorvane/copyright)
    string(FIND "${contents}" " ${path}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package lacks ${path}:\n${contents}")
    endif()
endforeach()
if(contents MATCHES "test|bench|fuzz")
    message(FATAL_ERROR "the package holds files of the tests:\n${contents}")
endif()

execute_process(COMMAND "${DPKG_DEB}" --field "${packages}" Package Depends Recommends
                OUTPUT_VARIABLE fields)
foreach(expected "Package: quorvane" "libqt6widgets6" "libqt6gui6" "libqt6core6" "libc6"
        "libstdc\\+\\+6" "Recommends: fonts-liberation2")
    if(NOT fields MATCHES "${expected}")
        message(FATAL_ERROR "the package's fields lack ${expected}:\n${fields}")
    endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
