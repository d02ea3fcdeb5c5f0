#include "FuzzScreen.h"

#include "flc/CFlcAnimation.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kinetra::CFlcAnimation animation;
    animation.maxTotalPixels = kinetra::fuzz::kMaxFuzzedPixels;
    // Refusing an input is as good an outcome as loading it.
    static_cast<void>(animation.LoadFromMemory({data, size}, true));
    return 0;
}
