#include "formats/PcxReader.h"

#include "formats/PcxFormat.h"

#include <algorithm>
#include <new>

namespace kinetra {

namespace {

constexpr std::uint64_t kMaxExpansion = 32;
constexpr int kTrueColourPlanes = 3;

} // namespace

std::optional<PcxHeader> readPcxHeader(std::span<const std::uint8_t> file)
{
    ByteReader in(file.first(std::min(file.size(), pcx::kHeaderSize)));
    PcxHeader header;
    header.manufacturer = in.u8();
    in.skip(1); // version
    header.encoding = in.u8();
    header.bitsPerPixel = in.u8();
    const std::uint16_t xMin = in.u16();
    const std::uint16_t yMin = in.u16();
    const std::uint16_t xMax = in.u16();
    const std::uint16_t yMax = in.u16();
    in.seek(65);
    header.planes = in.i8();
    header.bytesPerLine = in.u16();
    if (!in.ok() || file.size() < pcx::kHeaderSize)
        return std::nullopt;
    header.width = std::uint16_t(xMax - xMin) + 1;
    header.height = std::uint16_t(yMax - yMin) + 1;
    return header;
}

bool pcxDataCanHold(const PcxHeader& header, std::uint64_t encodedBytes)
{
    return header.decodedBytes() <= encodedBytes * kMaxExpansion;
}

bool pcxFileSizeFits(const PcxHeader& header, std::uint64_t fileSize, std::string& problem)
{
    const std::string size = std::to_string(header.width) + " x " + std::to_string(header.height);
    if (fileSize < pcx::kHeaderSize || !pcxDataCanHold(header, fileSize - pcx::kHeaderSize)) {
        problem = "a PCX of " + size + " pixels cannot fit in " + std::to_string(fileSize) + " bytes";
        return false;
    }
    if (fileSize > pcx::kHeaderSize + 2 * header.decodedBytes() + pcx::kPaletteBlockSize) {
        problem = "the file's " + std::to_string(fileSize) + " bytes are far more than a PCX of " + size
                  + " pixels holds";
        return false;
    }
    return true;
}

bool decodePcxPlane(ByteReader& in, std::span<std::uint8_t> plane)
{
    std::size_t count = 0;
    while (count < plane.size()) {
        const std::uint8_t code = in.u8();
        if (code >= pcx::kRunFlags) {
            const std::size_t run = code & pcx::kRunLengthMask;
            const std::uint8_t value = in.u8();
            if (!in.ok() || run > plane.size() - count)
                return false;
            std::fill_n(plane.begin() + std::ptrdiff_t(count), run, value);
            count += run;
        } else {
            if (!in.ok())
                return false;
            plane[count++] = code;
        }
    }
    return true;
}

std::optional<PcxKind> pcxKindOf(const PcxHeader& header, std::string& problem)
{
    if (header.manufacturer != pcx::kManufacturer) {
        problem = "it is not a PCX picture (its first byte is " + std::to_string(header.manufacturer) + ", not "
                  + std::to_string(pcx::kManufacturer) + ")";
        return std::nullopt;
    }
    if (header.encoding != pcx::kRunLengthEncoding) {
        problem = "the PCX's encoding byte is " + std::to_string(header.encoding)
                  + "; the format defines only the run-length encoding, 1";
        return std::nullopt;
    }
    const bool eightBits = header.bitsPerPixel == 8;
    if (!eightBits || (header.planes != 1 && header.planes != kTrueColourPlanes)) {
        problem = "the PCX has " + std::to_string(header.bitsPerPixel)
                  + (header.bitsPerPixel == 1 ? " bit" : " bits") + " per pixel in "
                  + std::to_string(header.planes) + (header.planes == 1 ? " plane" : " planes")
                  + "; only 8 bits in one plane (256 colours) or in three planes (24-bit colour) are read";
        return std::nullopt;
    }
    if (!header.hasLayout()) {
        problem = "the PCX's lines of " + std::to_string(header.bytesPerLine) + " bytes cannot hold its "
                  + std::to_string(header.width) + " pixels";
        return std::nullopt;
    }
    return header.planes == 1 ? PcxKind::Indexed : PcxKind::TrueColour;
}

bool hasPcxPaletteBlock(std::span<const std::uint8_t> file)
{
    return file.size() >= pcx::kHeaderSize + pcx::kPaletteBlockSize
        && file[file.size() - pcx::kPaletteBlockSize] == pcx::kPaletteMarker;
}

std::optional<std::vector<std::uint32_t>> decodePcxTrueColour(std::span<const std::uint8_t> file,
                                                              const PcxHeader& header)
{
    std::string problem;
    if (pcxKindOf(header, problem) != PcxKind::TrueColour || file.size() < pcx::kHeaderSize
        || !pcxDataCanHold(header, file.size() - pcx::kHeaderSize))
        return std::nullopt;
    const auto width = std::size_t(header.width);
    const auto planeBytes = std::size_t(header.bytesPerLine);
    try {
        std::vector<std::uint8_t> line(kTrueColourPlanes * planeBytes);
        std::vector<std::uint32_t> pixels(width * std::size_t(header.height));
        ByteReader in(file.subspan(pcx::kHeaderSize));
        auto out = pixels.begin();
        for (int row = 0; row < header.height; ++row) {
            for (std::size_t plane = 0; plane < kTrueColourPlanes; ++plane) {
                if (!decodePcxPlane(in, std::span(line).subspan(plane * planeBytes, planeBytes)))
                    return std::nullopt;
            }
            const std::uint8_t* red = line.data();
            const std::uint8_t* green = red + planeBytes;
            const std::uint8_t* blue = green + planeBytes;
            for (std::size_t x = 0; x < width; ++x)
                *out++ = 0xFF000000u | std::uint32_t(red[x]) << 16 | std::uint32_t(green[x]) << 8 | blue[x];
        }
        return pixels;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<IndexImage> decodePcxIndexed(std::span<const std::uint8_t> file, const PcxHeader& header)
{
    std::string problem;
    if (pcxKindOf(header, problem) != PcxKind::Indexed || file.size() < pcx::kHeaderSize
        || !pcxDataCanHold(header, file.size() - pcx::kHeaderSize))
        return std::nullopt;
    try {
        IndexImage image(header.width, header.height);
        std::vector<std::uint8_t> line(std::size_t(header.bytesPerLine));
        ByteReader in(file.subspan(pcx::kHeaderSize));
        for (int row = 0; row < header.height; ++row) {
            if (!decodePcxPlane(in, line))
                return std::nullopt;
            std::copy_n(line.begin(), header.width, image.row(row));
        }
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

Palette pcxPaletteBlock(std::span<const std::uint8_t> file)
{
    Palette palette{};
    if (!hasPcxPaletteBlock(file))
        return palette;
    ByteReader in(file.last(pcx::kPaletteBlockSize - 1));
    for (PaletteEntry& entry : palette) {
        const std::uint8_t red = in.u8();
        const std::uint8_t green = in.u8();
        entry = PaletteEntry::fromRgb(red, green, in.u8());
    }
    return palette;
}

} // namespace kinetra
