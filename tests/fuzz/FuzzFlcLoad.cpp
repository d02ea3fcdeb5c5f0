#include "flc/CFlcAnimation.h"
#include "imaging/CScreen.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static kinetra::CScreen screen;
    if (!kinetra::g_pScreen) {
        screen.Create(nullptr);
        screen.Initialize(240, 240);
        kinetra::g_pScreen = &screen;
    }
    kinetra::CFlcAnimation animation;
    animation.LoadFromMemory({data, size}, true);
    return 0;
}
