#pragma once

#include "flc/ColorKey.h"

#include <cstdint>
#include <memory>

namespace kinetra {

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
