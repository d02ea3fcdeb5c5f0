#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <system_error>

namespace kinetra {

// Writes `bytes` to `filePath` so that the file is at every moment either as
// it was or complete: the bytes go to a temporary file in the same folder,
// which is renamed over the destination in one step.
// - A symbolic link stays a link: the file it points to is the one written,
//   and the temporary file lies beside that file.
// - A file that is replaced keeps its permissions, and its owner and group
//   where the writer may keep them; a new one gets the usual 0666 less the
//   umask.
// - A destination the user may not write is refused (a rename would replace
//   it regardless).
// - A writable file in a folder where no temporary file can be made is still
//   written: the complete bytes go to a temporary file in the system's
//   temporary folder first, then over the file itself.
// On any failure the destination is untouched (but for that last case) and
// no temporary file remains. False on failure, with the system's reason in
// `error`.
bool writeFileAtomically(const std::string& filePath, std::span<const std::uint8_t> bytes, std::error_code& error);
bool writeFileAtomically(const std::string& filePath, std::span<const std::uint8_t> bytes);

} // namespace kinetra
