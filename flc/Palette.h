#pragma once

#include <array>
#include <cstdint>

namespace kinetra {

// One palette entry in the byte order of a 32-bit pixel: blue, green, red and
// a reserved byte. Read as a little-endian number it is 0x00RRGGBB.
struct PaletteEntry {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;

    constexpr std::uint32_t rgb() const
    {
        return (std::uint32_t(red) << 16) | (std::uint32_t(green) << 8) | blue;
    }
    // The 32-bit pixel of this colour: blue, green, red, 255.
    constexpr std::uint32_t pixel() const { return 0xFF000000u | rgb(); }

    static constexpr PaletteEntry fromRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        return PaletteEntry{b, g, r, 0};
    }

    friend constexpr bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

using Palette = std::array<PaletteEntry, 256>;

} // namespace kinetra
