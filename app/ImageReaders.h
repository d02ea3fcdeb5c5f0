#pragma once

#include "imaging/CScreen.h"

#include <QImage>

#include <memory>

namespace kinetra {
class CSurface;
}

// Frames are made through the program's screen. The player may hold one
// already; a decode without a player lends itself one for its lifetime.
class BorrowedScreen {
public:
    BorrowedScreen();
    ~BorrowedScreen();
    BorrowedScreen(const BorrowedScreen&) = delete;
    BorrowedScreen& operator=(const BorrowedScreen&) = delete;

    // False when there is no screen to make surfaces with.
    bool IsAvailable() const { return kinetra::g_pScreen != nullptr; }

private:
    std::unique_ptr<kinetra::CScreen> m_own;
};

// A frame's picture, its transparent colour left transparent so that a
// preview shows whatever it is drawn on; null when the memory is missing.
QImage FrameToImage(const kinetra::CSurface& frame);

// Plugs the program's own readers (FLC, PCX) into the UI kit's preview
// image class. Calling it again changes nothing.
void RegisterKinetraImageReaders();
