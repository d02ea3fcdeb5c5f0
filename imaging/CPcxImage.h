#pragma once

#include "flc/Palette.h"
#include "flc/Result.h"
#include "formats/PcxFormat.h"
#include "imaging/CSurface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kinetra {

// An 8-bit run-length encoded PCX image read whole into memory: the sea and
// land backgrounds and the civilization colour files.
class CPcxImage {
public:
    static constexpr std::size_t kHeaderSize = pcx::kHeaderSize;
    static constexpr std::size_t kPaletteBlockSize = pcx::kPaletteBlockSize;
    static constexpr std::uint8_t kPaletteMarker = pcx::kPaletteMarker;
    static constexpr std::uint8_t kRunFlags = pcx::kRunFlags;
    static constexpr std::uint8_t kRunLengthMask = pcx::kRunLengthMask;
    // A 40-byte bitmap header and 256 colour entries blue, green, red, 0.
    static constexpr std::size_t kBitmapHeaderSize = 40;
    static constexpr std::size_t kBitmapInfoSize = kBitmapHeaderSize + 256 * 4;
    // Headers can claim up to 65536 × 65536 pixels; no picture the program
    // shows comes near this, so larger ones are refused before allocating.
    static constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;

    CPcxImage() = default;
    ~CPcxImage();
    CPcxImage(const CPcxImage&) = delete;
    CPcxImage& operator=(const CPcxImage&) = delete;

    // Reads and decodes the whole file. On failure the image is left freed.
    HResult Load(const std::string& path);
    // The same over bytes already in memory; they are copied into fileData.
    HResult LoadFromMemory(std::span<const std::uint8_t> file);

    // Writes the pixels through the bitmap colours into a surface of the
    // image's width and height.
    HResult DrawToSurface(CSurface& surface) const;

    void Free();

    std::vector<std::uint8_t> bitmapInfo;
    // width × height colour indices, row after row from the top.
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> fileData;
    std::array<std::uint8_t, kHeaderSize> header{};
    Palette palette{};
    std::int32_t width = 0;
    std::int32_t height = 0;

private:
    HResult decode();
};

} // namespace kinetra
