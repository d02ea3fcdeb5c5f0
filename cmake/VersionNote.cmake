# The version note (io/VersionNote.h): every shipped binary carries its
# product version, a comments line and the copyright line in an ELF note.

set(KINETRA_VERSION_COMMENTS "Linux build" CACHE STRING "The comments line of the version note")

set(KINETRA_VERSION_NOTE_TYPE 0x4B56)
set(KINETRA_NOTE_PRODUCT_VERSION "${PROJECT_VERSION}")
set(KINETRA_NOTE_COMMENTS "${KINETRA_VERSION_COMMENTS}")
set(KINETRA_NOTE_COPYRIGHT "Copyright (c) 2026 The Kinetra developers")
# The texts end up inside assembler strings within a C++ string.
foreach(text KINETRA_NOTE_PRODUCT_VERSION KINETRA_NOTE_COMMENTS KINETRA_NOTE_COPYRIGHT)
  if("${${text}}" MATCHES "[\"\\\\]")
    message(FATAL_ERROR "${text} may hold neither quotes nor backslashes: ${${text}}")
  endif()
endforeach()
set(KINETRA_VERSION_NOTE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionNote.cpp.in)
set(KINETRA_VERSION_NOTE_SOURCE ${PROJECT_BINARY_DIR}/generated/VersionNoteSection.cpp)
configure_file(${KINETRA_VERSION_NOTE_TEMPLATE} ${KINETRA_VERSION_NOTE_SOURCE} @ONLY)

# Compiles the note into `target` (an executable or a shared library).
function(kinetra_version_note target)
  target_sources(${target} PRIVATE ${KINETRA_VERSION_NOTE_SOURCE})
endfunction()

# Compiles a note with the product version `version` into `target`, for
# binaries that must carry another version than the project's (test
# libraries of the installer's version comparison).
function(kinetra_version_note_for target version)
  if("${version}" MATCHES "[\"\\\\]")
    message(FATAL_ERROR "A product version may hold neither quotes nor backslashes: ${version}")
  endif()
  set(KINETRA_NOTE_PRODUCT_VERSION "${version}")
  # One generated source per version; a hash keeps "1.0" and "1-0" apart.
  string(MD5 suffix "${version}")
  set(source ${PROJECT_BINARY_DIR}/generated/VersionNoteSection_${suffix}.cpp)
  configure_file(${KINETRA_VERSION_NOTE_TEMPLATE} ${source} @ONLY)
  target_sources(${target} PRIVATE ${source})
endfunction()
