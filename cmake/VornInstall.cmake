# Install rules and the Debian package made from them (scripts/package). Included after every
# folder has been added, so the rules see which programs exist.
#
# The program folder lib/vorn-update holds the programs, libVocabrix.so and the language files:
# the program finds its companions beside its own executable, and every program there finds the
# library through $ORIGIN. bin/ only links to the programs.
set(VORN_PROGRAM_DIR lib/vorn-update)
set(VORN_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)
set(VORN_PACKAGE_DIR ${PROJECT_SOURCE_DIR}/resources/package)

# The package carries the program's own version, read where the program keeps it.
file(STRINGS ${PROJECT_SOURCE_DIR}/program/ProgramVersion.h version_line
     REGEX "kProgramVersion\\[4\\]")
if(NOT version_line MATCHES "{ *([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+) *}")
  message(FATAL_ERROR "no kProgramVersion in program/ProgramVersion.h")
endif()
set(VORN_PACKAGE_VERSION
    ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${CMAKE_MATCH_4})

# Programs of the folder; the command-line tools that exist in this tree also get a bin/ link.
set(programs Vorn_Update AgentZelt)
set(links vorn-update:Vorn_Update)
if(TARGET vorn-blist)
  list(APPEND programs vorn-blist)
  list(APPEND links vorn-blist:vorn-blist)
endif()
# Linked with their final run path, so the build's program folder is already the installed one.
set_target_properties(${programs} PROPERTIES INSTALL_RPATH "$ORIGIN" BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS ${programs} RUNTIME DESTINATION ${VORN_PROGRAM_DIR})
install(TARGETS Vocabrix LIBRARY DESTINATION ${VORN_PROGRAM_DIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/english.db ${CMAKE_BINARY_DIR}/bin/languages.xml
        DESTINATION ${VORN_PROGRAM_DIR})

# Relative links, made in the build folder and installed as links, so they hold under any prefix.
# The program resolves /proc/self/exe, so started through the link it still finds its folder.
set(link_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${link_dir})
foreach(link IN LISTS links)
  string(REPLACE ":" ";" link ${link})
  list(GET link 0 name)
  list(GET link 1 program)
  file(CREATE_LINK ../${VORN_PROGRAM_DIR}/${program} ${link_dir}/${name} SYMBOLIC)
  install(FILES ${link_dir}/${name} DESTINATION bin)
endforeach()

# The translation library for other programs: its header and a pkg-config file.
install(FILES ${PROJECT_SOURCE_DIR}/translation/Vocabrix.h DESTINATION include)
# The pkg-config file names its folders relative to itself, so it holds under any prefix.
set(pc_dir lib/pkgconfig)
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(pc_dir lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig)
endif()
file(RELATIVE_PATH VORN_PC_TO_PREFIX /prefix/${pc_dir} /prefix)
string(REGEX REPLACE "/$" "" VORN_PC_TO_PREFIX ${VORN_PC_TO_PREFIX})
configure_file(${VORN_PACKAGE_DIR}/vocabrix.pc.in ${CMAKE_BINARY_DIR}/vocabrix.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/vocabrix.pc DESTINATION ${pc_dir})

# Desktop integration: menu entry, icons, AppStream metadata.
install(FILES ${VORN_DESKTOP_DIR}/vorn-update.desktop DESTINATION share/applications)
install(DIRECTORY ${VORN_DESKTOP_DIR}/hicolor DESTINATION share/icons)
configure_file(${VORN_DESKTOP_DIR}/com.vorn.update.metainfo.xml
               ${CMAKE_BINARY_DIR}/com.vorn.update.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/com.vorn.update.metainfo.xml DESTINATION share/metainfo)

# Documents a Debian package must carry: copyright, the changelog and a manual page, the last two
# compressed as Debian wants them (gzip -9n: no name or time stamp, so rebuilds are identical).
set(CPACK_PACKAGE_CONTACT "Vorn Update developers <vorn-update@example.com>" CACHE STRING
    "Maintainer of the Debian package")
install(FILES ${VORN_PACKAGE_DIR}/copyright DESTINATION share/doc/vorn-update)
set(docs changelog.in:share/doc/vorn-update/changelog vorn-update.1:share/man/man1/vorn-update.1)
if(TARGET vorn-blist)
  list(APPEND docs vorn-blist.1:share/man/man1/vorn-blist.1)
endif()
foreach(doc IN LISTS docs)
  string(REPLACE ":" ";" doc ${doc})
  list(GET doc 0 source)
  list(GET doc 1 target)
  get_filename_component(name ${target} NAME)
  get_filename_component(folder ${target} DIRECTORY)
  configure_file(${VORN_PACKAGE_DIR}/${source} ${CMAKE_BINARY_DIR}/package-docs/${name} @ONLY)
  execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/package-docs/${name}
                  RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip ${name}: ${gzip_result}")
  endif()
  install(FILES ${CMAKE_BINARY_DIR}/package-docs/${name}.gz DESTINATION ${folder})
endforeach()

# The program lives in the tray all day, so it starts with the session. Autostart entries are
# read from /etc/xdg only, so an install under /usr puts the entry there rather than in /usr/etc;
# the choice is made at install time, when the prefix (the package's included) is known.
install(CODE "set(vorn_autostart_entry \"${VORN_DESKTOP_DIR}/vorn-update-autostart.desktop\")")
install(CODE [[
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(vorn_autostart_dir /etc/xdg/autostart)
  else()
    set(vorn_autostart_dir ${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart)
  endif()
  file(INSTALL DESTINATION ${vorn_autostart_dir} TYPE FILE RENAME vorn-update.desktop
       FILES ${vorn_autostart_entry})
]])

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn-update)
set(CPACK_PACKAGE_VERSION ${VORN_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "Vorn Update developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updates for Vorn banknote-processing devices")
set(CPACK_PACKAGE_DESCRIPTION
    "Vorn Update is the operator's desktop program that keeps the firmware of
Vorn banknote-processing devices up to date. It lives in the tray, lists the
connected devices and starts firmware updates through a local agent service.
The package also holds the translation library Vocabrix and the agent
simulator AgentZelt, which stands in for the agent service on machines
without devices.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl and libcrypto are opened at run time, so dpkg-shlibdeps cannot see them;
# CURLOPT_PROTOCOLS_STR needs libcurl 7.85.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85.0), libssl3")
# dpkg-shlibdeps finds the package's own library in the build's program folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${VORN_PACKAGE_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebWithoutLdconfig.cmake)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
include(CPack)
