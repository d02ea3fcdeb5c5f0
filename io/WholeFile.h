#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// Reads a regular file whole into `bytes`; false when it cannot be opened or
// read, is not a regular file, or is larger than `maxSize` (nothing is read
// then).
bool readWholeFile(const std::string& filePath, std::vector<std::uint8_t>& bytes,
                   std::uintmax_t maxSize = 0xFFFFFFFFu);

// The first `count` bytes of a regular file, fewer when it is shorter: what
// a reader checks before it reads any more. False when it cannot be read.
bool readFileHead(const std::string& filePath, std::size_t count, std::vector<std::uint8_t>& bytes);

// The size of a regular file; nothing for anything else.
std::optional<std::uintmax_t> regularFileSize(const std::string& filePath);

} // namespace kinetra
