# Compiles the record layout check for a 32-bit target. Prints a line starting
# with SKIP (the test is then reported as skipped) when this compiler cannot
# target 32-bit at all.
#   cmake -DCXX=<compiler> -DSOURCE=<file> -DINCLUDE=<dir;dir> -DWORK=<dir> -P check_m32.cmake
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/probe_m32.cpp "#include <cstdint>\nint main() { return 0; }\n")
execute_process(COMMAND ${CXX} -m32 -std=c++20 -fsyntax-only ${WORK}/probe_m32.cpp
                RESULT_VARIABLE probe OUTPUT_QUIET ERROR_QUIET)
if(NOT probe EQUAL 0)
    message("SKIP: ${CXX} cannot compile for -m32 (install the multilib headers)")
    return()
endif()
list(TRANSFORM INCLUDE PREPEND -I)
execute_process(COMMAND ${CXX} -m32 -std=c++20 -Wall -Wextra -Werror -fsyntax-only
                        ${INCLUDE} ${SOURCE}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "32-bit record layout check failed")
endif()
