#pragma once

#include "imaging/CScreen.h"

#include <cstdlib>

namespace kinetra::fuzz {

// The program-wide screen that picture surfaces are made through, made once
// and kept for the fuzzer's run.
inline void ensureScreen()
{
    static CScreen* screen = [] {
        auto* made = new CScreen;
        if (made->Create(nullptr) != kOk || made->Initialize(240, 240) != kOk)
            std::abort(); // no screen: nothing the fuzzer reaches would be drawn
        g_pScreen = made;
        return made;
    }();
    (void)screen;
}

// Pictures larger than this only repeat what small ones test, and slowly;
// a fuzzer that decodes them runs a few hundred inputs a second instead of
// thousands, as the big video projects' fuzzers found before us.
inline constexpr std::uint64_t kMaxFuzzedPixels = 1024 * 1024;

} // namespace kinetra::fuzz
