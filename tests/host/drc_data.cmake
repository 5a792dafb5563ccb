# The printer description tests read the shipped description from the source tree.
target_compile_definitions(test_host PRIVATE VORNA_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
