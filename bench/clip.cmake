# A drawing under a clip region of 300,000 contours, plotted by vorna-plot as
# a person runs it: the time and the peak memory against the same drawing
# without the clip.
add_executable(bench_clip ${CMAKE_CURRENT_LIST_DIR}/bench_clip.cpp)
target_link_libraries(bench_clip PRIVATE benchmark::benchmark)
add_dependencies(bench_clip vorna-plot)
