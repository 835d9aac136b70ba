# The Windows converter under Wine, in as few process starts as possible: the same bytes as
# the native build's reference, CR LF (vkd.exe's default) passed through untouched on binary
# standard output, standard input, -o, refusals that name the file with the message in UTF-8 (in
# Japanese under the Japanese locale the tests run in, in English under another), names in any
# script, and several pictures on threads.
# Expects VKD, CONSOLE (console_check.cpp), EMULATOR, SAMPLE, EXPECTED and WORK.
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

# 3. A file that is not a bitmap: exit 1 and "この形式は現在サポートされていません。" in UTF-8.
file(WRITE ${WORK}/not.bmp "BA not a bitmap, but long enough to hold a whole header of 54 bytes")
execute_process(COMMAND ${EMULATOR} ${VKD} ${WORK}/not.bmp
                OUTPUT_FILE ${WORK}/stdout3.txt ERROR_FILE ${WORK}/stderr3.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr3.txt err HEX)
expect("rc EQUAL 1" "unsupported format exits 1 (exit ${rc})")
# "vkd: ", the path, ": ", then the message.
expect("err MATCHES \"^766b643a20.*3a20e38193e381aee5bda2e5bc8fe381afe78fbee59ca8e382b5e3839de383bce38388e38195e3828ce381a6e38184e381bee3819be38293e38082\""
       "the refusal names the file and gives the program's message in UTF-8 (${err})")

# 4. Out of range: exit 2, never clamped.
execute_process(COMMAND ${EMULATOR} ${VKD} --width 221 ${SAMPLE}
                OUTPUT_FILE ${WORK}/stdout4.txt ERROR_FILE ${WORK}/stderr4.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stdout4.txt out)
expect("rc EQUAL 2" "--width 221 is bad usage (exit ${rc})")
expect("out STREQUAL \"\"" "nothing is printed for bad usage")

# 5. A missing file: the open-failure message in UTF-8 and the system's reason.
execute_process(COMMAND ${EMULATOR} ${VKD} ${WORK}/none.bmp
                OUTPUT_FILE ${WORK}/stdout5.txt ERROR_FILE ${WORK}/stderr5.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr5.txt err HEX)
expect("rc EQUAL 1" "a missing file exits 1 (exit ${rc})")
expect("err MATCHES \"3a20e38395e382a1e382a4e383abe381aee382aae383bce38397e383b3e381abe5a4b1e69597e38197e381bee38197e3819fe380822028\""
       "a missing file gives the open-failure message (${err})")
# The system's reason in Windows' own Japanese words ("(ファイルが見つかりません)").
file(READ ${WORK}/stderr5.txt err)
expect("err MATCHES \"見つかりません[)]\"" "the reason is the system's, in Japanese (${err})")

# 6. -o into a folder that does not exist: the old file elsewhere is untouched, the reason told.
execute_process(COMMAND ${EMULATOR} ${VKD} -o ${WORK}/no/such.txt ${SAMPLE}
                OUTPUT_FILE ${WORK}/stdout6.txt ERROR_FILE ${WORK}/stderr6.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr6.txt err)
expect("rc EQUAL 1" "-o into a missing folder exits 1 (exit ${rc})")
expect("err MATCHES \"does not exist\"" "-o into a missing folder says the folder is missing (${err})")

# 7. Names in any script, as typed: café.png and 사진é.png are the sample, cafe.png (what the
# ANSI code page would make of the first) is not; -o writes the name given and no other.
file(COPY_FILE ${SAMPLE} ${WORK}/café.png)
file(COPY_FILE ${SAMPLE} ${WORK}/사진é.png)
file(WRITE ${WORK}/cafe.png "not the sample")
file(WRITE ${WORK}/cafe.txt "left alone")
execute_process(COMMAND ${EMULATOR} ${VKD} ${WORK}/café.png
                OUTPUT_FILE ${WORK}/stdout7.txt ERROR_FILE ${WORK}/stderr7.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr7.txt err)
same_bytes(${WORK}/stdout7.txt ${EXPECTED} same)
expect("rc EQUAL 0" "café.png converts (exit ${rc}) ${err}")
expect("same" "café.png is read, not cafe.png")
execute_process(COMMAND ${EMULATOR} ${VKD} -o ${WORK}/사진é.txt ${WORK}/사진é.png
                OUTPUT_FILE ${WORK}/stdout8.txt ERROR_FILE ${WORK}/stderr8.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr8.txt err)
