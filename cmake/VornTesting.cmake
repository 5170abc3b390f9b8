include(GoogleTest)

# vorn_add_test(<name> LABEL unit|ui|e2e SOURCES ... [LIBRARIES ...])
# One executable per test file, its cases discovered by CTest and labelled. Test programs land
# in <build>/tests. A "ui" test gets the wxWidgets test main instead of gtest_main.
function(vorn_add_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  if(NOT ARG_LABEL STREQUAL "unit" AND NOT VORN_BUILD_WINDOW_TESTS)
    return()  # a build that runs no window tests does not compile them either
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

# vorn_add_folder_tests(<folder> LIBRARIES ... [UI_LIBRARIES ...])
# Every <module>_test.cpp beside the calling CMakeLists.txt becomes the unit test
# <folder>_<module>_test; every <module>_uitest.cpp becomes a "ui" test that also links
# UI_LIBRARIES.
function(vorn_add_folder_tests folder)
  cmake_parse_arguments(ARG "" "" "LIBRARIES;UI_LIBRARIES" ${ARGN})
  # Tests of what only one platform has live in a subfolder named for it (linux/, windows/).
  file(GLOB unit_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${VORN_PLATFORM}/*_test.cpp)
  foreach(src IN LISTS unit_tests)
    get_filename_component(module ${src} NAME_WE)
    vorn_add_test(${folder}_${module} LABEL unit SOURCES ${src} LIBRARIES ${ARG_LIBRARIES})
  endforeach()
  if(NOT VORN_BUILD_UI)
    return()
  endif()
  file(GLOB ui_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_uitest.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${VORN_PLATFORM}/*_uitest.cpp)
  foreach(src IN LISTS ui_tests)
    get_filename_component(module ${src} NAME_WE)
    vorn_add_test(${folder}_${module} LABEL ui SOURCES ${src}
        LIBRARIES ${ARG_LIBRARIES} ${ARG_UI_LIBRARIES})
  endforeach()
endfunction()

# vorn_add_folder_library(<folder> [DEPENDS ...] [UI_DEPENDS ...] [EXCLUDE <file> ...])
# The folder's *.cpp, and those of its subfolder for the platform built for (linux/ or
# windows/), become vorn_<folder> (nothing that draws); ui/*.cpp and ui/<platform>/*.cpp, when
# there are any and windows are built, become vorn_<folder>_ui on top of it with wxWidgets.
function(vorn_add_folder_library folder)
  cmake_parse_arguments(ARG "" "" "DEPENDS;UI_DEPENDS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${VORN_PLATFORM}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(vorn_${folder} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(vorn_${folder} INTERFACE) # a folder that has only just been started
    set(scope INTERFACE)
  endif()
  target_include_directories(vorn_${folder} ${scope} ${PROJECT_SOURCE_DIR})
  target_link_libraries(vorn_${folder} ${scope} vorn_settings ${ARG_DEPENDS})
  file(GLOB ui_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/ui/${VORN_PLATFORM}/*.cpp)
  if(ui_sources AND VORN_BUILD_UI)
    add_library(vorn_${folder}_ui STATIC ${ui_sources})
    target_link_libraries(vorn_${folder}_ui PUBLIC vorn_${folder} ${ARG_UI_DEPENDS} vorn::wx)
  endif()
endfunction()
