#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>

class QPainter;
class QRect;

// Format codes of the image class.
enum : std::uint32_t {
    PICTREL_FORMAT_UNKNOWN = 0,
    PICTREL_FORMAT_BMP = 1,
    PICTREL_FORMAT_PNG = 2,
    PICTREL_FORMAT_JPEG = 3,
    PICTREL_FORMAT_GIF = 4,
    PICTREL_FORMAT_PCX = 10,
    PICTREL_FORMAT_OTHER = 99,
    PICTREL_FORMAT_FLC = 134,
};

// Error codes of the image class.
enum : int {
    PICTREL_ERR_OPEN = 1,        // the file cannot be opened
    PICTREL_ERR_FORMAT = 2,      // not an image format it knows
    PICTREL_ERR_DECODE = 3,      // a known format, but damaged
    PICTREL_ERR_MEMORY = 4,
};

class CPictrelException {
public:
    explicit CPictrelException(int code) : m_nCode(code) {}
    int m_nCode;
};

// The readable text of an error code.
QString GetErrorMessage(int code);

struct PictrelImgFileInfo {
    std::uint32_t format = PICTREL_FORMAT_UNKNOWN;
    QString fileName;
};

// A reader for a format that Qt does not read: the program plugs in its own
// (the FLC reader, the PCX reader). `decode` throws CPictrelException.
struct PictrelReader {
    std::uint32_t format = PICTREL_FORMAT_OTHER;
    std::function<bool(const QByteArray& data, const QString& path)> accepts;
    std::function<QImage(const QByteArray& data)> decode;
};

// A preview image: a file through the first registered reader that accepts
// it, any other image through Qt's readers.
class CPictrelImage {
public:
    // Adds a reader, asked before the later ones and before Qt's.
    static void RegisterReader(PictrelReader reader);

    // Loads or throws CPictrelException.
    void LoadFile(const QString& path);
    bool IsLoaded() const { return !m_image.isNull(); }
    // Draws the image fitted into rect, keeping its aspect, without
    // smoothing; mode 2 is the only mode.
    void Render(QPainter& painter, const QRect& rect, int mode = 2) const;
    PictrelImgFileInfo GetImgFileInfo() const { return m_info; }
    void CloseFile();
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
    PictrelImgFileInfo m_info;
};
