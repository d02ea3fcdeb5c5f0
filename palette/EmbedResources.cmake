# Writes a C++ source that holds the bytes of the program's built-in files.
#
#   cmake -DOUTPUT=<file.cpp> -DRESOURCES=<id>=<path>|<id>=<path>... -P EmbedResources.cmake
#
# The source defines kinetra::EmbeddedResources() (palette/EmbeddedResources.h).

if(NOT OUTPUT OR NOT RESOURCES)
  message(FATAL_ERROR "EmbedResources.cmake needs OUTPUT and RESOURCES")
endif()

string(REPLACE "|" ";" resources "${RESOURCES}")
string(REPEAT "[0-9a-f]" 32 sixteenBytes)

set(arrays "")
set(entries "")
set(count 0)
foreach(resource IN LISTS resources)
  string(FIND "${resource}" "=" equals)
  string(SUBSTRING "${resource}" 0 ${equals} id)
  math(EXPR pathStart "${equals} + 1")
  string(SUBSTRING "${resource}" ${pathStart} -1 path)

  file(READ "${path}" hex HEX)
  if(hex STREQUAL "")
    message(FATAL_ERROR "built-in resource ${path} is missing or empty")
  endif()
  # Sixteen bytes to a line keeps the generated file readable in an editor.
  string(REGEX REPLACE "(${sixteenBytes})" "\\1\n    " hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  get_filename_component(name "${path}" NAME)
  string(APPEND arrays "// ${name}\nconstexpr std::uint8_t kResource${id}[] = {\n    ${hex}\n};\n\n")
  string(APPEND entries "        EmbeddedResource{${id}, kResource${id}},\n")
  math(EXPR count "${count} + 1")
endforeach()

set(source "// Generated at build time by palette/EmbedResources.cmake from the files in res/.

#include \"palette/EmbeddedResources.h\"

#include <array>

namespace kinetra {

namespace {

${arrays}} // namespace

std::span<const EmbeddedResource> EmbeddedResources()
{
    static constexpr std::array<EmbeddedResource, ${count}> kResources{
${entries}    };
    return kResources;
}

} // namespace kinetra
")

file(WRITE "${OUTPUT}" "${source}")
