#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kinetra {

// Reads a regular file whole into `bytes`; false when it cannot be opened or
// read, or is not a regular file.
bool readWholeFile(const std::string& filePath, std::vector<std::uint8_t>& bytes);

} // namespace kinetra
