#include "imaging/DrawDevice.h"

#include <new>

namespace kinetra {

std::unique_ptr<PlatformSurface> CDrawDevice::CreateSurface(int width, int height)
{
    if (width < 1 || height < 1)
        return nullptr;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    // Left as the system gives it: every surface is drawn whole before it is
    // read, and a frame's pixels come right after their decoding.
    std::unique_ptr<std::uint32_t[]> pixels(new (std::nothrow) std::uint32_t[count]);
    if (!pixels)
        return nullptr;
    auto surface = std::unique_ptr<PlatformSurface>(new (std::nothrow) PlatformSurface);
    if (!surface)
        return nullptr;
    surface->width = width;
    surface->height = height;
    surface->pitch = width * 4;
    surface->pixels = std::move(pixels);
    return surface;
}

} // namespace kinetra
