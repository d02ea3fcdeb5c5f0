#include "imaging/CSurface.h"

#include "imaging/CScreen.h"

#include <algorithm>

namespace kinetra {

HResult CSurface::Create(int w, int h)
{
    if (!g_pScreen || !g_pScreen->m_lpDD)
        return kFail;
    return CreateOn(*g_pScreen->m_lpDD, w, h);
}

HResult CSurface::CreateOn(CDrawDevice& device, int w, int h)
{
    if (w < 1 || h < 1 || w > 0x7FFF || h > 0x7FFF)
        return kFail;
    auto surface = device.CreateSurface(w, h);
    if (!surface)
        return kFail;
    m_surface = std::move(surface);
    width = static_cast<std::int16_t>(w);
    height = static_cast<std::int16_t>(h);
    return kOk;
}

HResult CSurface::Lock(std::uint8_t*& bits, int& pitch)
{
    if (!m_surface || m_surface->locked)
        return kFail;
    m_surface->locked = true;
    bits = reinterpret_cast<std::uint8_t*>(m_surface->pixels.get());
    pitch = m_surface->pitch;
    return kOk;
}

void CSurface::Unlock()
{
    if (m_surface)
        m_surface->locked = false;
}

ColorKey CSurface::GetColorKey() const
{
    return m_surface ? m_surface->colorKey : ColorKey{};
}

HResult CSurface::Fill(std::uint32_t rgb)
{
    if (!m_surface || m_surface->locked)
        return kFail;
    const std::size_t count = std::size_t(m_surface->width) * std::size_t(m_surface->height);
    std::fill_n(m_surface->pixels.get(), count, 0xFF000000u | rgb);
    return kOk;
}

HResult CSurface::BlitTo(CSurface& dest, int x, int y) const
{
    const PlatformSurface* src = m_surface.get();
    PlatformSurface* dst = dest.m_surface.get();
    if (!src || !dst || src->locked || dst->locked)
        return kFail;

    // Clip the source rectangle to the destination.
    const int left = std::max(0, -x);
    const int top = std::max(0, -y);
    const int right = std::min(src->width, dst->width - x);
    const int bottom = std::min(src->height, dst->height - y);
    const ColorKey key = src->colorKey;
    for (int row = top; row < bottom; ++row) {
        const std::uint32_t* from = src->pixels.get() + std::size_t(row) * std::size_t(src->width);
        std::uint32_t* to = dst->pixels.get() + std::size_t(row + y) * std::size_t(dst->width) + x;
        for (int col = left; col < right; ++col) {
            if (!key.matches(from[col]))
                to[col] = from[col];
        }
    }
    return kOk;
}

HResult CSurface::BlitAt(int x, int y) const
{
    if (!g_pScreen || !g_pScreen->backBuffer)
        return kFail;
    return BlitTo(*g_pScreen->backBuffer, x, y);
}

} // namespace kinetra
