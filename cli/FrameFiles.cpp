#include "cli/FrameFiles.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <fstream>
#include <vector>

namespace kinetra::cli {

bool writeFramePng(const FlcFrame& frame, const Palette& palette, const std::string& path)
{
    if (!frame.indices || frame.width < 1 || frame.height < 1)
        return false;
    // 32-bit pixels through the palette are laid out as Format_RGB32
    // already, so QImage can read them in place.
    const std::vector<std::uint32_t> pixels = framePixels(frame, palette);
    const QImage image(reinterpret_cast<const uchar*>(pixels.data()), frame.width, frame.height, frame.width * 4,
                       QImage::Format_RGB32);
    return image.save(QString::fromStdString(path), "PNG");
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
