#pragma once

// Windows BMP pictures, read and written by the program's own bounded
// codec: what paint programs save (GIMP, ImageMagick, Paint) in, 8-bit
// indexed storyboards out.

#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "formats/PictureFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kinetra {

// The file header, the largest info header (V5) and the masks that follow
// a 40-byte one: all readBmpHeader needs.
inline constexpr std::size_t kBmpHeadSize = 14 + 124 + 16;

// What the file header and the info header say.
struct BmpHeader {
    std::uint32_t infoSize = 0;   // 12 for the OS/2 core header, 40 and more for Windows'
    int width = 0;
    int height = 0;               // always positive; `topDown` says the row order
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t pixelOffset = 0;
    // Where the colour table starts, its entries and their size (3 bytes in
    // the core header, else 4).
    std::uint32_t tableOffset = 0;
    int colourCount = 0;
    int colourEntryBytes = 4;
    // Red, green, blue and alpha of a true-colour pixel; alpha 0 for none.
    std::array<std::uint32_t, 4> masks{};
    // A 32-bit BI_RGB picture: its fourth bytes are alpha unless all zero.
    bool alphaIfAny = false;

    std::uint64_t pixels() const { return std::uint64_t(width) * std::uint64_t(height); }
    // One row's bytes, padded to a multiple of 4.
    std::uint64_t rowBytes() const { return (std::uint64_t(width) * std::uint64_t(bitsPerPixel) + 31) / 32 * 4; }
};

// The header at the start of a BMP file. Nothing, with a phrase saying why
// in `problem` (to follow "Cannot read the picture: "), for bytes without
// the mark, an info header of an unknown size, a depth and compression the
// reader does not take (JPEG and PNG inside a BMP are refused), or an
// impossible size.
std::optional<BmpHeader> readBmpHeader(std::span<const std::uint8_t> head, std::string& problem);

// Whether a file of `fileSize` bytes fits its header: the pixels end
// within it, and little besides them (a colour profile) follows. False
// with a phrase as readBmpHeader's.
bool bmpFileSizeFits(const BmpHeader& header, std::uint64_t fileSize, std::string& problem);

// A whole BMP file: 1, 4 and 8 bits through the colour table as Indexed
// (8 and 4 bits also run-length compressed, RLE8 and RLE4),
// 16, 24 and 32 bits as TrueColour (alpha from a 32-bit picture's alpha
// mask, or from its fourth bytes when they are not all zero), rows bottom
// up or top down. Nothing, with a sentence in `problem`, for a damaged
// file, one over `maxPixels`, or when memory runs out.
std::optional<PictureData> decodeBmp(std::span<const std::uint8_t> bytes, std::string& problem,
                                     std::uint64_t maxPixels);

// An 8-bit BI_RGB BMP of all 256 entries of `palette`, bottom-up, rows
// padded to 4 bytes. False, with a sentence in `problem`, for an image
// without pixels or one too large for the format.
bool encodeIndexedBmp(const IndexImage& image, const Palette& palette, std::vector<std::uint8_t>& out,
                      std::string& problem);
// The same with each row made as it is written into `sink`, bottom row
// first; false too when the sink refuses.
bool encodeIndexedBmp(const IndexRows& rows, const Palette& palette, const ByteSink& sink, std::string& problem);

} // namespace kinetra
