#include "formats/PictureFile.h"

#include "flc/FlcFrame.h"
#include "formats/BmpFile.h"
#include "formats/PcxFormat.h"
#include "formats/PcxReader.h"
#include "formats/PcxWriter.h"
#include "io/WholeFile.h"

#include <algorithm>

namespace kinetra {

namespace {

std::optional<PictureData> cannotOpen(std::string& problem)
{
    problem = "Cannot read the picture: the file cannot be opened.";
    return std::nullopt;
}

// The file's first `count` bytes and its size: what a reader checks
// before it reads any more.
bool readHead(const std::string& path, std::size_t count, std::vector<std::uint8_t>& head, std::uintmax_t& size)
{
    const auto fileSize = regularFileSize(path);
    if (!readFileHead(path, count, head) || !fileSize)
        return false;
    size = *fileSize;
    return true;
}

std::optional<PictureData> readPng(const std::string& path, std::string& problem, const PictureSizeCheck& fits)
{
    auto png = readPngFile(path, problem, [&fits](const PngHeader& header, std::string& tooLarge) {
        return fits(header.width, header.height, tooLarge);
    });
    if (!png)
        return std::nullopt;
    PictureData picture;
    picture.width = png->width;
    picture.height = png->height;
    picture.kind = png->kind == PngPicture::Kind::Indexed ? PictureData::Kind::Indexed
                   : png->kind == PngPicture::Kind::Grey  ? PictureData::Kind::Grey
                                                          : PictureData::Kind::TrueColour;
    picture.indices = std::move(png->indices);
    picture.palette = png->palette;
    picture.paletteSize = png->paletteSize;
    picture.argb = std::move(png->argb);
    picture.texts = std::move(png->texts);
    return picture;
}

std::optional<PictureData> readPcx(const std::string& path, std::string& problem, const PictureSizeCheck& fits)
{
    std::vector<std::uint8_t> bytes;
    std::uintmax_t size = 0;
    if (!readHead(path, pcx::kHeaderSize, bytes, size))
        return cannotOpen(problem);
    std::string why = "the file is shorter than a PCX header";
    const auto header = readPcxHeader(bytes);
    const auto kind = header ? pcxKindOf(*header, why) : std::nullopt;
    if (kind && !fits(std::uint64_t(header->width), std::uint64_t(header->height), problem))
        return std::nullopt;
    if (!kind || !pcxFileSizeFits(*header, size, why)) {
        problem = "Cannot read the picture: " + why + ".";
        return std::nullopt;
    }
    if (!readWholeFile(path, bytes, size))
        return cannotOpen(problem);
    PictureData picture;
    picture.width = header->width;
    picture.height = header->height;
    const auto damaged = [&problem] {
        problem = "Cannot read the picture: the PCX's pixel data is damaged.";
        return std::nullopt;
    };
    if (*kind == PcxKind::TrueColour) {
        auto pixels = decodePcxTrueColour(bytes, *header);
        if (!pixels)
            return damaged();
        picture.argb = std::move(*pixels);
        return picture;
    }
    if (!hasPcxPaletteBlock(bytes)) {
        problem = "Cannot read the picture: the 8-bit PCX has no 256-colour palette at its end.";
        return std::nullopt;
    }
    auto indices = decodePcxIndexed(bytes, *header);
    if (!indices)
        return damaged();
    picture.kind = PictureData::Kind::Indexed;
    picture.indices = std::move(*indices);
    picture.palette = pcxPaletteBlock(bytes);
    picture.paletteSize = 256;
    return picture;
}

std::optional<PictureData> readBmp(const std::string& path, std::string& problem, const PictureSizeCheck& fits)
{
    std::vector<std::uint8_t> bytes;
    std::uintmax_t size = 0;
    if (!readHead(path, kBmpHeadSize, bytes, size))
        return cannotOpen(problem);
    std::string why;
    const auto header = readBmpHeader(bytes, why);
    if (header && !fits(std::uint64_t(header->width), std::uint64_t(header->height), problem))
        return std::nullopt;
    if (!header || !bmpFileSizeFits(*header, size, why)) {
        problem = "Cannot read the picture: " + why + ".";
        return std::nullopt;
    }
    if (!readWholeFile(path, bytes, size))
        return cannotOpen(problem);
    return decodeBmp(bytes, problem, header->pixels());
}

} // namespace

std::optional<PictureFormat> pictureFormatOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return std::nullopt;
    std::string suffix = path.substr(dot + 1);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    if (suffix == "png")
        return PictureFormat::Png;
    if (suffix == "pcx")
        return PictureFormat::Pcx;
    if (suffix == "bmp")
        return PictureFormat::Bmp;
    return std::nullopt;
}

