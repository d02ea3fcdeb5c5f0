#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kinetra {

// An 8-bit image of palette indices, row after row with no gap.
struct IndexImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    IndexImage() = default;
    // Zero-filled; throws std::bad_alloc when the memory cannot be had.
    IndexImage(int w, int h) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), 0) {}

    std::uint8_t* row(int y) { return pixels.data() + std::size_t(y) * std::size_t(width); }
    std::uint8_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

} // namespace kinetra
