// libFuzzer entry point for the PCX reader: decode the input and, when the
// image is small enough to be worth it, draw it onto a surface the screen made.

#include "imaging/CPcxImage.h"
#include "imaging/CScreen.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

// Large pictures only repeat what small ones test, and slowly.
constexpr int kMaxDrawnSide = 1024;

kinetra::CScreen& fuzzScreen()
{
    static kinetra::CScreen* screen = [] {
        auto* made = new kinetra::CScreen;
        made->Create(nullptr);
        made->Initialize(240, 240);
        kinetra::g_pScreen = made;
        return made;
    }();
    return *screen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzScreen();
    kinetra::CPcxImage image;
    if (image.LoadFromMemory(std::span<const std::uint8_t>(data, size)) != kinetra::kOk)
        return 0;
    if (image.width <= kMaxDrawnSide && image.height <= kMaxDrawnSide) {
        kinetra::CSurface surface;
        if (surface.Create(image.width, image.height) == kinetra::kOk)
            image.DrawToSurface(surface);
    }
    return 0;
}
