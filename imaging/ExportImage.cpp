#include "imaging/ExportImage.h"

#include <QImageWriter>
#include <QSaveFile>

#include <cstring>

namespace kinetra {

QImage ExportPictureToImage(const ExportPicture& picture)
{
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    const auto width = std::size_t(picture.width);
    if (picture.pixels.size() < width * std::size_t(picture.height))
        return {};
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    // Format_ARGB32 rows are 0xAARRGGBB words, the picture's own layout.
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(image.scanLine(y), picture.pixels.data() + std::size_t(y) * width, width * sizeof(std::uint32_t));
    return image;
}

bool WritePngAtomically(const QImage& image, const QString& path, QString* reason)
{
    if (image.isNull())
        return false;
    // QSaveFile discards its temporary file unless committed, and never falls
    // back to writing the destination in place.
    QSaveFile file(path);
    const auto failed = [&](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return failed(why);
    }
    return file.commit() || failed(file.errorString());
}

} // namespace kinetra
