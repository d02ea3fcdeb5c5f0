#pragma once

#include "flc/Result.h"
#include "imaging/CSurface.h"
#include "imaging/DrawDevice.h"

#include <functional>
#include <memory>

namespace kinetra {

// The one screen of the program: the device that makes every surface and the
// back buffer each picture is composed in. `Present` hands the back buffer to
// whatever shows it (the picture widget, or nothing in a headless run).
class CScreen {
public:
    using WindowHandle = void*;
    using Presenter = std::function<void(const CSurface& backBuffer)>;

    CScreen() = default;
    virtual ~CScreen();
    CScreen(const CScreen&) = delete;
    CScreen& operator=(const CScreen&) = delete;

    // Records the window and makes the device.
    HResult Create(WindowHandle hWnd);
    // Makes the primary and the width × height back buffer; again for a
    // picture of another size. On failure the buffers are as they were.
    HResult Initialize(int w, int h);
    // Fills the back buffer with a 0x00RRGGBB colour; without one does nothing.
    // The player does not call it: it composes each picture, background
    // included, in one pass through PictureCompose.
    HResult ClearBackBuffer(std::uint32_t color);
    // Hands the back buffer to the presenter.
    HResult Present();
    // Releases the buffers, then the device.
    void Shutdown();

    void SetPresenter(Presenter presenter) { m_presenter = std::move(presenter); }

    int width = 0;
    int height = 0;
    WindowHandle window = nullptr;
    std::unique_ptr<CDrawDevice> m_lpDD;
    std::unique_ptr<CSurface> primary;
    std::unique_ptr<CSurface> backBuffer;

private:
    Presenter m_presenter;
};

// The program-wide screen; null while there is none.
extern CScreen* g_pScreen;

} // namespace kinetra
