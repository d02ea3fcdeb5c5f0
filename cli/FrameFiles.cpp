#include "cli/FrameFiles.h"

#include <QImage>
#include <QString>

#include <fstream>

namespace kinetra::cli {

bool writeFramePng(const CSurface& frame, const std::string& path)
{
    const PlatformSurface* memory = frame.Memory();
    if (!memory || !memory->pixels)
        return false;
    // The surface is laid out as Format_RGB32 already, so QImage can read
    // it in place.
    const QImage image(reinterpret_cast<const uchar*>(memory->pixels.get()), memory->width, memory->height,
                       memory->pitch, QImage::Format_RGB32);
    return image.save(QString::fromStdString(path), "PNG");
}

bool writeFramePgm(const CSurface& frame, const std::string& path)
{
    if (!frame.indices || frame.width < 1 || frame.height < 1)
        return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file << "P5\n" << frame.width << ' ' << frame.height << "\n255\n";
    const auto count = static_cast<std::streamsize>(frame.width) * frame.height;
    file.write(reinterpret_cast<const char*>(frame.indices.get()), count);
    file.close();
    return static_cast<bool>(file);
}

} // namespace kinetra::cli
