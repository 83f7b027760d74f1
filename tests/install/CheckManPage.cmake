# Checks a manual page against its program: groff reads the page without a warning, and every
# option that the program's --help lists has a paragraph of its own under OPTIONS.
# cmake -DPROGRAM=... -DPAGE=... -P CheckManPage.cmake
execute_process(COMMAND "${PROGRAM}" --help RESULT_VARIABLE result OUTPUT_VARIABLE help
                ERROR_VARIABLE help)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed (${result}):\n${help}")
endif()

find_program(GROFF groff)
if(GROFF)
    execute_process(COMMAND "${GROFF}" -man -Tutf8 -ww -z "${PAGE}" RESULT_VARIABLE result
                    OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0 OR NOT out STREQUAL "")
        message(FATAL_ERROR "groff finds fault with ${PAGE}:\n${out}")
    endif()
endif()

# The tags of the OPTIONS section's paragraphs (the line after each .TP), as text: roff's escaped
# minus signs as plain ones, font changes left out.
file(STRINGS "${PAGE}" page_lines)
set(tags "")
set(in_options FALSE)
set(after_tp FALSE)
foreach(line IN LISTS page_lines)
    if(line MATCHES "^\\.SH")
        set(in_options FALSE)
        if(line MATCHES "^\\.SH OPTIONS")
            set(in_options TRUE)
        endif()
    elseif(in_options AND after_tp)
        string(APPEND tags "${line}\n")
    endif()
    set(after_tp FALSE)
    if(in_options AND line MATCHES "^\\.TP")
        set(after_tp TRUE)
    endif()
endforeach()
string(REPLACE "\\-" "-" tags "${tags}")
string(REGEX REPLACE "\\\\f[BIRP]" "" tags "${tags}")

# The options are the first words of the help's indented lines that start with a dash:
# "  -o OUT   the file..." or "  -h, --help   show this text".
string(REPLACE "\n" ";" lines "${help}")
set(options)
foreach(line IN LISTS lines)
    if(line MATCHES "^ +(-[^ ].*)$")
        string(REGEX REPLACE "  .*$" "" names "${CMAKE_MATCH_1}")
        string(REGEX MATCHALL "--?[A-Za-z][A-Za-z0-9-]*" found "${names}")
        list(APPEND options ${found})
    endif()
endforeach()
list(LENGTH options count)
if(count EQUAL 0)
    message(FATAL_ERROR "no options found in the help of ${PROGRAM}:\n${help}")
endif()
foreach(option IN LISTS options)
    if(NOT tags MATCHES "(^|[^-A-Za-z0-9])${option}([^-A-Za-z0-9]|$)")
        message(FATAL_ERROR "${PAGE} has no paragraph under OPTIONS for ${option} of ${PROGRAM}")
    endif()
endforeach()
