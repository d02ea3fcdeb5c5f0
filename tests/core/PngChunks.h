#pragma once

// PNG files put together chunk by chunk, for headers no encoder would
// write: a size past any ceiling, a depth the format does not have.

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace kinetra::test {

inline void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(value >> shift));
}

// Appends a chunk of this type and data with its CRC.
inline void appendPngChunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data)
{
    putBigEndian(png, std::uint32_t(data.size()));
    const std::size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    putBigEndian(png, std::uint32_t(crc32(0, png.data() + typeAt, uInt(png.size() - typeAt))));
}

struct PngHeaderFields {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint8_t depth = 8;
    std::uint8_t colourType = 2;
    std::uint8_t interlace = 0;
};

// The signature, a header chunk of these fields and the end chunk: all a
// reader sees before it decides what the file will cost.
inline std::vector<std::uint8_t> pngClaiming(const PngHeaderFields& fields)
{
    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBigEndian(header, fields.width);
    putBigEndian(header, fields.height);
    header.insert(header.end(), {fields.depth, fields.colourType, 0, 0, fields.interlace});
    appendPngChunk(png, "IHDR", header);
    appendPngChunk(png, "IEND", {});
    return png;
}

} // namespace kinetra::test
