# Run by cpack once the package is made (CPACK_POST_BUILD_SCRIPTS). CPack gives a package
# postinst and postrm scripts that only call ldconfig whenever a shared library lies below
# /usr/lib, even in a program's private folder like ours, where the library is found through
# $ORIGIN and ldconfig has nothing to do. The package is rebuilt without those two scripts;
# a script that does anything else stops the build instead of being dropped.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${CPACK_TOPLEVEL_DIRECTORY}/deb-without-ldconfig)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${deb} ${tree} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -R ${deb}: ${result}")
  endif()
  set(dropped "")
  foreach(script postinst postrm)
    set(file ${tree}/DEBIAN/${script})
    if(NOT EXISTS ${file})
      continue()
    endif()
    file(READ ${file} text)
    string(REGEX REPLACE "#![^\n]*\n|set -e\n|if \\[ \"\\$1\" = \"[a-z]+\" \\]; then\n|[ \t]*ldconfig\n|fi\n|\n"
           "" rest "${text}")
    if(NOT rest STREQUAL "")
      message(FATAL_ERROR "${script} of ${deb} does more than call ldconfig:\n${text}")
    endif()
    file(REMOVE ${file})
    list(APPEND dropped ${script})
  endforeach()
  if(dropped)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b ${tree} ${deb}
                    OUTPUT_QUIET RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "dpkg-deb -b ${deb}: ${result}")
    endif()
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()
