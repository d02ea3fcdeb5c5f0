#include "cli/FrameFiles.h"

#include "formats/PngFile.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace kinetra::cli {

bool writeFramePng(const FlcFrame& frame, const Palette& palette, const std::string& path)
{
    if (!frame.indices || frame.width < 1 || frame.height < 1)
        return false;
    // A frame through its palette is opaque.
    ExportPicture picture;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.pixels = framePixels(frame, palette);
    std::string error;
    return writeArgbPng(path, picture, PngChannels::Rgb, error);
}

bool writeFramePgm(const FlcFrame& frame, const std::string& path)
{
    if (!frame.indices || frame.width < 1 || frame.height < 1)
        return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file << "P5\n" << frame.width << ' ' << frame.height << "\n255\n";
    file.write(reinterpret_cast<const char*>(frame.indices), static_cast<std::streamsize>(frame.size()));
    file.close();
    return static_cast<bool>(file);
}

} // namespace kinetra::cli
