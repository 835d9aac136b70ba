# The converter on PNG, JPEG and GIF files against the texts the native build printed for them
# (tests/picture/expected: NAME.txt at the defaults, NAME.w60.txt at --width 60). PNG and GIF
# must match byte for byte on every platform. A JPEG may differ in at most JPEG_PERCENT % of its
# characters (line ends not counted): the platforms' JPEG decoders may upsample chroma
# differently; the lines and their lengths must still be the same.
# Expects VKD, EMULATOR (empty natively), PICTURES, EXPECTED, WORK and JPEG_PERCENT.
#
# Output goes to files, never to pipes: under Wine, services started by the first program
# inherit its standard handles and would keep a pipe open long after vkd has ended.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(failures 0)

# Few files: under Wine every run costs seconds. Alpha and interlacing, 16-bit channels, a GIF
# with a transparent index and one interlaced, a progressive JPEG and a phone photo to reduce.
set(names rgba8-interlaced.png rgb16.png transparent.gif interlaced.gif progressive.jpg
          phone-4000x3000.jpg)

# Sets count to the number of differing characters and total to the characters of want, or
# count to -1 when the two texts are not laid out alike (length or line ends).
function(characters_differ got want count total)
    file(READ ${got} a HEX)
    file(READ ${want} b HEX)
    string(LENGTH "${a}" length)
    string(LENGTH "${b}" wantLength)
    set(differ 0)
    set(chars 0)
    if(NOT length EQUAL wantLength OR length EQUAL 0)
        set(differ -1)
    else()
        math(EXPR last "${length} - 2")
        foreach(i RANGE 0 ${last} 2)
            string(SUBSTRING "${a}" ${i} 2 x)
            string(SUBSTRING "${b}" ${i} 2 y)
            if(y STREQUAL "0d" OR y STREQUAL "0a")
                if(NOT x STREQUAL y)
                    set(differ -1)
                    break()
                endif()
            else()
                math(EXPR chars "${chars} + 1")
                if(NOT x STREQUAL y)
                    math(EXPR differ "${differ} + 1")
                endif()
            endif()
        endforeach()
    endif()
    set(${count} ${differ} PARENT_SCOPE)
    set(${total} ${chars} PARENT_SCOPE)
endfunction()

foreach(name ${names})
    foreach(width default 60)
        if(width STREQUAL "default")
            set(args "")
            set(suffix "")
        else()
            set(args --width ${width})
            set(suffix ".w${width}")
        endif()
        set(want ${EXPECTED}/${name}${suffix}.txt)
        set(got ${WORK}/${name}${suffix}.txt)
        # The references end their lines as the window does: CR LF on every platform.
        execute_process(COMMAND ${EMULATOR} ${VKD} --crlf ${args} ${PICTURES}/${name}
                        OUTPUT_FILE ${got} ERROR_FILE ${got}.err RESULT_VARIABLE rc)
        execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${got} ${want}
                        RESULT_VARIABLE same)
        set(what "${name} at width ${width}")
        if(NOT rc EQUAL 0)
            file(READ ${got}.err err)
            message(SEND_ERROR "FAILED: ${what}: exit ${rc}: ${err}")
            math(EXPR failures "${failures} + 1")
        elseif(same EQUAL 0)
            message(STATUS "ok: ${what}: the same bytes")
        elseif(NOT name MATCHES "\\.jpg$")
            message(SEND_ERROR "FAILED: ${what}: not the same bytes as ${want}")
            math(EXPR failures "${failures} + 1")
        else()
            characters_differ(${got} ${want} count total)
            if(count LESS 0)
                message(SEND_ERROR "FAILED: ${what}: lines unlike those of ${want}")
                math(EXPR failures "${failures} + 1")
            else()
                math(EXPR hundredths "${count} * 10000 / ${total}")
                math(EXPR whole "${hundredths} / 100")
                math(EXPR part "${hundredths} % 100")
                if(part LESS 10)
                    set(part "0${part}")
                endif()
                set(measured "${count} of ${total} characters differ (${whole}.${part} %)")
                math(EXPR scaled "${count} * 100")
                math(EXPR allowed "${total} * ${JPEG_PERCENT}")
                if(scaled GREATER allowed)
                    message(SEND_ERROR "FAILED: ${what}: ${measured}, more than ${JPEG_PERCENT} %")
                    math(EXPR failures "${failures} + 1")
                else()
                    message(STATUS "ok: ${what}: ${measured}")
                endif()
            endif()
        endif()
    endforeach()
endforeach()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
