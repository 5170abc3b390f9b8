include(GoogleTest)

# vorn_add_test(<name> LABEL unit|ui|e2e SOURCES ... [LIBRARIES ...])
# One executable per test file, its cases discovered by CTest and labelled. Test programs land
# in <build>/tests. A "ui" test gets the wxWidgets test main instead of gtest_main.
function(vorn_add_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE vorn_settings vorn_test_support ${ARG_LIBRARIES} GTest::gmock)
  if(ARG_LABEL STREQUAL "unit")
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  else()
    target_link_libraries(${name} PRIVATE vorn_test_wx_main)
  endif()
  gtest_discover_tests(${name}
      PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 120
      DISCOVERY_TIMEOUT 60)
endfunction()
