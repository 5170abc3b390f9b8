vorn_add_bench(ui_thread_call_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ui_thread_call_bench.cpp
    LIBRARIES vorn_platform_ui)
