#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kinetra {

// Writes `bytes` to `filePath` so that the file is at every moment either as
// it was or complete: the bytes go to a temporary file in the same folder,
// which is renamed over the destination in one step. A file that is replaced
// keeps its permissions; a new one gets the usual 0666 less the umask. A
// destination the user may not write is refused (a rename would replace it
// regardless). On any failure the destination is untouched and no temporary
// file remains. False on failure.
bool writeFileAtomically(const std::string& filePath, std::span<const std::uint8_t> bytes);

} // namespace kinetra
