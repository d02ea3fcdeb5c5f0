// Plain FLC and FLI files with palette chunks of partial packets, decoded
// against frames ffmpeg made of them (tests/data/partial-palette/README.md).

#include "flc/CFlcAnimation.h"
#include "io/WholeFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace kinetra;

namespace {

const std::string kFolder = KINETRA_TEST_DATA_DIR "/partial-palette/";
const char* const kFiles[] = {"one-colour.flc", "cumulative-skip.flc", "color64.fli"};

// Every frame as rgb24, one after another, as ffmpeg writes raw video.
std::vector<std::uint8_t> decodedRgb(const CFlcAnimation& animation)
{
    std::vector<std::uint8_t> rgb;
    for (const FlcFrame& frame : animation.frames) {
        for (const std::uint32_t pixel : framePixels(frame, animation.paletteOf(frame))) {
            rgb.push_back(std::uint8_t(pixel >> 16));
            rgb.push_back(std::uint8_t(pixel >> 8));
            rgb.push_back(std::uint8_t(pixel));
        }
    }
    return rgb;
}

} // namespace

TEST(PartialPaletteFilesTest, FramesAreThoseAnIndependentDecoderShows)
{
    for (const std::string file : kFiles) {
        SCOPED_TRACE(file);
        std::vector<std::uint8_t> expected;
        ASSERT_TRUE(readWholeFile(kFolder + file.substr(0, file.rfind('.')) + ".rgb", expected));
        CFlcAnimation animation;
        ASSERT_EQ(animation.Load(kFolder + file, true), kOk);
        const std::size_t frameBytes = 3 * std::size_t(animation.header.width) * std::size_t(animation.header.height);
        ASSERT_EQ(animation.frames.size(), expected.size() / frameBytes);
        const std::vector<std::uint8_t> decoded = decodedRgb(animation);
        ASSERT_EQ(decoded.size(), expected.size());
        for (std::size_t i = 0; i < decoded.size(); ++i)
            ASSERT_EQ(decoded[i], expected[i]) << "frame " << i / frameBytes << ", pixel " << i % frameBytes / 3;
    }
}

// Saving another palette into them changes colour bytes only: every byte
// that moves lies behind a palette chunk's packet count and inside the
// chunk, and the reloaded file has the same packets and frames.
TEST(PartialPaletteFilesTest, SavingChangesOnlyColourBytes)
{
    Palette saved{};
    for (std::size_t i = 0; i < saved.size(); ++i)
        saved[i] = PaletteEntry::fromRgb(std::uint8_t(4 * (i % 64)), std::uint8_t(252 - 4 * (i % 64)), 128);
    for (const char* file : kFiles) {
        SCOPED_TRACE(file);
        std::vector<std::uint8_t> original;
        ASSERT_TRUE(readWholeFile(kFolder + file, original));
        CFlcAnimation animation;
        ASSERT_EQ(animation.Load(kFolder + file, true), kOk);
        animation.displayPalette = saved;
        test::TempFile copy({});
        ASSERT_EQ(animation.Save(copy.path()), kOk);
        std::vector<std::uint8_t> written;
        ASSERT_TRUE(readWholeFile(copy.path(), written));
        ASSERT_EQ(written.size(), original.size());

        std::vector<bool> colourArea(original.size(), false);
        for (const std::uint32_t offset : animation.paletteOffsets) {
            const std::size_t chunkSize = original[offset - 6] | original[offset - 5] << 8;
            for (std::size_t i = offset + 2; i < offset - 6 + chunkSize; ++i)
                colourArea[i] = true;
        }
        std::size_t changed = 0;
        for (std::size_t i = 0; i < original.size(); ++i) {
            if (written[i] != original[i]) {
                EXPECT_TRUE(colourArea[i]) << "byte " << i;
                ++changed;
            }
        }
        EXPECT_GT(changed, 0u);

        CFlcAnimation reloaded;
        ASSERT_EQ(reloaded.LoadFromMemory(written, true), kOk);
        EXPECT_EQ(reloaded.paletteLayouts, animation.paletteLayouts);
        ASSERT_EQ(reloaded.frames.size(), animation.frames.size());
        for (std::size_t f = 0; f < reloaded.frames.size(); ++f)
            EXPECT_TRUE(std::ranges::equal(reloaded.frames[f].pixels(), animation.frames[f].pixels())) << f;
    }
}
