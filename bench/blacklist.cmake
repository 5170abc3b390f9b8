vorn_add_bench(blacklist_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/blacklist_bench.cpp
    LIBRARIES vorn_blacklist_ui)
