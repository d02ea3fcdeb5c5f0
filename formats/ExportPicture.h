#pragma once

// The pictures that the codecs of this folder write and the exports hand
// them: plain values, with nothing of the player in them.

#include <cstdint>
#include <vector>

namespace kinetra {

// One picture: pixels 0xAARRGGBB, row by row, no padding (the layout of
// QImage::Format_ARGB32 read as 32-bit words).
struct ExportPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t delayMs = 0;
};

// The frames of an animation, and how they make rows: one row per direction
// for "all directions" of a game animation, otherwise a single row.
struct ExportAnimation {
    std::vector<ExportPicture> frames;
    int framesPerRow = 0;
};

// A rectangle within a picture.
struct ExportRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

} // namespace kinetra
