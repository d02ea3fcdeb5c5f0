#include "imaging/StoryboardFile.h"

#include "flc/AtomicFile.h"
#include "flc/WholeFile.h"
#include "imaging/CPcxImage.h"
#include "imaging/ExportImage.h"
#include "imaging/PcxWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace kinetra {

namespace {

std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString textKey()
{
    return QString::fromLatin1(kStoryboardTextKey.data(), qsizetype(kStoryboardTextKey.size()));
}

QImage indexedImage(const Storyboard& storyboard)
{
    const IndexImage& sheet = storyboard.sheet;
    QImage image(sheet.width, sheet.height, QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    QList<QRgb> colours;
    colours.reserve(256);
    for (const PaletteEntry& entry : storyboard.palette)
        colours.push_back(qRgb(entry.red, entry.green, entry.blue));
    image.setColorTable(colours);
    for (int y = 0; y < sheet.height; ++y)
        std::memcpy(image.scanLine(y), sheet.pixels.data() + std::size_t(y) * std::size_t(sheet.width),
                    std::size_t(sheet.width));
    return image;
}

bool writePng(const QString& path, const Storyboard& storyboard, const std::string& note)
{
    QImage image = indexedImage(storyboard);
    if (image.isNull())
        return false;
    image.setText(textKey(),
                  QString::fromStdString(note));
    return WritePngAtomically(image, path);
}

bool writePcx(const QString& path, const Storyboard& storyboard)
{
    const std::vector<std::uint8_t> bytes = encodePcx(storyboard.sheet, storyboard.palette);
    return !bytes.empty() && writeFileAtomically(localPath(path), bytes);
}

// A palette PNG comes in as 8-bit indices; one of two colours as a bitmap,
// which converts with its indices and colours kept. Qt writes a palette that
// is exactly the grey ramp as a grey PNG, whose grey values are the indices.
bool readIndexed(const QImage& loaded, bool hasNote, StoryboardPicture& picture)
{
    QImage image;
    if (loaded.format() == QImage::Format_Indexed8)
        image = loaded;
    else if (loaded.format() == QImage::Format_Mono || loaded.format() == QImage::Format_MonoLSB)
        image = loaded.convertToFormat(QImage::Format_Indexed8);
    else if (loaded.format() == QImage::Format_Grayscale8 && hasNote)
        image = loaded;
    else
        return false;

    picture.indexed = true;
    picture.indices = IndexImage(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(picture.indices.row(y), image.constScanLine(y), std::size_t(image.width()));
    if (image.format() == QImage::Format_Grayscale8) {
        for (int i = 0; i < 256; ++i)
            picture.palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
        picture.paletteSize = 256;
        return true;
    }
    const QList<QRgb> colours = image.colorTable();
    picture.paletteSize = int(std::min<qsizetype>(colours.size(), 256));
    for (int i = 0; i < picture.paletteSize; ++i) {
        const QRgb colour = colours[i];
        picture.palette[std::size_t(i)] =
            PaletteEntry::fromRgb(std::uint8_t(qRed(colour)), std::uint8_t(qGreen(colour)), std::uint8_t(qBlue(colour)));
    }
    return true;
}

bool readPng(const QString& path, StoryboardPicture& picture, std::string& problem)
{
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QImage loaded = reader.read();
    if (loaded.isNull()) {
        problem = "Cannot read the picture: " + reader.errorString().toStdString() + ".";
        return false;
    }
    const QString note = loaded.text(textKey());
    if (!note.isEmpty()) {
        std::string noteProblem;
        // A text chunk that a paint program mangled is no reason to refuse
        // the sheet; the sidecar or the user's options may still do.
        picture.note = readStoryboardNote(note.toStdString(), noteProblem);
    }
    picture.width = loaded.width();
    picture.height = loaded.height();
    const bool hasNote = picture.note.has_value() || QFileInfo::exists(QString::fromStdString(storyboardNotePath(localPath(path))));
    if (readIndexed(loaded, hasNote, picture))
        return true;

    const QImage argb = loaded.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) {
        problem = "Not enough memory for the picture.";
        return false;
    }
    const auto width = std::size_t(argb.width());
    picture.argb.resize(width * std::size_t(argb.height()));
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(picture.argb.data() + std::size_t(y) * width, argb.constScanLine(y), width * sizeof(std::uint32_t));
    return true;
}

bool readPcx(const QString& path, StoryboardPicture& picture, std::string& problem)
{
    CPcxImage pcx;
    if (pcx.Load(localPath(path)) != kOk) {
        problem = "Cannot read the picture: it is not an 8-bit PCX image.";
        return false;
    }
    picture.width = pcx.width;
    picture.height = pcx.height;
    picture.indexed = true;
    picture.indices.width = pcx.width;
    picture.indices.height = pcx.height;
    picture.indices.pixels = std::move(pcx.pixels);
    picture.palette = pcx.palette;
    picture.paletteSize = 256;
    return true;
}

} // namespace

std::optional<StoryboardFormat> storyboardFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return StoryboardFormat::Png;
    if (suffix == QLatin1String("pcx"))
        return StoryboardFormat::Pcx;
    return std::nullopt;
}

bool writeStoryboardFile(const QString& path, const Storyboard& storyboard, std::string& problem)
{
    const auto format = storyboardFormatOf(path);
    if (!format) {
        problem = "A storyboard is written as a .png or .pcx picture.";
        return false;
    }
    const std::string notePath = storyboardNotePath(localPath(path));
    const std::string note = writeStoryboardNote(StoryboardNote{storyboard.layout.facts(), {}});
    const bool hadNote = QFileInfo::exists(QFile::decodeName(notePath.c_str()));
    if (!writeFileAtomically(notePath, std::span(reinterpret_cast<const std::uint8_t*>(note.data()), note.size()))) {
        problem = "Cannot write the file '" + notePath + "'.";
        return false;
    }
    const bool written = *format == StoryboardFormat::Png ? writePng(path, storyboard, note) : writePcx(path, storyboard);
    if (!written) {
        if (!hadNote)
            QFile::remove(QFile::decodeName(notePath.c_str()));
        problem = "Cannot write the file '" + localPath(path) + "'.";
        return false;
    }
    return true;
}

std::optional<StoryboardPicture> readStoryboardFile(const QString& path, std::string& problem)
{
    const auto format = storyboardFormatOf(path);
    if (!format) {
        problem = "A storyboard is read from a .png or .pcx picture.";
        return std::nullopt;
    }
    StoryboardPicture picture;
    const bool read = *format == StoryboardFormat::Png ? readPng(path, picture, problem) : readPcx(path, picture, problem);
    if (!read)
        return std::nullopt;

    if (!picture.note) {
        const std::string notePath = storyboardNotePath(localPath(path));
        std::vector<std::uint8_t> bytes;
        if (QFileInfo::exists(QFile::decodeName(notePath.c_str()))) {
            if (!readWholeFile(notePath, bytes)) {
                problem = "Cannot read the file '" + notePath + "'.";
                return std::nullopt;
            }
            std::string noteProblem;
            picture.note = readStoryboardNote(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), noteProblem);
            if (!picture.note) {
                problem = "'" + notePath + "': " + noteProblem;
                return std::nullopt;
            }
        }
    }
    return picture;
}

} // namespace kinetra
