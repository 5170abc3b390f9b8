# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, which
# std::thread needs). The libraries built by scripts/bootstrap-windows are found through
# VORN_WINDOWS_DEPS, which the windows preset reads from build/windows-deps.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_AR x86_64-w64-mingw32-ar CACHE FILEPATH "")
set(CMAKE_RANLIB x86_64-w64-mingw32-ranlib CACHE FILEPATH "")

# The environment wins, then build/windows-deps as the last bootstrap wrote it (read on every
# configure, so that a rebuilt dependency folder is picked up), then what the cache holds.
if(DEFINED ENV{VORN_WINDOWS_DEPS})
  set(VORN_WINDOWS_DEPS $ENV{VORN_WINDOWS_DEPS} CACHE STRING "" FORCE)
elseif(EXISTS ${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps)
  # One folder per line: the base libraries, then the windows' libraries.
  file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps deps_from_file)
  set(VORN_WINDOWS_DEPS "${deps_from_file}" CACHE STRING "" FORCE)
endif()
set(VORN_WINDOWS_DEPS "${VORN_WINDOWS_DEPS}" CACHE STRING "Folders of the libraries built by scripts/bootstrap-windows")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VORN_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and tools run under Wine, each run in its prefix (scripts/wine-run).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
