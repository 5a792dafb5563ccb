# PNG pictures placed in a drawing, on arbitrary bytes: the drawing reader's
# header check, the decoder and the resampling of vorna-plot, compiled in.
add_executable(fuzz_picture ${CMAKE_CURRENT_LIST_DIR}/fuzz_picture.cpp
                            ${CMAKE_SOURCE_DIR}/apps/vorna-plot/drawing.cpp
                            ${CMAKE_SOURCE_DIR}/apps/vorna-plot/picture.cpp
                            ${CMAKE_SOURCE_DIR}/apps/vorna-plot/page_frame.cpp)
target_include_directories(fuzz_picture PRIVATE ${CMAKE_SOURCE_DIR}/apps/vorna-plot)
target_link_libraries(fuzz_picture PRIVATE heidi nlohmann_json::nlohmann_json PNG::PNG)
target_link_options(fuzz_picture PRIVATE -fsanitize=fuzzer)
