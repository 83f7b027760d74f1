# Checks the files that put the designer on the desktop: the desktop entry passes
# desktop-file-validate, the shared MIME database built from our type maps *.mnu to it, and the
# entry opens that type and names the icon that is installed.
# cmake -DDATA_DIR=... -DWORK_DIR=... -P CheckDesktopFiles.cmake
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(NOT DESKTOP_FILE_VALIDATE OR NOT UPDATE_MIME_DATABASE)
    message(FATAL_ERROR "needs desktop-file-validate and update-mime-database "
                        "(scripts/setup.sh test installs them)")
endif()

set(entry "${DATA_DIR}/quorvane.desktop")
execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${entry}" RESULT_VARIABLE result
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate ${entry}:\n${out}")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/packages")
configure_file("${DATA_DIR}/quorvane-mime.xml" "${WORK_DIR}/packages/quorvane.xml" COPYONLY)
# The database's folder among the data folders, or the tool warns that no program would see it.
get_filename_component(data_home "${WORK_DIR}" DIRECTORY)
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_DATA_DIRS=${data_home}"
                        "${UPDATE_MIME_DATABASE}" "${WORK_DIR}" RESULT_VARIABLE result
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "update-mime-database refused our type:\n${out}")
endif()
file(STRINGS "${WORK_DIR}/globs2" globs REGEX "quorvane")
if(NOT globs MATCHES "^[0-9]+:application/x-quorvane-design:\\*\\.mnu$")
    message(FATAL_ERROR "*.mnu is not mapped to our type: '${globs}'")
endif()

file(STRINGS "${entry}" mime REGEX "^MimeType=")
# (file(STRINGS) hands the list separator back escaped.)
if(NOT mime MATCHES "^MimeType=application/x-quorvane-design\\\\?;$")
    message(FATAL_ERROR "the desktop entry does not open our type: '${mime}'")
endif()
file(STRINGS "${entry}" exec REGEX "^Exec=")
if(NOT exec MATCHES "^Exec=quorvane %[fF]$")
    message(FATAL_ERROR "the desktop entry does not pass the file to the program: '${exec}'")
endif()
file(STRINGS "${entry}" icon REGEX "^Icon=")
if(NOT icon STREQUAL "Icon=quorvane" OR NOT EXISTS "${DATA_DIR}/icons/quorvane.svg")
    message(FATAL_ERROR "the desktop entry names an icon that is not installed: '${icon}'")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
