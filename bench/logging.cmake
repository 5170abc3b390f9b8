vorn_add_bench(logging_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/logging_bench.cpp
    LIBRARIES vorn_logging)
