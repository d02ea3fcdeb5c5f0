#include "imaging/CScreen.h"

#include <new>

namespace kinetra {

CScreen* g_pScreen = nullptr;

CScreen::~CScreen()
{
    Shutdown();
}

HResult CScreen::Create(WindowHandle hWnd)
{
    window = hWnd;
    m_lpDD.reset(new (std::nothrow) CDrawDevice);
    return m_lpDD ? kOk : kFail;
}

HResult CScreen::Initialize(int w, int h)
{
    if (!m_lpDD)
        return kFail;

    // Made again for another picture size: the buffers in use stay until
    // the new ones are there.
    auto front = std::unique_ptr<CSurface>(new (std::nothrow) CSurface);
    auto back = std::unique_ptr<CSurface>(new (std::nothrow) CSurface);
    if (!front || !back || back->CreateOn(*m_lpDD, w, h) != kOk)
        return kFail;
    width = w;
    height = h;
    primary = std::move(front);
    backBuffer = std::move(back);
    return backBuffer->Fill(0);
}

HResult CScreen::ClearBackBuffer(std::uint32_t color)
{
    if (!backBuffer)
        return kOk;
    return backBuffer->Fill(color);
}

HResult CScreen::Present()
{
    if (!primary || !backBuffer)
        return kOk;
    if (m_presenter)
        m_presenter(*backBuffer);
    return kOk;
}

void CScreen::Shutdown()
{
    primary.reset();
    backBuffer.reset();
    m_lpDD.reset();
    if (g_pScreen == this)
        g_pScreen = nullptr;
}

} // namespace kinetra
