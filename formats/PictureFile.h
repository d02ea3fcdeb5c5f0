#pragma once

// Every picture file the program takes, read one way whatever its format,
// and the 8-bit pictures it writes, chosen by the path's extension: PNG,
// PCX and BMP.

#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "formats/PngFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kinetra {

enum class PictureFormat { Png, Pcx, Bmp };

// The format a file name's extension (what follows its last dot) names, in
// any case; nothing for any other.
std::optional<PictureFormat> pictureFormatOf(const std::string& path);

// What a picture file holds.
struct PictureData {
    int width = 0;
    int height = 0;
    // As PngPicture::Kind: Indexed (a palette of `paletteSize` colours, the
    // rest black), Grey (8-bit grey values as indices, the grey ramp as the
    // palette) or TrueColour (`argb`).
    enum class Kind { Indexed, Grey, TrueColour } kind = Kind::TrueColour;
    IndexImage indices;
    Palette palette{};
    int paletteSize = 0;
    // 0xAARRGGBB, row after row from the top.
    std::vector<std::uint32_t> argb;
    // PNG text chunks in file order.
    std::vector<PngText> texts;
};

// The caller's say on a picture's size, asked from its header before the
// rest of the file is read; it refuses with a sentence in `problem`.
using PictureSizeCheck = std::function<bool(std::uint64_t width, std::uint64_t height, std::string& problem)>;

// Reads the header first, so that a file of another format, one over the
// caller's size and one whose size does not fit its header are refused
// before the rest is read; then decodes the whole file. Nothing, with a
// sentence in `problem`, on failure ("Cannot read the picture: ...").
// A PCX is 8 bits in one plane with its 256 colours (indexed) or in three
// planes (true colour); a BMP as decodeBmp reads it.
std::optional<PictureData> readPictureFile(const std::string& path, std::string& problem, const PictureSizeCheck& fits);
// The same, for pictures of at most `maxPixels`.
std::optional<PictureData> readPictureFile(const std::string& path, std::string& problem, std::uint64_t maxPixels);

// Every pixel as 0xAARRGGBB, whatever the kind (indices through their
// palette, opaque).
std::vector<std::uint32_t> argbPixels(const PictureData& picture);

// An 8-bit picture of all 256 entries of `palette` in the format; a PNG
// carries `texts`, the others have no place for them. False, with a
// sentence in `problem`, when the format cannot hold the picture.
bool encodeIndexedPicture(PictureFormat format, const IndexImage& image, const Palette& palette,
                          std::span<const PngText> texts, std::vector<std::uint8_t>& out, std::string& problem);
// The same with each row made as it is written into `sink`, so that the
// picture is never held whole.
bool encodeIndexedPicture(PictureFormat format, const IndexRows& rows, const Palette& palette,
                          std::span<const PngText> texts, const ByteSink& sink, std::string& problem);

} // namespace kinetra
