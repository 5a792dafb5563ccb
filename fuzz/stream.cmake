# The printer stream reader (modules/spooler) on arbitrary bytes.
add_executable(fuzz_stream ${CMAKE_CURRENT_LIST_DIR}/fuzz_stream.cpp)
target_link_libraries(fuzz_stream PRIVATE vorna_stream)
target_link_options(fuzz_stream PRIVATE -fsanitize=fuzzer)
