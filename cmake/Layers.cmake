# Each core library sees only the source folders below it: its include
# folder in the build tree holds links to just those folders, so a lower
# layer that includes a higher one fails to compile. The targets above the
# core include from the repository root. tools/check-layers.sh holds every
# folder to the same rules, line by line.
#   kinetra_layer_includes(TARGET FOLDER...)
function(kinetra_layer_includes target)
  set(folder_of_links ${PROJECT_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${folder_of_links})
  foreach(folder IN LISTS ARGN)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${folder_of_links}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${folder_of_links})
endfunction()
