#include "app/ImageReaders.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcHeader.h"
#include "imaging/CPcxImage.h"
#include "uikit/CPictrelImage.h"

#include <QFileInfo>

#include <span>

namespace {

constexpr std::uint8_t kPcxManufacturer = 0x0A;

std::span<const std::uint8_t> bytesOf(const QByteArray& data)
{
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

bool isFlc(const QByteArray& data, const QString&)
{
    if (data.size() < 6)
        return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    const auto magic = std::uint16_t(bytes[4] | (bytes[5] << 8));
    return kinetra::IsFlcOrFliMagic(magic);
}

bool isPcx(const QByteArray& data, const QString& path)
{
    return !data.isEmpty() && std::uint8_t(data.at(0)) == kPcxManufacturer
        && QFileInfo(path).suffix().compare(QLatin1String("pcx"), Qt::CaseInsensitive) == 0;
}

QImage decodeFlc(const QByteArray& data)
{
    kinetra::CFlcAnimation animation;
    if (animation.LoadFromMemory(bytesOf(data), true) != kinetra::kOk || animation.frames.empty())
        throw CPictrelException(PICTREL_ERR_DECODE);
    QImage image = FrameToImage(animation.frames.front(), animation.paletteOf(animation.frames.front()), animation.colorKeyOf(animation.frames.front()));
    if (image.isNull())
        throw CPictrelException(PICTREL_ERR_MEMORY);
    return image;
}

QImage decodePcx(const QByteArray& data)
{
    kinetra::CPcxImage pcx;
    if (pcx.LoadFromMemory(bytesOf(data)) != kinetra::kOk)
        throw CPictrelException(PICTREL_ERR_DECODE);
    QImage image(pcx.width, pcx.height, QImage::Format_RGB32);
    if (image.isNull())
        throw CPictrelException(PICTREL_ERR_MEMORY);
    for (int y = 0; y < pcx.height; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        const std::uint8_t* row = pcx.pixels.data() + std::size_t(y) * std::size_t(pcx.width);
        for (int x = 0; x < pcx.width; ++x)
            line[x] = pcx.palette[row[x]].pixel();
    }
    return image;
}

} // namespace

QImage FrameToImage(const kinetra::FlcFrame& frame, const kinetra::Palette& palette, kinetra::ColorKey key)
{
    if (!frame.indices || frame.width < 1 || frame.height < 1)
        return {};
    QImage image(frame.width, frame.height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    kinetra::PixelTable pixels = kinetra::pixelTableOf(palette);
    for (std::uint32_t& pixel : pixels)
        pixel = key.matches(pixel) ? 0u : pixel;
    for (int y = 0; y < frame.height; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        const std::uint8_t* row = frame.indices + std::size_t(y) * std::size_t(frame.width);
        for (int x = 0; x < frame.width; ++x)
            line[x] = pixels[row[x]];
    }
    return image;
}

void RegisterKinetraImageReaders()
{
    static const bool registered = [] {
        CPictrelImage::RegisterReader({PICTREL_FORMAT_FLC, isFlc, decodeFlc});
        CPictrelImage::RegisterReader({PICTREL_FORMAT_PCX, isPcx, decodePcx});
        return true;
    }();
    (void)registered;
}
