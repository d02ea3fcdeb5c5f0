# KINETRA_BASH_COMPLETION_DIR: where bash-completion looks for kinetra-cli's
# completion, relative to the install prefix so that the prefix chosen at
# install time still decides. bash-completion's own pkg-config
# completionsdir, made relative to its prefix, when it is installed; else
# the folder it uses by default.
include(GNUInstallDirs)

set(KINETRA_BASH_COMPLETION_DIR "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_get_variable(kinetra_bash_completion_prefix bash-completion prefix)
  pkg_get_variable(kinetra_bash_completion_dir bash-completion completionsdir)
  if(kinetra_bash_completion_prefix AND kinetra_bash_completion_dir)
    cmake_path(IS_PREFIX kinetra_bash_completion_prefix "${kinetra_bash_completion_dir}" NORMALIZE
               kinetra_bash_completion_inside)
    if(kinetra_bash_completion_inside)
      cmake_path(RELATIVE_PATH kinetra_bash_completion_dir BASE_DIRECTORY "${kinetra_bash_completion_prefix}"
                 OUTPUT_VARIABLE KINETRA_BASH_COMPLETION_DIR)
    endif()
  endif()
endif()
