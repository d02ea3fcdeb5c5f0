function(kinetra_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(KINETRA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The stricter set for the Qt-free code (the core and what drives only the
# core); Qt's own headers would bury the Qt targets under it.
function(kinetra_core_warnings target)
  kinetra_warnings(${target})
  target_compile_options(${target} PRIVATE -Wshadow -Wconversion -Wold-style-cast -Wnon-virtual-dtor)
endfunction()

# The core libraries themselves also keep signedness changes explicit.
function(kinetra_core_library_warnings target)
  kinetra_core_warnings(${target})
  target_compile_options(${target} PRIVATE -Wsign-conversion)
endfunction()
