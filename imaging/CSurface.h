#pragma once

#include "flc/Result.h"
#include "imaging/DrawDevice.h"

#include <cstdint>
#include <memory>

namespace kinetra {

// A 32-bit off-screen image with a source colour key, made through the
// screen's device.
class CSurface {
public:
    CSurface() = default;
    virtual ~CSurface() = default;
    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;

    // Fails while there is no screen, for a size below 1 and when the
    // memory cannot be had. The colour key starts as magenta.
    HResult Create(int width, int height);
    // The same through a given device; the screen makes its own buffers so.
    HResult CreateOn(CDrawDevice& device, int width, int height);

    // Locks the pixels for writing. Fails when there is no surface or it is
    // locked already.
    HResult Lock(std::uint8_t*& bits, int& pitch);
    void Unlock();

    ColorKey GetColorKey() const;

    // Fills the whole surface with a 0x00RRGGBB colour.
    HResult Fill(std::uint32_t rgb);

    // The player calls neither blit: it composes each picture in one pass
    // through PictureCompose.
    // Copies this surface onto `dest` with its top-left corner at (x, y),
    // leaving out pixels that match the colour key and anything outside
    // `dest`.
    HResult BlitTo(CSurface& dest, int x, int y) const;
    // The same onto the screen's back buffer.
    HResult BlitAt(int x, int y) const;

    bool IsCreated() const { return m_surface != nullptr; }
    // The pixels, for presenting and for drawing a whole picture: null
    // before Create.
    const PlatformSurface* Memory() const { return m_surface.get(); }
    PlatformSurface* Memory() { return m_surface.get(); }

    std::int16_t width = 0;
    std::int16_t height = 0;

private:
    std::unique_ptr<PlatformSurface> m_surface;
};

} // namespace kinetra
