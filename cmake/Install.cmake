# Where the program finds its UI kit, and the three ways Kinetra reaches a
# user: `cmake --install` into a prefix, a Debian package, and the unpacked
# release folder that InstallKinetra finishes. Included once every target
# exists.

include(GNUInstallDirs)

# libArdenkit.so is private to Kinetra. Installed the Linux way (a prefix,
# the Debian package) it lies in a folder of its own under the library
# folder, found through the program's RUNPATH; in the unpacked release
# folder it lies beside the program or, once InstallKinetra has moved it,
# in the system folder. The install RUNPATH holds all three, and each kind of
# installation keeps only its own below.
# Debian keeps it under the multiarch folder (lib/x86_64-linux-gnu/kinetra),
# which also keeps ldconfig out of the package's scripts.
set(kinetra_private_libdir "${CMAKE_INSTALL_LIBDIR}")
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT kinetra_private_libdir MATCHES "${CMAKE_LIBRARY_ARCHITECTURE}")
  string(APPEND kinetra_private_libdir "/${CMAKE_LIBRARY_ARCHITECTURE}")
endif()
string(APPEND kinetra_private_libdir "/kinetra")
set(kinetra_linux_runpath "$ORIGIN/../${kinetra_private_libdir}")
set(kinetra_release_runpath "$ORIGIN:/usr/local/lib")
# A build-tree program looks in its own build's uikit folder first, so that
# a copy in the system folder never stands in for the library just built.
set_target_properties(Kinetra PROPERTIES
  BUILD_RPATH "$<TARGET_FILE_DIR:Ardenkit>;$ORIGIN;/usr/local/lib"
  INSTALL_RPATH "${kinetra_linux_runpath};$ORIGIN;/usr/local/lib")
# DT_RUNPATH, not DT_RPATH: LD_LIBRARY_PATH must still win over it.
target_link_options(Kinetra PRIVATE "LINKER:--enable-new-dtags")

# Sets the installed Kinetra's RUNPATH to `runpath` (shorter than the one
# written at install, so it fits in place).
function(kinetra_install_runpath destination runpath)
  install(CODE "file(RPATH_SET FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/Kinetra\" NEW_RPATH \"${runpath}\")"
          ${ARGN})
endfunction()

# The manual pages the Linux way, compressed as Debian wants them.
set(kinetra_man_pages ${PROJECT_SOURCE_DIR}/app/Kinetra.1 ${PROJECT_SOURCE_DIR}/cli/kinetra-cli.1)
set(kinetra_compressed_man_pages)
foreach(page IN LISTS kinetra_man_pages)
  get_filename_component(name ${page} NAME)
  set(compressed ${PROJECT_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9n -c ${page} > ${compressed}
    DEPENDS ${page} VERBATIM)
  list(APPEND kinetra_compressed_man_pages ${compressed})
endforeach()
set(kinetra_changelog ${PROJECT_BINARY_DIR}/generated/changelog.gz)
add_custom_command(OUTPUT ${kinetra_changelog}
  COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog > ${kinetra_changelog}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog VERBATIM)
add_custom_target(kinetra_compressed_docs ALL DEPENDS ${kinetra_compressed_man_pages} ${kinetra_changelog})

# The Linux way. InstallKinetra finishes unpacked copies only, so it stays out.
install(TARGETS Kinetra kinetra-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
kinetra_install_runpath(${CMAKE_INSTALL_BINDIR} "${kinetra_linux_runpath}")
install(TARGETS Ardenkit LIBRARY DESTINATION ${kinetra_private_libdir})
# The system-wide entry carries the AppStream id; the file association a
# user makes from the window keeps writing its own kinetra.desktop.
set(kinetra_app_id org.halvorek.kinetra)
install(FILES ${PROJECT_SOURCE_DIR}/res/kinetra.desktop RENAME ${kinetra_app_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/${kinetra_app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/kinetra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${kinetra_compressed_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${kinetra_changelog}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kinetra)
# kinetra-cli's bash completion, and its thumbnails for file managers.
include(${CMAKE_CURRENT_LIST_DIR}/BashCompletionDir.cmake)
install(FILES ${PROJECT_SOURCE_DIR}/cli/kinetra-cli.bash-completion RENAME kinetra-cli
        DESTINATION ${KINETRA_BASH_COMPLETION_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/kinetra.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)

# The release folder: Kinetra, libArdenkit.so and InstallKinetra side by
# side, and a tarball of it. It is an install component of its own, left out
# of a full installation, so the copies get their install RUNPATH.
set(kinetra_release_name "Kinetra-${PROJECT_VERSION}")
set(kinetra_release_root "${PROJECT_BINARY_DIR}/release")
set(kinetra_release_dir "${kinetra_release_root}/${kinetra_release_name}")
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" kinetra_release_arch)
set(kinetra_release_tarball "${kinetra_release_name}-linux-${kinetra_release_arch}.tar.gz")

install(TARGETS Kinetra RUNTIME DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
kinetra_install_runpath(. "${kinetra_release_runpath}" COMPONENT release EXCLUDE_FROM_ALL)
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
