// libFuzzer entry point for the PCX reader: decode the input and, when the
// image is small enough to be worth it, draw it onto a surface the screen made.

#include "FuzzScreen.h"

#include "imaging/CPcxImage.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kinetra::fuzz::ensureScreen();
    kinetra::CPcxImage image;
    if (image.LoadFromMemory(std::span<const std::uint8_t>(data, size)) != kinetra::kOk)
        return 0;
    if (std::uint64_t(image.width) * std::uint64_t(image.height) <= kinetra::fuzz::kMaxFuzzedPixels) {
        kinetra::CSurface surface;
        if (surface.Create(image.width, image.height) == kinetra::kOk)
            static_cast<void>(image.DrawToSurface(surface)); // what matters is that it stays in bounds
    }
    return 0;
}
