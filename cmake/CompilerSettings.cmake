# One place for the language level, warnings and sanitizers. Every target of the project
# links vorn_settings.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

# ccache, where installed, keeps rebuilds of unchanged sources cheap across build folders and
# fresh clones: paths below the source tree are hashed relative to it.
find_program(VORN_CCACHE ccache)
if(VORN_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_C_COMPILER_LAUNCHER
      ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${VORN_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_C_COMPILER_LAUNCHER})
endif()

add_library(vorn_settings INTERFACE)
target_compile_features(vorn_settings INTERFACE cxx_std_20)
target_compile_options(vorn_settings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wconversion -Wformat=2 -Wimplicit-fallthrough
    $<$<BOOL:${VORN_WERROR}>:-Werror>)
target_compile_definitions(vorn_settings INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(WIN32)
  # Windows 7 API level, wide-character Win32 calls, C99 printf formats (%zu) from MinGW's own
  # stdio rather than the system library's; the runtime is linked in so that the programs need
  # no MinGW DLLs beside them.
  target_compile_definitions(vorn_settings INTERFACE
      _WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE __USE_MINGW_ANSI_STDIO=1)
  add_link_options(-static)
endif()

if(VORN_SANITIZE)
  # Applied to every target, the shared library included, so that all code is instrumented alike.
  add_compile_options(-fsanitize=${VORN_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${VORN_SANITIZE})
endif()
