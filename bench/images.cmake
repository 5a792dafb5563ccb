# The image actions' figures: row images and a shared image drawn into an A2
# page at 720 dpi, beside memcpy. bench_images lies beside the driver it loads.
add_executable(bench_images ${CMAKE_CURRENT_LIST_DIR}/bench_images.cpp)
target_link_libraries(bench_images PRIVATE vorna_plot_core benchmark::benchmark)
add_dependencies(bench_images vorna-plot)
