# Property-tree reader and printer description reader on arbitrary bytes.
add_executable(fuzz_drc ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_drc.cpp)
target_link_libraries(fuzz_drc PRIVATE heidi)
target_link_options(fuzz_drc PRIVATE -fsanitize=fuzzer)
