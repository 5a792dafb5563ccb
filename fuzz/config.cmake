# Plot configuration loader on arbitrary bytes, against the shipped printer description.
add_executable(fuzz_config ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_config.cpp)
target_link_libraries(fuzz_config PRIVATE heidi)
target_compile_definitions(fuzz_config PRIVATE VORNA_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
target_link_options(fuzz_config PRIVATE -fsanitize=fuzzer)
