vorn_add_bench(agent_call_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/agent_call_bench.cpp
    LIBRARIES vorn_agent vorn_platform)
