# The drawing reader on arbitrary bytes. The programs are not built for
# fuzzing, so the reader's source is compiled in.
add_executable(fuzz_drawing ${CMAKE_CURRENT_LIST_DIR}/fuzz_drawing.cpp
                            ${CMAKE_SOURCE_DIR}/apps/vorna-plot/drawing.cpp)
target_include_directories(fuzz_drawing PRIVATE ${CMAKE_SOURCE_DIR}/apps/vorna-plot)
target_link_libraries(fuzz_drawing PRIVATE heidi nlohmann_json::nlohmann_json)
target_link_options(fuzz_drawing PRIVATE -fsanitize=fuzzer)
