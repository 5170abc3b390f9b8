vorn_add_bench(notifications_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/notifications_bench.cpp
    LIBRARIES vorn_monitor vorn_agent vorn_platform)
