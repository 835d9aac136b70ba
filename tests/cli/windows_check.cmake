# The Windows converter under Wine, in as few process starts as possible: the same bytes as
# the native build's reference, CR LF passed through untouched on binary standard output,
# standard input, -o, and a refusal whose message arrives in CP932.
# Expects VKD, EMULATOR, SAMPLE, EXPECTED and WORK.
#
# Output goes to files, never to pipes: Wine services started by the first program inherit its
# standard handles and would keep a pipe open long after vkd has ended.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(failures 0)

macro(expect condition what)
    cmake_language(EVAL CODE "if(${condition})\nset(passed TRUE)\nelse()\nset(passed FALSE)\nendif()")
    if(NOT passed)
        message(SEND_ERROR "FAILED: ${what}")
        math(EXPR failures "${failures} + 1")
    else()
        message(STATUS "ok: ${what}")
    endif()
endmacro()

function(same_bytes a b result)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE rc)
    if(rc EQUAL 0)
        set(${result} TRUE PARENT_SCOPE)
    else()
        set(${result} FALSE PARENT_SCOPE)
    endif()
endfunction()

# 1. The sample on standard output, default settings.
execute_process(COMMAND ${EMULATOR} ${VKD} ${SAMPLE}
                OUTPUT_FILE ${WORK}/stdout.txt ERROR_FILE ${WORK}/stderr1.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr1.txt err)
same_bytes(${WORK}/stdout.txt ${EXPECTED} same)
expect("rc EQUAL 0" "sample converts (exit ${rc}) ${err}")
expect("same" "standard output equals the reference byte for byte")

# 2. Standard input, LF line ends, written with -o.
file(READ ${EXPECTED} text)
string(REPLACE "\r\n" "\n" text "${text}")
file(WRITE ${WORK}/expected-lf.txt "${text}")
execute_process(COMMAND ${EMULATOR} ${VKD} --lf -o ${WORK}/lf.txt -
                INPUT_FILE ${SAMPLE} OUTPUT_FILE ${WORK}/stdout2.txt ERROR_FILE ${WORK}/stderr2.txt
                RESULT_VARIABLE rc)
file(READ ${WORK}/stderr2.txt err)
same_bytes(${WORK}/lf.txt ${WORK}/expected-lf.txt same)
expect("rc EQUAL 0" "standard input converts (exit ${rc}) ${err}")
expect("same" "-o file with --lf equals the reference without CR")

# 3. A file that is not a bitmap: exit 1 and "この形式は現在サポートされていません。" in CP932.
file(WRITE ${WORK}/not.bmp "BA not a bitmap, but long enough to hold a whole header of 54 bytes")
execute_process(COMMAND ${EMULATOR} ${VKD} ${WORK}/not.bmp
                OUTPUT_FILE ${WORK}/stdout3.txt ERROR_FILE ${WORK}/stderr3.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr3.txt err HEX)
expect("rc EQUAL 1" "unsupported format exits 1 (exit ${rc})")
expect("err MATCHES \"^82b182cc8c608eae82cd8cbb8ddd8354837c815b836782b382ea82c482a282dc82b982f18142\""
       "the refusal is the program's message in CP932 (${err})")

# 4. Out of range: exit 2, never clamped.
execute_process(COMMAND ${EMULATOR} ${VKD} --width 221 ${SAMPLE}
                OUTPUT_FILE ${WORK}/stdout4.txt ERROR_FILE ${WORK}/stderr4.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stdout4.txt out)
expect("rc EQUAL 2" "--width 221 is bad usage (exit ${rc})")
expect("out STREQUAL \"\"" "nothing is printed for bad usage")

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
