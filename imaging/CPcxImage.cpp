#include "imaging/CPcxImage.h"

#include "formats/PcxReader.h"
#include "io/ByteReader.h"
#include "io/WholeFile.h"

#include <algorithm>
#include <new>
#include <optional>

namespace kinetra {

namespace {

void putU16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
}

void putU32(std::uint8_t* at, std::uint32_t value)
{
    putU16(at, std::uint16_t(value));
    putU16(at + 2, std::uint16_t(value >> 16));
}

} // namespace

CPcxImage::~CPcxImage()
{
    Free();
}

void CPcxImage::Free()
{
    // Assigning empty vectors gives the memory back, which clear() would not.
    fileData = {};
    pixels = {};
    bitmapInfo = {};
    header.fill(0);
    palette = Palette{};
    width = 0;
    height = 0;
}

HResult CPcxImage::Load(const std::string& path)
{
    Free();
    if (path.empty() || !readWholeFile(path, fileData)) {
        Free();
        return kFail;
    }
    const HResult result = decode();
    if (result != kOk)
        Free();
    return result;
}

HResult CPcxImage::LoadFromMemory(std::span<const std::uint8_t> file)
{
    Free();
    try {
        fileData.assign(file.begin(), file.end());
    } catch (const std::bad_alloc&) {
        Free();
        return kFail;
    }
    const HResult result = decode();
    if (result != kOk)
        Free();
    return result;
}

HResult CPcxImage::decode()
{
    if (fileData.size() < kHeaderSize)
        return kFail;
    std::copy_n(fileData.begin(), kHeaderSize, header.begin());
    const auto layout = readPcxHeader(fileData);
    if (!layout || !layout->hasLayout())
        return kFail;

    const std::uint64_t pixelCount = std::uint64_t(layout->width) * std::uint64_t(layout->height);
    const std::uint64_t planeBytes = std::uint64_t(layout->bytesPerLine);
    const std::uint64_t lineBytes = std::uint64_t(layout->planes) * planeBytes;
    if (pixelCount > kMaxPixels || !pcxDataCanHold(*layout, fileData.size() - kHeaderSize))
        return kFail;

    std::vector<std::uint8_t> line;
    try {
        line.resize(lineBytes);
        pixels.resize(pixelCount);
        bitmapInfo.assign(kBitmapInfoSize, 0);
    } catch (const std::bad_alloc&) {
        return kFail;
    }

    // Only plane 0 holds the colour indices of an 8-bit image; further planes
    // are decoded to keep the read position right and then dropped.
    const std::size_t rowBytes = std::size_t(layout->width);
    ByteReader in(std::span<const std::uint8_t>(fileData).subspan(kHeaderSize));
    for (std::int32_t row = 0; row < layout->height; ++row) {
        for (std::int32_t plane = 0; plane < layout->planes; ++plane) {
            const auto target = std::span<std::uint8_t>(line).subspan(std::size_t(plane) * planeBytes, planeBytes);
            if (!decodePcxPlane(in, target))
                return kFail;
        }
        std::copy_n(line.begin(), rowBytes, pixels.begin() + std::ptrdiff_t(std::size_t(row) * rowBytes));
    }
    width = layout->width;
    height = layout->height;

    std::uint8_t* info = bitmapInfo.data();
    putU32(info, std::uint32_t(kBitmapHeaderSize));
    putU32(info + 4, std::uint32_t(width));
    putU32(info + 8, std::uint32_t(height));
    putU16(info + 12, 1);
    putU16(info + 14, 8);

    // Files without the marker keep the all-black palette Free left behind.
    if (hasPcxPaletteBlock(fileData)) {
        ByteReader tail(fileData);
        tail.seek(fileData.size() - kPaletteBlockSize + 1);
        std::uint8_t* colours = info + kBitmapHeaderSize;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const std::uint8_t red = tail.u8();
            const std::uint8_t green = tail.u8();
            const std::uint8_t blue = tail.u8();
            palette[i] = PaletteEntry::fromRgb(red, green, blue);
            colours[4 * i] = blue;
            colours[4 * i + 1] = green;
            colours[4 * i + 2] = red;
        }
    }
    return kOk;
}

HResult CPcxImage::DrawToSurface(CSurface& surface) const
{
    if (pixels.empty() || bitmapInfo.size() != kBitmapInfoSize)
        return kFail;
    if (!surface.IsCreated() || surface.width != width || surface.height != height)
        return kFail;

    std::uint8_t* bits = nullptr;
    int pitch = 0;
    if (surface.Lock(bits, pitch) != kOk)
        return kFail;
    const std::size_t rowBytes = std::size_t(width);
    if (!bits || pitch < 0 || std::size_t(pitch) < rowBytes * 4) {
        surface.Unlock();
        return kFail;
    }

    const std::uint8_t* colours = bitmapInfo.data() + kBitmapHeaderSize;
    for (std::size_t row = 0; row < std::size_t(height); ++row) {
        const std::uint8_t* from = pixels.data() + row * rowBytes;
        std::uint8_t* to = bits + row * std::size_t(pitch);
        for (std::size_t col = 0; col < rowBytes; ++col, to += 4) {
            const std::uint8_t* colour = colours + 4 * std::size_t(from[col]);
            to[0] = colour[0];
            to[1] = colour[1];
            to[2] = colour[2];
            to[3] = 0xFF;
        }
    }
    surface.Unlock();
    return kOk;
}

} // namespace kinetra
