# The Windows converter under Wine, in as few process starts as possible: the same bytes as
# the native build's reference, CR LF passed through untouched on binary standard output,
# standard input, -o, refusals that name the file with the message in CP932, and names that are
# not what the ANSI command line makes of them.
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
# "vkd: ", the path, ": ", then the message.
expect("err MATCHES \"^766b643a20.*3a2082b182cc8c608eae82cd8cbb8ddd8354837c815b836782b382ea82c482a282dc82b982f18142\""
       "the refusal names the file and gives the program's message in CP932 (${err})")

# 4. Out of range: exit 2, never clamped.
execute_process(COMMAND ${EMULATOR} ${VKD} --width 221 ${SAMPLE}
                OUTPUT_FILE ${WORK}/stdout4.txt ERROR_FILE ${WORK}/stderr4.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stdout4.txt out)
expect("rc EQUAL 2" "--width 221 is bad usage (exit ${rc})")
expect("out STREQUAL \"\"" "nothing is printed for bad usage")

# 5. A missing file: the open-failure message in CP932 and the system's reason.
execute_process(COMMAND ${EMULATOR} ${VKD} ${WORK}/none.bmp
                OUTPUT_FILE ${WORK}/stdout5.txt ERROR_FILE ${WORK}/stderr5.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr5.txt err HEX)
expect("rc EQUAL 1" "a missing file exits 1 (exit ${rc})")
expect("err MATCHES \"3a20837483408343838b82cc8349815b8376839382c98eb8947382b582dc82b582bd814220284e6f20737563682066696c65206f72206469726563746f727929\""
       "a missing file gives the open-failure message and the reason (${err})")

# 6. -o into a folder that does not exist: the old file elsewhere is untouched, the reason told.
execute_process(COMMAND ${EMULATOR} ${VKD} -o ${WORK}/no/such.txt ${SAMPLE}
                OUTPUT_FILE ${WORK}/stdout6.txt ERROR_FILE ${WORK}/stderr6.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr6.txt err)
expect("rc EQUAL 1" "-o into a missing folder exits 1 (exit ${rc})")
expect("err MATCHES \"does not exist\"" "-o into a missing folder says the folder is missing (${err})")

# 7. Names that the ANSI code page (932 under Wine's Japanese locale) cannot hold reach the
# program as look-alikes: café.png as cafe.png, another file. Such a name is refused, named, and
# the look-alike is neither read nor written.
file(COPY_FILE ${SAMPLE} ${WORK}/cafe.png)
file(WRITE ${WORK}/café.png "not the sample")
file(WRITE ${WORK}/cafe.txt "left alone")
execute_process(COMMAND ${EMULATOR} ${VKD} ${WORK}/café.png
                OUTPUT_FILE ${WORK}/stdout7.txt ERROR_FILE ${WORK}/stderr7.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stdout7.txt out)
file(READ ${WORK}/stderr7.txt err)
expect("rc EQUAL 1" "a name with é is refused (exit ${rc}) ${err}")
expect("out STREQUAL \"\"" "nothing is converted for it")
expect("err MATCHES \"^vkd: .*/caf[?][.]png: .*/cafe[.]png'\"" "the refusal names it (${err})")
execute_process(COMMAND ${EMULATOR} ${VKD} -o ${WORK}/café.txt ${WORK}/cafe.png
                OUTPUT_FILE ${WORK}/stdout8.txt ERROR_FILE ${WORK}/stderr8.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr8.txt err)
file(READ ${WORK}/cafe.txt kept)
expect("rc EQUAL 1" "-o café.txt is refused (exit ${rc}) ${err}")
expect("kept STREQUAL \"left alone\"" "cafe.txt is left as it was (${kept})")
expect("NOT EXISTS \"${WORK}/café.txt\"" "café.txt is not written either")

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
