# The advanced-definitions reader on arbitrary bytes.
add_executable(fuzz_defs ${CMAKE_CURRENT_LIST_DIR}/fuzz_defs.cpp)
target_link_libraries(fuzz_defs PRIVATE vorna_ui)
target_link_options(fuzz_defs PRIVATE -fsanitize=fuzzer)
