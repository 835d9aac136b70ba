# The README's usage block is what `vkd --help` prints, byte for byte: the fenced block that
# starts with "usage: vkd". Expects VKD and README.
execute_process(COMMAND ${VKD} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "vkd --help exited with ${rc}")
endif()
file(READ ${README} readme)
if(NOT readme MATCHES "\n```\n(usage: vkd [^`]*)```\n")
    message(FATAL_ERROR "README.md has no fenced block starting with 'usage: vkd'")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL help)
    message(FATAL_ERROR "README.md's usage block differs from vkd --help.\n"
                        "--- README.md:\n${CMAKE_MATCH_1}--- vkd --help:\n${help}---\n"
                        "Paste the vkd --help output into the README's block.")
endif()
message(STATUS "README.md's usage block is vkd --help")
