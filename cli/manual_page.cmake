# The manual page vkd.1 is vkd --help set in man's markup, so the two say the same. Expects VKD
# (the built program) and PAGE (cli/vkd.1); MODE write makes the page, MODE check (the test
# manual_page) fails when the page is not what --help makes:
#   cmake -DVKD=build/native/cli/vkd -DPAGE=cli/vkd.1 -DMODE=write -P cli/manual_page.cmake
#
# --help's shape: the usage lines, a blank line, the description, the options (each "  -x ..."
# with its text from column 28, or from the next line when the option is longer, continued on
# lines indented that far), then paragraphs, one of them "Messages ...", the last "Exit
# status: ...". The check also renders the page with man, where there is one.
execute_process(COMMAND ${VKD} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "vkd --help exited with ${rc}")
endif()

# Options bold, and in option names and the synopsis the names of what is given (FILE, N, DIR/)
# italic; hyphens of options as minus signs, so they can be typed from the page.
function(roff_words text italic out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "--" "\\-\\-" text "${text}")
    string(REGEX REPLACE "(^|[[ (,'])-" "\\1\\\\-" text "${text}")
    string(REGEX REPLACE "(^|[[ (,'])((\\\\-)+[a-z]+)" "\\1\\\\fB\\2\\\\fR" text "${text}")
    if(italic)
        foreach(twice 1 2) # a match takes the blank the next one starts with
            string(REGEX REPLACE "(^|[[ (])([A-Z]+|options)([] ,.)/]|\\.\\.\\.|$)"
                   "\\1\\\\fI\\2\\\\fR\\3" text "${text}")
        endforeach()
        string(REGEX REPLACE "^vkd " "\\\\fBvkd\\\\fR " text "${text}")
    endif()
    string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REGEX REPLACE "\n$" "" help "${help}")
string(REPLACE ";" "\\;" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

set(page ".\\\" vkd --help set by cli/manual_page.cmake; run it to refresh this page.\n")
string(APPEND page ".TH VKD 1 \"\" \"Velkorandite\" \"User Commands\"\n.nh\n") # .nh: options stay whole
string(APPEND page ".SH NAME\nvkd \\- turn pictures into text pictures\n.SH SYNOPSIS\n.nf\n")
set(part usage)
foreach(line IN LISTS lines)
    if(part STREQUAL "usage")
        if(line STREQUAL "")
            string(APPEND page ".fi\n.SH DESCRIPTION\n")
            set(part description)
        else()
            string(REGEX REPLACE "^(usage:)? +" "" line "${line}")
            roff_words("${line}" TRUE line)
            string(APPEND page "${line}\n")
        endif()
    elseif(line STREQUAL "")
        set(part paragraph)
    elseif(line MATCHES "^  -" OR (part STREQUAL "options" AND line MATCHES "^                           [^ ]"))
        if(NOT part STREQUAL "options")
            string(APPEND page ".SH OPTIONS\n")
            set(part options)
        endif()
        # The option and its text are two blanks or more apart; an option too long for the
        # column (--look standard|photo|shape) fills its line, its text starts on the next.
        string(STRIP "${line}" text)
        set(term "")
        if(line MATCHES "^  -")
            string(FIND "${text}" "  " gap)
            if(gap EQUAL -1)
                set(term "${text}")
                set(text "")
            else()
                string(SUBSTRING "${text}" 0 ${gap} term)
                string(SUBSTRING "${text}" ${gap} -1 text)
                string(STRIP "${text}" text)
            endif()
            list(APPEND terms "${term}")
        endif()
        if(NOT term STREQUAL "")
            roff_words("${term}" TRUE term)
            string(APPEND page ".TP\n${term}\n")
        endif()
        if(NOT text STREQUAL "")
            roff_words("${text}" FALSE text)
            string(APPEND page "${text}\n")
        endif()
    else()
        if(part STREQUAL "paragraph")
            if(line MATCHES "^Exit status: (.*)$")
                string(APPEND page ".SH \"EXIT STATUS\"\n")
                set(line "${CMAKE_MATCH_1}")
            elseif(line MATCHES "^Messages ")
                string(APPEND page ".SH ENVIRONMENT\n")
            else()
                message(FATAL_ERROR "cli/manual_page.cmake has no section for: ${line}")
            endif()
            set(part text)
        endif()
        roff_words("${line}" FALSE text)
        string(APPEND page "${text}\n")
    endif()
endforeach()

if(MODE STREQUAL "write")
    file(WRITE ${PAGE} "${page}")
    return()
endif()
file(READ ${PAGE} kept)
if(NOT kept STREQUAL page)
    message(FATAL_ERROR "${PAGE} is not vkd --help; --help makes:\n${page}\n"
                        "Refresh it: cmake -DVKD=${VKD} -DPAGE=${PAGE} -DMODE=write -P "
                        "${CMAKE_CURRENT_LIST_FILE}")
endif()
message(STATUS "${PAGE} is vkd --help")

# As man shows it, every option of --help is whole on one line, at a terminal's width and at a
# narrow one: nothing set the page's words apart inside a name or a value.
find_program(MAN man)
if(NOT MAN)
    message(STATUS "no man here: the page is not rendered")
    return()
endif()
foreach(width 80 40)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=${width} MAN_KEEP_FORMATTING=
                            ${MAN} -l ${PAGE}
                    OUTPUT_VARIABLE shown RESULT_VARIABLE rc ERROR_QUIET)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "man -l ${PAGE} exited with ${rc}")
    endif()
    string(REPLACE "−" "-" shown "${shown}") # a minus sign where groff draws one
    string(REPLACE "‐" "-" shown "${shown}")
    foreach(term IN LISTS terms)
        string(FIND "${shown}" "${term}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "man shows '${term}' (from --help) cut at ${width} columns:\n"
                                "${shown}")
        endif()
    endforeach()
endforeach()
list(LENGTH terms count)
message(STATUS "man shows all ${count} options whole")
