# Every outside library comes from a Debian package installed by scripts/bootstrap.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(ZLIB REQUIRED)
find_package(CURL REQUIRED)
pkg_check_modules(TINYXML2 REQUIRED IMPORTED_TARGET tinyxml2)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(ICONV_CHECK QUIET iconv) # iconv is part of glibc; nothing to link

# Debian's wxWidgets has no imported target. Wrap what FindwxWidgets reports in one, with the
# headers as system headers so that our warning set does not apply to them.
find_package(wxWidgets REQUIRED COMPONENTS core base)
add_library(vorn_wx INTERFACE)
target_include_directories(vorn_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(vorn_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(vorn_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(vorn_wx INTERFACE ${wxWidgets_LIBRARIES})
add_library(vorn::wx ALIAS vorn_wx)

if(VORN_BUILD_TESTS OR VORN_BUILD_BENCH)
  find_package(GTest REQUIRED)
endif()
if(VORN_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
