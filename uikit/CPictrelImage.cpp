#include "uikit/CPictrelImage.h"

#include "flc/CFlcAnimation.h"
#include "imaging/CPcxImage.h"
#include "imaging/CScreen.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <vector>

namespace {

constexpr std::uint16_t kFlcMagic = 0xAF12;
constexpr std::uint8_t kPcxManufacturer = 0x0A;

std::span<const std::uint8_t> bytesOf(const QByteArray& data)
{
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

bool isFlc(const QByteArray& data)
{
    if (data.size() < 6)
        return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    return std::uint16_t(bytes[4] | (bytes[5] << 8)) == kFlcMagic;
}

// Frames are made through the program's screen. The player may hold one
// already; a preview without a player lends itself one for the decode.
class BorrowedScreen {
public:
    BorrowedScreen()
    {
        if (kinetra::g_pScreen)
            return;
        m_own = std::unique_ptr<kinetra::CScreen>(new (std::nothrow) kinetra::CScreen);
        if (m_own && m_own->Create(nullptr) == kinetra::kOk)
            kinetra::g_pScreen = m_own.get();
    }
    ~BorrowedScreen()
    {
        if (m_own && kinetra::g_pScreen == m_own.get())
            kinetra::g_pScreen = nullptr;
    }
    BorrowedScreen(const BorrowedScreen&) = delete;
    BorrowedScreen& operator=(const BorrowedScreen&) = delete;

private:
    std::unique_ptr<kinetra::CScreen> m_own;
};

QImage indexedToImage(int width, int height, const std::uint8_t* indices, const kinetra::Palette& palette)
{
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw CPictrelException(PICTREL_ERR_MEMORY);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        const std::uint8_t* row = indices + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x)
            line[x] = palette[row[x]].pixel();
    }
    return image;
}

QImage decodeFlc(const QByteArray& data)
{
    QImage image;
    {
        const BorrowedScreen screen;
        // The animation goes before the screen that made its surfaces.
        kinetra::CFlcAnimation animation;
        if (animation.LoadFromMemory(bytesOf(data), true) != kinetra::kOk || animation.frames.empty())
            throw CPictrelException(PICTREL_ERR_DECODE);
        const kinetra::CSurface& frame = *animation.frames.front();
        const kinetra::PlatformSurface* memory = frame.Memory();
        if (!memory)
            throw CPictrelException(PICTREL_ERR_DECODE);
        // The unit's transparent colour shows whatever the preview is drawn on.
        image = QImage(memory->width, memory->height, QImage::Format_ARGB32);
        if (image.isNull())
            throw CPictrelException(PICTREL_ERR_MEMORY);
        const kinetra::ColorKey key = frame.GetColorKey();
        for (int y = 0; y < memory->height; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            const std::uint32_t* row = memory->pixels.get() + std::size_t(y) * std::size_t(memory->width);
            for (int x = 0; x < memory->width; ++x)
                line[x] = key.matches(row[x]) ? 0u : row[x];
        }
    }
    return image;
}

QImage decodePcx(const QByteArray& data)
{
    kinetra::CPcxImage pcx;
    if (pcx.LoadFromMemory(bytesOf(data)) != kinetra::kOk || pcx.width <= 0 || pcx.height <= 0
        || pcx.pixels.size() < std::size_t(pcx.width) * std::size_t(pcx.height))
        throw CPictrelException(PICTREL_ERR_DECODE);
    return indexedToImage(pcx.width, pcx.height, pcx.pixels.data(), pcx.palette);
}

std::uint32_t formatCodeOf(const QByteArray& readerFormat)
{
    const QByteArray format = readerFormat.toLower();
    if (format == "bmp")
        return PICTREL_FORMAT_BMP;
    if (format == "png")
        return PICTREL_FORMAT_PNG;
    if (format == "jpeg" || format == "jpg")
        return PICTREL_FORMAT_JPEG;
    if (format == "gif")
        return PICTREL_FORMAT_GIF;
    if (format == "pcx")
        return PICTREL_FORMAT_PCX;
    return PICTREL_FORMAT_OTHER;
}

} // namespace

QString GetErrorMessage(int code)
{
    switch (code) {
    case PICTREL_ERR_OPEN:
        return QStringLiteral("The file cannot be opened.");
    case PICTREL_ERR_FORMAT:
        return QStringLiteral("The file is not in an image format that can be read.");
    case PICTREL_ERR_DECODE:
        return QStringLiteral("The image data is damaged or incomplete.");
    case PICTREL_ERR_MEMORY:
        return QStringLiteral("There is not enough memory to load the image.");
    default:
        return QStringLiteral("The image cannot be loaded (error %1).").arg(code);
    }
}

void CPictrelImage::LoadFile(const QString& path)
{
    CloseFile();
    QFile file(path);
    if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw CPictrelException(PICTREL_ERR_OPEN);
    QByteArray data;
    try {
        data = file.readAll();
    } catch (const std::bad_alloc&) {
        throw CPictrelException(PICTREL_ERR_MEMORY);
    }
    file.close();

    PictrelImgFileInfo info;
    info.fileName = path;
    QImage image;
    try {
        if (isFlc(data)) {
            info.format = PICTREL_FORMAT_FLC;
            image = decodeFlc(data);
        } else if (!data.isEmpty() && std::uint8_t(data.at(0)) == kPcxManufacturer
                   && QFileInfo(path).suffix().compare(QLatin1String("pcx"), Qt::CaseInsensitive) == 0) {
            info.format = PICTREL_FORMAT_PCX;
            image = decodePcx(data);
        } else {
            QImageReader reader(path);
            reader.setDecideFormatFromContent(true);
            if (!reader.canRead())
                throw CPictrelException(PICTREL_ERR_FORMAT);
            info.format = formatCodeOf(reader.format());
            image = reader.read();
            if (image.isNull())
                throw CPictrelException(PICTREL_ERR_DECODE);
        }
    } catch (const std::bad_alloc&) {
        throw CPictrelException(PICTREL_ERR_MEMORY);
    }
    m_image = std::move(image);
    m_info = info;
}

void CPictrelImage::Render(QPainter& painter, const QRect& rect, int mode) const
{
    (void)mode;
    if (m_image.isNull() || rect.width() <= 0 || rect.height() <= 0)
        return;
    // The largest size with the image's aspect that fits, centred.
    const QSize fitted = m_image.size().scaled(rect.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), fitted);
    target.moveCenter(rect.center());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, m_image);
    painter.restore();
}

void CPictrelImage::CloseFile()
{
    m_image = QImage();
    m_info = PictrelImgFileInfo();
}
