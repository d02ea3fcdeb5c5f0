function(kinetra_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  # clang (the sanitizer tree's compiler) holds to gcc's set: its -Wall
  # takes in -Woverloaded-virtual, gcc 12's does not (the player widget's
  # Load of a QString hides the animation's Load of a path and a flag).
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:Clang>:-Wno-overloaded-virtual>)
  if(KINETRA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The stricter set for the Qt-free code (the core and what drives only the
# core); Qt's own headers would bury the Qt targets under it.
function(kinetra_core_warnings target)
  kinetra_warnings(${target})
  target_compile_options(${target} PRIVATE -Wshadow -Wconversion -Wold-style-cast -Wnon-virtual-dtor)
  # clang's -Wconversion takes in -Wsign-conversion, gcc's does not; the
  # core libraries add it back below.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:Clang>:-Wno-sign-conversion>)
endfunction()

# The core libraries themselves also keep signedness changes explicit.
function(kinetra_core_library_warnings target)
  kinetra_core_warnings(${target})
  target_compile_options(${target} PRIVATE -Wsign-conversion)
endfunction()
