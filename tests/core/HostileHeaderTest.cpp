// A small file whose header claims a huge picture is refused at the cost of
// its own bytes: memory is taken for what the file really holds, not for
// what its header says.

#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcEncoder.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

using namespace kinetra;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The process's peak resident memory in KiB (VmHWM), after `reset` starts
// it anew from what is resident now.
std::optional<long> peakResidentKiB(bool reset)
{
    if (reset) {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        if (!clear)
            return std::nullopt;
    }
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return std::nullopt;
}

// 16384 × 8192 pixels (128 Mi, the ceiling) claimed by a file of about 200
// bytes: one frame chunk whose BYTE_RUN data ends after a few lines.
encoder::Bytes claimingHugePicture()
{
    encoder::FlcBuilder builder(16384, 8192);
    builder.header.frames = 1;
    builder.addFrame({encoder::rawSubChunk(kChunkByteRun, encoder::Bytes(40, 0x01))});
    return builder.build();
}

} // namespace

TEST(HostileHeaderTest, AHugeClaimIsRefusedWithoutTakingItsMemory)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers' own bookkeeping touches the memory they hand out";
    const encoder::Bytes file = claimingHugePicture();
    ASSERT_LT(file.size(), 256u);
    const auto before = peakResidentKiB(true);
    if (!before)
        GTEST_SKIP() << "no /proc/self/clear_refs here";
    CFlcAnimation animation;
    EXPECT_EQ(animation.LoadFromMemory(file, true), kFail);
    const auto after = peakResidentKiB(false);
    ASSERT_TRUE(after);
    // Without the zero pages the work buffer alone would be 128 MiB.
    EXPECT_LT(*after - *before, 16 * 1024) << "KiB";
}
