vorn_add_bench(offline_unpack_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/offline_unpack_bench.cpp
    LIBRARIES vorn_offline)