file(READ ${WORK}/cafe.txt kept)
same_bytes(${WORK}/사진é.txt ${EXPECTED} same)
expect("rc EQUAL 0" "사진é.png converts into 사진é.txt (exit ${rc}) ${err}")
expect("same" "사진é.txt holds the sample's text picture")
expect("kept STREQUAL \"left alone\"" "cafe.txt is left as it was (${kept})")

# 8. Another locale: the same refusal in English. (scripts/wine-run sets a Japanese LC_ALL for
# every program; cmd sets another for vkd alone.)
string(REPLACE "/" "\\" windowsVkd "Z:${VKD}")
execute_process(COMMAND ${EMULATOR} cmd /c "set LC_ALL=C&& ${windowsVkd} ${WORK}/not.bmp"
                OUTPUT_FILE ${WORK}/stdout9.txt ERROR_FILE ${WORK}/stderr9.txt RESULT_VARIABLE rc)
file(READ ${WORK}/stderr9.txt err)
expect("rc EQUAL 1" "not a bitmap, in English (exit ${rc})")
expect("err MATCHES \"^vkd: .*/not[.]bmp: This format is not supported[.]\\r?\\n$\""
       "the refusal is in English (${err})")

# 9. Several pictures on two threads: in the order given, each after its name, CR LF
# throughout; the one refused is named and the rest still converted.
execute_process(COMMAND ${EMULATOR} ${VKD} -j 2 ${SAMPLE} ${WORK}/not.bmp ${WORK}/사진é.png
                OUTPUT_FILE ${WORK}/stdout10.txt ERROR_FILE ${WORK}/stderr10.txt
                RESULT_VARIABLE rc)
file(READ ${WORK}/stderr10.txt err)
# Compared in hexadecimal: file(WRITE) would not keep the text's CR bytes.
file(READ ${EXPECTED} text HEX)
file(READ ${WORK}/stdout10.txt out HEX)
string(HEX "==> ${SAMPLE} <==\r\n" first)
string(HEX "\r\n==> ${WORK}/사진é.png <==\r\n" second)
expect("rc EQUAL 1" "a refused picture among three exits 1 (exit ${rc})")
expect("out STREQUAL \"${first}${text}${second}${text}\""
       "the two others follow their header lines, in order")
expect("err MATCHES \"^vkd: [^\\n]*/not[.]bmp: [^\\n]*\\r?\\n$\"" "only the refused one is named (${err})")

# 10. In a console of code page 437, which has neither Hangul nor kana, a refusal reads as it
# should: the name as typed and the Japanese message.
file(WRITE ${WORK}/사진é.bmp "BA not a bitmap, but long enough to hold a whole header of 54 bytes")
execute_process(COMMAND ${EMULATOR} ${CONSOLE} ${WORK}/console.txt 437 "${windowsVkd} 사진é.bmp"
                WORKING_DIRECTORY ${WORK} OUTPUT_FILE ${WORK}/stdout11.txt
                ERROR_FILE ${WORK}/stderr11.txt RESULT_VARIABLE rc)
file(READ ${WORK}/console.txt shown)
expect("rc EQUAL 1" "a refusal in a console exits 1 (exit ${rc})")
expect("shown MATCHES \"vkd: 사진é[.]bmp: この形式は現在サポートされていません。\""
       "the console shows the name and the message as they are (${shown})")

# 11. Names the file system takes for one file: Ä and ä into one folder are bad usage, as is an
# output that is a picture, whatever spelling or folder names it; nothing is written.
file(MAKE_DIRECTORY ${WORK}/a ${WORK}/b ${WORK}/out)
file(COPY_FILE ${SAMPLE} ${WORK}/a/Ä.bmp)
file(COPY_FILE ${SAMPLE} ${WORK}/b/ä.bmp)
file(COPY_FILE ${SAMPLE} ${WORK}/shot.png)
foreach(shown "-o out/ a/Ä.bmp b/ä.bmp" "--format png -o ./ b/ä.bmp shot.png"
              "-o SHOT.PNG shot.png")
    separate_arguments(args UNIX_COMMAND "${shown}")
    execute_process(COMMAND ${EMULATOR} ${VKD} ${args} WORKING_DIRECTORY ${WORK}
                    OUTPUT_FILE ${WORK}/stdout12.txt ERROR_FILE ${WORK}/stderr12.txt
                    RESULT_VARIABLE rc)
    file(READ ${WORK}/stderr12.txt err)
    file(GLOB written ${WORK}/out/* ${WORK}/ä.png)
    same_bytes(${WORK}/shot.png ${SAMPLE} same)
    expect("rc EQUAL 2 AND same AND written STREQUAL \"\""
           "vkd ${shown}: refused, nothing written (exit ${rc}) ${err}")
endforeach()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} check(s) failed")
endif()
