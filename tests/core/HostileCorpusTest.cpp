#include "flc/CFlcAnimation.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace kinetra;

// Damaged and hostile FLI/FLC files that once crashed or hung FLIC decoders:
// each must load or fail quickly, and the sanitizer build checks that no
// byte outside a buffer is touched.
TEST(HostileCorpusTest, EveryFileLoadsOrFailsQuickly)
{
    test::ScopedScreen screen;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KINETRA_TEST_DATA_DIR "/hostile")) {
        if (entry.path().filename().string().starts_with("LICENSE"))
            continue;
        ++files;
        CFlcAnimation animation;
        const auto start = std::chrono::steady_clock::now();
        const HResult result = animation.Load(entry.path().string(), true);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(result == kOk || result == kFail) << entry.path();
        EXPECT_LT(took, std::chrono::seconds(1)) << entry.path();
        if (result == kOk) {
            EXPECT_FALSE(animation.frames.empty()) << entry.path();
        }
    }
    EXPECT_EQ(files, 47);
}
