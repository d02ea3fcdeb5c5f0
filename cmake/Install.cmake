# Where the program finds its UI kit, and the three ways Kinetra reaches a
# user: `cmake --install` into a prefix, a Debian package, and the unpacked
# release folder that InstallKinetra finishes. Included once every target
# exists.

include(GNUInstallDirs)

# libArdenkit.so is looked up beside the program (an unpacked copy), in
# ../lib (an installed prefix) and in the system folder InstallKinetra
# copies it to. A library folder other than lib (lib64, a multiarch folder)
# gets an entry of its own.
set(kinetra_runpath "$ORIGIN" "$ORIGIN/../lib" "/usr/local/lib")
if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" AND NOT CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  list(APPEND kinetra_runpath "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()
# A build-tree program looks in its own build's uikit folder first, so that
# a copy in the system folder never stands in for the library just built.
set_target_properties(Kinetra PROPERTIES
  BUILD_RPATH "$<TARGET_FILE_DIR:Ardenkit>;${kinetra_runpath}"
  INSTALL_RPATH "${kinetra_runpath}")
# DT_RUNPATH, not DT_RPATH: LD_LIBRARY_PATH must still win over it.
target_link_options(Kinetra PRIVATE "LINKER:--enable-new-dtags")

# The Linux way. InstallKinetra finishes unpacked copies only, so it stays out.
install(TARGETS Kinetra kinetra-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS Ardenkit LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/kinetra.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/kinetra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/app/Kinetra.1 ${PROJECT_SOURCE_DIR}/cli/kinetra-cli.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The release folder: Kinetra, libArdenkit.so and InstallKinetra side by
# side, and a tarball of it. It is an install component of its own, left out
# of a full installation, so the copies get their install RUNPATH.
set(kinetra_release_name "Kinetra-${PROJECT_VERSION}")
set(kinetra_release_root "${PROJECT_BINARY_DIR}/release")
set(kinetra_release_dir "${kinetra_release_root}/${kinetra_release_name}")
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" kinetra_release_arch)
set(kinetra_release_tarball "${kinetra_release_name}-linux-${kinetra_release_arch}.tar.gz")

install(TARGETS Kinetra RUNTIME DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
install(TARGETS Ardenkit LIBRARY DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
if(TARGET InstallKinetra)
  install(TARGETS InstallKinetra RUNTIME DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/app/Kinetra.1 ${PROJECT_SOURCE_DIR}/installer/InstallKinetra.1
        DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ReleaseReadme.txt.in
               ${PROJECT_BINARY_DIR}/generated/ReleaseReadme.txt @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/generated/ReleaseReadme.txt RENAME README.txt
        DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)

add_custom_target(release-folder
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${kinetra_release_dir} ${kinetra_release_root}/${kinetra_release_tarball}
  COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --component release
          --prefix ${kinetra_release_dir} --strip
  COMMAND ${CMAKE_COMMAND} -E chdir ${kinetra_release_root}
          ${CMAKE_COMMAND} -E tar czf ${kinetra_release_tarball} ${kinetra_release_name}
  COMMENT "Assembling release/${kinetra_release_name} and release/${kinetra_release_tarball}"
  VERBATIM)
add_dependencies(release-folder Kinetra Ardenkit)
if(TARGET InstallKinetra)
  add_dependencies(release-folder InstallKinetra)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Package.cmake)
