# Every outside library comes from a Debian package installed by scripts/bootstrap.
# For Windows, the same libraries are cross-built from Debian's source packages by
# scripts/bootstrap-windows (zlib comes from libz-mingw-w64-dev).
find_package(Threads REQUIRED)
find_package(SQLite3 REQUIRED)
if(WIN32)
  # The programs carry zlib rather than need zlib1.dll beside them; wxWidgets links the same
  # static library by name (-lz), and the two must not meet as static and import library.
  find_library(VORN_ZLIB_STATIC NAMES libz.a REQUIRED)
  set(ZLIB_LIBRARY_RELEASE ${VORN_ZLIB_STATIC} CACHE FILEPATH "" FORCE)
endif()
find_package(ZLIB REQUIRED)
add_library(vorn_tinyxml2 INTERFACE)
add_library(vorn_minizip INTERFACE)
if(WIN32)
  find_package(tinyxml2 CONFIG REQUIRED)
  target_link_libraries(vorn_tinyxml2 INTERFACE tinyxml2::tinyxml2)
  find_library(VORN_MINIZIP_LIBRARY minizip REQUIRED)
  find_path(VORN_MINIZIP_INCLUDE minizip/unzip.h REQUIRED)
  target_include_directories(vorn_minizip SYSTEM INTERFACE ${VORN_MINIZIP_INCLUDE})
  target_link_libraries(vorn_minizip INTERFACE ${VORN_MINIZIP_LIBRARY} ZLIB::ZLIB)
else()
  find_package(PkgConfig REQUIRED)
  find_package(CURL REQUIRED)
  pkg_check_modules(TINYXML2 REQUIRED IMPORTED_TARGET tinyxml2)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  target_link_libraries(vorn_tinyxml2 INTERFACE PkgConfig::TINYXML2)
  target_link_libraries(vorn_minizip INTERFACE PkgConfig::MINIZIP)
endif()
add_library(vorn::tinyxml2 ALIAS vorn_tinyxml2)
add_library(vorn::minizip ALIAS vorn_minizip)

# wxWidgets has no imported target, neither Debian's nor the one built for Windows. Wrap what it
# reports in one, with the headers as system headers so that our warning set does not apply to
# them.
add_library(vorn_wx INTERFACE)
add_library(vorn::wx ALIAS vorn_wx)
if(WIN32)
  # What was found in a dependency folder that bootstrap-windows has since replaced is looked
  # for again.
  foreach(found VORN_WX_CONFIG VORN_CURL_DLL VORN_CURL_INCLUDE)
    set(current FALSE)
    foreach(folder IN LISTS VORN_WINDOWS_DEPS)
      string(FIND "${${found}}" "${folder}/" at)
      if(at EQUAL 0)
        set(current TRUE)
      endif()
    endforeach()
    if(NOT current)
      unset(${found} CACHE)
    endif()
  endforeach()
endif()
if(VORN_BUILD_UI AND WIN32)
  # The static build of scripts/bootstrap-windows, described by its own wx-config. Its link
  # line asks for the GUI subsystem; only the program gets that (WIN32_EXECUTABLE), so that the
  # window tests keep their console output.
  find_program(VORN_WX_CONFIG wx-config PATHS ${VORN_WINDOWS_DEPS} PATH_SUFFIXES bin
               NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  cmake_path(GET VORN_WX_CONFIG PARENT_PATH wx_bin)
  cmake_path(GET wx_bin PARENT_PATH wx_prefix)
  foreach(query cxxflags libs)
    execute_process(COMMAND sh ${VORN_WX_CONFIG} --prefix=${wx_prefix} --static --${query} core,base
                    OUTPUT_VARIABLE wx_${query} OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(wx_${query} UNIX_COMMAND "${wx_${query}}")
  endforeach()
  foreach(flag IN LISTS wx_cxxflags)
    if(flag MATCHES "^-I(.*)")
      target_include_directories(vorn_wx SYSTEM INTERFACE ${CMAKE_MATCH_1})
    elseif(flag MATCHES "^-D(.*)")
      target_compile_definitions(vorn_wx INTERFACE ${CMAKE_MATCH_1})
    else()
      target_compile_options(vorn_wx INTERFACE ${flag})
    endif()
  endforeach()
  list(REMOVE_ITEM wx_libs -mwindows -Wl,--subsystem,windows)
  target_link_libraries(vorn_wx INTERFACE ${wx_libs})
  # Windows has no system copy of the toolkit's own translations (stock buttons, standard
  # dialogs): they go beside the programs and the window tests, <folder>/locale/<language>.
  file(GLOB wx_catalogues RELATIVE ${wx_prefix}/share/locale
       ${wx_prefix}/share/locale/*/LC_MESSAGES/wxstd-3.2.mo)
  foreach(catalogue IN LISTS wx_catalogues)
    cmake_path(GET catalogue PARENT_PATH folder)
    foreach(target_folder bin tests)
      file(COPY ${wx_prefix}/share/locale/${catalogue}
           DESTINATION ${CMAKE_BINARY_DIR}/${target_folder}/locale/${folder})
    endforeach()
  endforeach()
elseif(VORN_BUILD_UI)
  find_package(wxWidgets REQUIRED COMPONENTS core base)
  target_include_directories(vorn_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
  target_compile_definitions(vorn_wx INTERFACE ${wxWidgets_DEFINITIONS})
  target_compile_options(vorn_wx INTERFACE ${wxWidgets_CXX_FLAGS})
  target_link_libraries(vorn_wx INTERFACE ${wxWidgets_LIBRARIES})
endif()

# libcurl's headers: the update-server client opens the library itself when first needed
# (Linux: Debian's libcurl.so.4; Windows: the libcurl-4.dll of scripts/bootstrap-windows, which
# the build puts beside the programs).
add_library(vorn_curl_headers INTERFACE)
if(WIN32)
  find_path(VORN_CURL_INCLUDE curl/curl.h REQUIRED)
  find_file(VORN_CURL_DLL libcurl-4.dll PATHS ${VORN_WINDOWS_DEPS} PATH_SUFFIXES bin
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  target_include_directories(vorn_curl_headers SYSTEM INTERFACE ${VORN_CURL_INCLUDE})
  file(COPY ${VORN_CURL_DLL} DESTINATION ${CMAKE_BINARY_DIR}/bin)
else()
  target_include_directories(vorn_curl_headers SYSTEM INTERFACE ${CURL_INCLUDE_DIRS})
endif()

if(VORN_BUILD_TESTS OR VORN_BUILD_BENCH)
  find_package(GTest REQUIRED)
endif()
if(VORN_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
