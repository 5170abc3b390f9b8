# Start-up of Vorn_Update to its main window, next to a bare wxWidgets dialog program (the same
# bench program started with --baseline-dialog). On Linux also resident memory at idle with 50
# devices; on Windows (under Wine) the working set of both.
if(WIN32)
  vorn_add_bench(startup_bench
      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/windows/startup_bench.cpp
      LIBRARIES vorn::wx vorn_test_support vorn_platform psapi)
else()
  find_package(X11 REQUIRED)
  vorn_add_bench(startup_bench
      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/linux/startup_bench.cpp
      LIBRARIES vorn::wx X11::X11 vorn_test_support)
endif()
target_compile_definitions(startup_bench PRIVATE VORN_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(startup_bench Vorn_Update AgentZelt vorn_languages)
