#include "uikit/CPictrelImage.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <new>
#include <vector>

namespace {

std::vector<PictrelReader>& registeredReaders()
{
    static std::vector<PictrelReader> readers;
    return readers;
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

void CPictrelImage::RegisterReader(PictrelReader reader)
{
    registeredReaders().push_back(std::move(reader));
}

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
        const auto& readers = registeredReaders();
        const auto reader = std::find_if(readers.begin(), readers.end(),
                                         [&](const PictrelReader& r) { return r.accepts(data, path); });
        if (reader != readers.end()) {
            info.format = reader->format;
            image = reader->decode(data);
            if (image.isNull())
                throw CPictrelException(PICTREL_ERR_DECODE);
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
