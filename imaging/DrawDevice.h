#pragma once

#include <cstdint>
#include <memory>

namespace kinetra {

// The source colour key of a surface, both bounds as 0x00RRGGBB; a pixel
// whose colour lies between them is left out when the surface is blitted.
struct ColorKey {
    std::uint32_t low = 0x00FF00FF;
    std::uint32_t high = 0x00FF00FF;

    constexpr bool matches(std::uint32_t pixel) const
    {
        const std::uint32_t rgb = pixel & 0x00FFFFFFu;
        return rgb >= low && rgb <= high;
    }
    static constexpr ColorKey single(std::uint32_t rgb) { return {rgb, rgb}; }
    friend constexpr bool operator==(const ColorKey&, const ColorKey&) = default;
};

// Off-screen memory of one surface: 32 bits per pixel in the byte order
// blue, green, red, 255 (the layout of QImage::Format_RGB32), rows `pitch`
// bytes apart.
struct PlatformSurface {
    int width = 0;
    int height = 0;
    int pitch = 0;
    std::unique_ptr<std::uint32_t[]> pixels;
    ColorKey colorKey;
    bool locked = false;
};

// What the screen's device object does for the rest of the program: make
// surfaces, their pixels not yet drawn. Returns null when the memory cannot
// be had.
class CDrawDevice {
public:
    virtual ~CDrawDevice() = default;
    virtual std::unique_ptr<PlatformSurface> CreateSurface(int width, int height);
};

} // namespace kinetra
