# Installs the build tree into a fresh prefix and checks what a user gets
# there: exactly the expected files, a valid desktop entry and manual page,
# and programs that start from the prefix with the library installed beside
# them.
#
#   cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DLIBDIR=lib/ARCH/kinetra
#         -DDATADIR=share -DMANDIR=share/man -DSOURCE_DIR=...
#         -DCOMPLETIONSDIR=share/bash-completion/completions -P CheckInstall.cmake
# LIBDIR is the UI kit's private folder.

cmake_minimum_required(VERSION 3.25)

foreach(variable BUILD_DIR PREFIX BINDIR LIBDIR DATADIR MANDIR SOURCE_DIR COMPLETIONSDIR)
  if(NOT DEFINED ${variable} OR "${${variable}}" STREQUAL "")
    message(FATAL_ERROR "CheckInstall.cmake needs -D${variable}=...")
  endif()
endforeach()

set(failures 0)
macro(fail message)
  message(SEND_ERROR "${message}")
  math(EXPR failures "${failures} + 1")
endmacro()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

# Exactly these files: no tests, tools, static libraries or the installer.
set(expected
  "${BINDIR}/Kinetra"
  "${BINDIR}/kinetra-cli"
  "${LIBDIR}/libArdenkit.so"
  "${DATADIR}/applications/org.halvorek.kinetra.desktop"
  "${DATADIR}/doc/kinetra/changelog.gz"
  "${DATADIR}/doc/kinetra/copyright"
  "${DATADIR}/icons/hicolor/scalable/apps/kinetra.svg"
  "${DATADIR}/metainfo/org.halvorek.kinetra.metainfo.xml"
  "${MANDIR}/man1/Kinetra.1.gz"
  "${MANDIR}/man1/kinetra-cli.1.gz"
  "${COMPLETIONSDIR}/kinetra-cli"
  "${DATADIR}/thumbnailers/kinetra.thumbnailer")
list(SORT expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " shown_installed "${installed}")
  string(REPLACE ";" "\n  " shown_expected "${expected}")
  fail("installed files differ\nexpected:\n  ${shown_expected}\ninstalled:\n  ${shown_installed}")
endif()

# The desktop entry and the manual pages, where the checking tools exist.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/${DATADIR}/applications/org.halvorek.kinetra.desktop"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    fail("desktop-file-validate: ${output}")
  endif()
else()
  message(STATUS "desktop-file-validate not found: desktop entry not validated")
endif()
find_program(GROFF groff)
if(GROFF)
  foreach(page app/Kinetra.1 cli/kinetra-cli.1 installer/InstallKinetra.1)
    execute_process(COMMAND "${GROFF}" -man -ww -z -t "${SOURCE_DIR}/${page}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR NOT output STREQUAL "")
      fail("groff warns about ${page}: ${output}")
    endif()
  endforeach()
else()
  message(STATUS "groff not found: manual page not checked")
endif()

# Kinetra's RUNPATH: a dynamic tag that LD_LIBRARY_PATH overrides, which
# reaches the kit's private folder from the program's own, and nothing else
# (no system folder a stray copy could come from).
find_program(READELF NAMES readelf REQUIRED)
execute_process(COMMAND "${READELF}" -d "${PREFIX}/${BINDIR}/Kinetra"
                RESULT_VARIABLE result OUTPUT_VARIABLE dynamic ERROR_VARIABLE dynamic)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "readelf -d failed: ${dynamic}")
endif()
if(dynamic MATCHES "\\(RPATH\\)")
  fail("Kinetra carries an old-style RPATH, searched before LD_LIBRARY_PATH:\n${dynamic}")
endif()
set(runpath "")
if(dynamic MATCHES "\\(RUNPATH\\)[^\n]*\\[([^]\n]*)\\]")
  set(runpath "${CMAKE_MATCH_1}")
else()
  fail("Kinetra has no RUNPATH:\n${dynamic}")
endif()
if(NOT runpath STREQUAL "$ORIGIN/../${LIBDIR}")
  fail("Kinetra's RUNPATH is '${runpath}', not '$ORIGIN/../${LIBDIR}'")
endif()

# The loader resolves the kit to the prefix's copy (the program is not run).
execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=LD_LIBRARY_PATH LD_TRACE_LOADED_OBJECTS=1
                        "${PREFIX}/${BINDIR}/Kinetra"
                RESULT_VARIABLE result OUTPUT_VARIABLE loaded ERROR_VARIABLE loaded)
file(REAL_PATH "${PREFIX}/${LIBDIR}/libArdenkit.so" installed_kit)
string(REGEX MATCH "libArdenkit\\.so => ([^ ]*)" kit_line "${loaded}")
set(resolved_kit "")
if(kit_line)
  file(REAL_PATH "${CMAKE_MATCH_1}" resolved_kit)
endif()
if(NOT resolved_kit STREQUAL installed_kit)
  fail("libArdenkit.so resolves to '${resolved_kit}', not the installed one:\n${loaded}")
endif()

# Both programs start from the prefix, in a home of their own.
set(home "${PREFIX}-home")
file(REMOVE_RECURSE "${home}")
file(MAKE_DIRECTORY "${home}")
foreach(program Kinetra kinetra-cli)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=LD_LIBRARY_PATH
                          QT_QPA_PLATFORM=offscreen HOME=${home}
                          XDG_CONFIG_HOME=${home}/config XDG_DATA_HOME=${home}/data
                          "${PREFIX}/${BINDIR}/${program}" --help
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output MATCHES "Usage")
    fail("${program} --help from the prefix ended with '${result}':\n${output}")
  endif()
endforeach()
file(REMOVE_RECURSE "${home}")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} installation check(s) failed")
endif()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "installation into ${PREFIX} checked")