std::optional<PictureData> readPictureFile(const std::string& path, std::string& problem, const PictureSizeCheck& fits)
{
    const auto format = pictureFormatOf(path);
    if (!format) {
        problem = "Cannot read the picture: it is not a .png, .pcx or .bmp file.";
        return std::nullopt;
    }
    switch (*format) {
    case PictureFormat::Png:
        return readPng(path, problem, fits);
    case PictureFormat::Pcx:
        return readPcx(path, problem, fits);
    case PictureFormat::Bmp:
        return readBmp(path, problem, fits);
    }
    return std::nullopt;
}

std::optional<PictureData> readPictureFile(const std::string& path, std::string& problem, std::uint64_t maxPixels)
{
    return readPictureFile(path, problem, [maxPixels](std::uint64_t width, std::uint64_t height, std::string& tooLarge) {
        if (width == 0 || height <= maxPixels / width)
            return true;
        tooLarge = "Cannot read the picture: its " + std::to_string(width) + " x " + std::to_string(height)
                   + " pixels are more than the " + std::to_string(maxPixels) + " it may have.";
        return false;
    });
}

std::vector<std::uint32_t> argbPixels(const PictureData& picture)
{
    if (picture.kind == PictureData::Kind::TrueColour)
        return picture.argb;
    const PixelTable table = pixelTableOf(picture.palette);
    std::vector<std::uint32_t> pixels(picture.indices.pixels.size());
    std::transform(picture.indices.pixels.begin(), picture.indices.pixels.end(), pixels.begin(),
                   [&table](std::uint8_t index) { return table[index]; });
    return pixels;
}

bool encodeIndexedPicture(PictureFormat format, const IndexRows& rows, const Palette& palette,
                          std::span<const PngText> texts, const ByteSink& sink, std::string& problem)
{
    switch (format) {
    case PictureFormat::Png: {
        std::string error;
        if (encodeIndexedPng(rows, palette, texts, sink, error))
            return true;
        problem = "Cannot encode the PNG: " + error + ".";
        return false;
    }
    case PictureFormat::Pcx:
        if (encodePcx(rows, palette, sink))
            return true;
        problem = "Cannot encode the PCX: a PCX picture is at most 65535 pixels wide and high.";
        return false;
    case PictureFormat::Bmp:
        return encodeIndexedBmp(rows, palette, sink, problem);
    }
    return false;
}

bool encodeIndexedPicture(PictureFormat format, const IndexImage& image, const Palette& palette,
                          std::span<const PngText> texts, std::vector<std::uint8_t>& out, std::string& problem)
{
    out.clear();
    if (image.pixels.size() < std::size_t(std::max(image.width, 0)) * std::size_t(std::max(image.height, 0))) {
        problem = "Cannot encode the picture: the pixels do not fill it.";
        return false;
    }
    if (format == PictureFormat::Png) {
        // Held whole, a palette PNG without text is compressed by libdeflate.
        std::string error;
        if (encodeIndexedPng(image, palette, texts, out, error))
            return true;
        problem = "Cannot encode the PNG: " + error + ".";
        return false;
    }
    if (encodeIndexedPicture(format, rowsOf(image), palette, texts, appendingTo(out), problem))
        return true;
    out.clear();
    return false;
}

} // namespace kinetra
