vorn_add_bench(agent_call_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/agent_call_bench.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/${VORN_PLATFORM}/agent_call_baseline.cpp
    LIBRARIES vorn_agent vorn_platform vorn_test_support)
target_include_directories(agent_call_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
