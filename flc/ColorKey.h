#pragma once

#include <cstdint>

namespace kinetra {

// The source colour key of a surface, both bounds as 0x00RRGGBB; a pixel
// whose colour lies between them is left out when the surface is blitted.
// It lives with the format because a frame's key is a colour of its
// palette.
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

} // namespace kinetra
