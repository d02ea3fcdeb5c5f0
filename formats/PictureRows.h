#pragma once

// Pictures handed to an encoder a row at a time, each row made when it is
// asked for, so that a picture far larger than what it is made of (a sheet
// of every frame) is never held whole.

#include "flc/IndexImage.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace kinetra {

// An 8-bit picture's rows.
struct IndexRows {
    int width = 0;
    int height = 0;
    // Fills `row` (width indices) with row y; rows may be asked in any order.
    std::function<void(int y, std::uint8_t* row)> fill;
};

// The rows of an image held whole, which must outlive them.
inline IndexRows rowsOf(const IndexImage& image)
{
    return {image.width, image.height, [&image](int y, std::uint8_t* row) {
                std::copy_n(image.pixels.data() + std::size_t(y) * std::size_t(image.width), image.width, row);
            }};
}

// A 32-bit picture's rows.
struct ArgbRows {
    int width = 0;
    int height = 0;
    // Fills `row` (width pixels, 0xAARRGGBB) with row y, the same each time
    // it is asked; false when it cannot (out of memory, cancelled).
    std::function<bool(int y, std::uint32_t* row)> fill;
};

} // namespace kinetra
