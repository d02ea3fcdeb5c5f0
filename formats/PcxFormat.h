#pragma once

// The byte layout of an 8-bit PCX file, shared by its reader and its writer.

#include <cstddef>
#include <cstdint>

namespace kinetra::pcx {

inline constexpr std::size_t kHeaderSize = 128;
// The header's first byte, ZSoft's mark, and its encoding byte for the
// run-length encoding, the only one the format defines.
inline constexpr std::uint8_t kManufacturer = 10;
inline constexpr std::uint8_t kRunLengthEncoding = 1;
// The marker byte 0x0C and 256 triples red, green, blue at the file's end.
inline constexpr std::size_t kPaletteBlockSize = 769;
inline constexpr std::uint8_t kPaletteMarker = 0x0C;
// A byte with both top bits set counts a run of the byte behind it.
inline constexpr std::uint8_t kRunFlags = 0xC0;
inline constexpr std::uint8_t kRunLengthMask = 0x3F;

} // namespace kinetra::pcx
