#include "cli/FrameFiles.h"

#include "formats/PngFile.h"

#include <string>


namespace kinetra::cli {

namespace {

bool encodePgm(const FlcFrame& frame, std::vector<std::uint8_t>& bytes)
{
    const std::string head =
        "P5\n" + std::to_string(frame.width) + ' ' + std::to_string(frame.height) + "\n255\n";
    bytes.assign(head.begin(), head.end());
    const auto pixels = frame.pixels();
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return true;
}

} // namespace

bool encodeFrame(const FlcFrame& frame, const Palette& palette, FrameFormat format, std::vector<std::uint8_t>& bytes,
                 std::string& problem)
{
    if (!frame.indices || frame.width < 1 || frame.height < 1) {
        problem = "The frame is empty.";
        return false;
    }
    std::string error;
    bool encoded = false;
    switch (format) {
    case FrameFormat::IndexPgm:
        return encodePgm(frame, bytes);
    case FrameFormat::PalettePng:
        encoded = encodeUsedColoursPng(frame.pixels(), frame.width, frame.height, palette, bytes, error);
        break;
    case FrameFormat::TrueColourPng: {
        // A frame through its palette is opaque.
        ExportPicture picture;
        picture.width = frame.width;
        picture.height = frame.height;
        picture.pixels = framePixels(frame, palette);
        encoded = encodeArgbPng(picture, PngChannels::Rgb, bytes, error);
        break;
    }
    }
    if (!encoded)
        problem = "Cannot encode the PNG: " + error + ".";
    return encoded;
}

} // namespace kinetra::cli
