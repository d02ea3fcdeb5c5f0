#include "PlayerCoreFixture.h"

#include "palette/PaletteFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kinetra;
using namespace kinetra::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Unlike distinctPalette() in every entry, and every entry unlike 255.
Palette importedPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry::fromRgb(std::uint8_t(255 - i), std::uint8_t((i * 3) & 0xFF), std::uint8_t(100 + i / 4));
    return palette;
}

class PlayerPaletteTest : public PlayerCoreTest {
protected:
    void SetUp() override
    {
        PlayerCoreTest::SetUp();
        ASSERT_EQ(loadGame(numberedGame(8, 2)), kOk);
        ASSERT_EQ(player.filePalette, distinctPalette());
    }

    std::string write(const std::string& name, const Bytes& bytes)
    {
        writeFile(folder / name, bytes);
        return (folder / name).string();
    }

    // The names in the folder, sorted.
    std::vector<std::string> folderContents() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The frame drawn by the next tick shows the colour of its index.
    std::uint32_t shownColor()
    {
        player.tickAfter(50);
        return pixel(0, 0);
    }

    TempFolder folder;
};

// --- Import ----------------------------------------------------------------

TEST_F(PlayerPaletteTest, ImportOfEachFormatBecomesTheFilesPaletteAndIsDrawn)
{
    const Palette palette = importedPalette();
    const std::pair<std::string, PaletteFormat> formats[] = {
        {"in.act", PaletteFormat::Act}, {"riff.pal", PaletteFormat::Riff}, {"jasc.PAL", PaletteFormat::Jasc}};
    for (const auto& [name, format] : formats) {
        SCOPED_TRACE(name);
        player.displayPalette = distinctPalette();
        ASSERT_TRUE(player.ApplyPaletteChanges());

        EXPECT_EQ(player.ImportPalette(write(name, encodePalette(palette, format))), PaletteFileResult::Done);
        EXPECT_EQ(player.filePalette, palette);
        EXPECT_EQ(player.displayPalette, palette);
        EXPECT_TRUE(player.loaded);
        EXPECT_TRUE(player.timerRunning);
        EXPECT_EQ(player.transparentColor, palette[255].rgb());
        const std::uint32_t shown = shownColor();
        EXPECT_EQ(shown, palette[std::size_t(64 + player.currentFrame)].rgb());
        EXPECT_NE(shown, distinctPalette()[std::size_t(64 + player.currentFrame)].rgb());
    }
}

TEST_F(PlayerPaletteTest, ImportOfAShortPaletteZeroesTheRest)
{
    const std::string text = "JASC-PAL\n0100\n1\n9 8 7\n";
    EXPECT_EQ(player.ImportPalette(write("short.pal", Bytes(text.begin(), text.end()))), PaletteFileResult::Done);
    EXPECT_EQ(player.filePalette[0], PaletteEntry::fromRgb(9, 8, 7));
    for (int i = 1; i < 256; ++i)
        EXPECT_EQ(player.filePalette[std::size_t(i)], PaletteEntry{}) << i;
    EXPECT_EQ(player.displayPalette, player.filePalette);
    EXPECT_EQ(player.colorKey, ColorKey::single(0));
}

TEST_F(PlayerPaletteTest, InvalidImportLeavesEverythingAsItWas)
{
    player.displayPalette[3] = PaletteEntry::fromRgb(1, 1, 1); // an edit not yet applied
    const Palette display = player.displayPalette;
    Bytes longAct = encodePalette(importedPalette(), PaletteFormat::Act);
    longAct.insert(longAct.end(), {1, 0, 0, 0});
    const std::string invalid[] = {
        write("long.act", longAct),
        write("other.txt", encodePalette(importedPalette(), PaletteFormat::Act)),
        write("neither.pal", Bytes(100, 'x')),
        (folder / "missing.act").string(),
    };
    for (const std::string& file : invalid) {
        SCOPED_TRACE(file);
        EXPECT_EQ(player.ImportPalette(file), PaletteFileResult::Invalid);
        EXPECT_EQ(player.filePalette, distinctPalette());
        EXPECT_EQ(player.displayPalette, display);
        EXPECT_TRUE(player.loaded);
        EXPECT_EQ(player.frames.size(), 16u);
    }
    EXPECT_EQ(player.ImportPalette(""), PaletteFileResult::Failed);
    EXPECT_EQ(player.filePalette, distinctPalette());
}

// --- Export ----------------------------------------------------------------

TEST_F(PlayerPaletteTest, ExportWritesTheTintedDisplayPaletteUnderTheFormatsName)
{
    ASSERT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 5));
    const Palette display = player.displayPalette;
    ASSERT_NE(display, player.filePalette);

    EXPECT_EQ(player.ExportPalette((folder / "sprite.jpeg").string(), 1), PaletteFileResult::Done);
    EXPECT_EQ(player.ExportPalette((folder / "riff").string(), 2), PaletteFileResult::Done);
    EXPECT_EQ(player.ExportPalette((folder / "jasc.txt").string(), 3), PaletteFileResult::Done);
    EXPECT_EQ(folderContents(), (std::vector<std::string>{"jasc.pal", "riff.pal", "sprite.act"}));

    const Bytes act = readFile(folder / "sprite.act");
    EXPECT_EQ(act, encodePalette(display, PaletteFormat::Act));
    ASSERT_EQ(act.size(), kActFileSize);
    EXPECT_EQ(Bytes(act.begin(), act.begin() + 3), (Bytes{display[255].red, display[255].green, display[255].blue}));
    EXPECT_EQ(readFile(folder / "riff.pal"), encodePalette(display, PaletteFormat::Riff));
    EXPECT_EQ(readFile(folder / "jasc.pal"), encodePalette(display, PaletteFormat::Jasc));
    EXPECT_EQ(readActPalette(act), display);
    EXPECT_EQ(player.displayPalette, display); // exporting changes nothing
}

TEST_F(PlayerPaletteTest, ExportReplacesAnOlderFile)
{
    write("old.act", Bytes(5, 1));
    EXPECT_EQ(player.ExportPalette((folder / "old.act").string(), 1), PaletteFileResult::Done);
    EXPECT_EQ(readFile(folder / "old.act"), encodePalette(player.displayPalette, PaletteFormat::Act));
}

TEST_F(PlayerPaletteTest, ExportRefusalsWriteNothing)
{
    for (int format : {0, 4, -1})
        EXPECT_EQ(player.ExportPalette((folder / "none.act").string(), format), PaletteFileResult::Invalid) << format;
    EXPECT_EQ(player.ExportPalette("", 1), PaletteFileResult::Failed);
    EXPECT_EQ(player.ExportPalette((folder / "no" / "such" / "out.act").string(), 1), PaletteFileResult::Failed);
    EXPECT_TRUE(folderContents().empty());
}

// --- Applying --------------------------------------------------------------

TEST_F(PlayerPaletteTest, ApplyTakesTheKeyFromEntry255)
{
    player.displayPalette[255] = PaletteEntry::fromRgb(1, 2, 3);
    player.displayPalette[64] = PaletteEntry::fromRgb(1, 2, 3);
    EXPECT_TRUE(player.ApplyPaletteChanges());
    EXPECT_EQ(player.filePalette, player.displayPalette);
    EXPECT_EQ(player.transparentColor, rgb(1, 2, 3));
    EXPECT_EQ(player.colorKey, ColorKey::single(rgb(1, 2, 3)));
    EXPECT_TRUE(player.loaded);
    EXPECT_TRUE(player.timerRunning);
    // Frame 0 is all index 64, now the key colour: the background shows.
    player.Step(kStepFirst);
    compose();
    EXPECT_EQ(pixel(0, 0), FillColorFromRef(TestPlayer::kFaceColor));
}

TEST_F(PlayerPaletteTest, ApplyWithoutBlendingKeysOnAColourThatNeverOccurs)
{
    player.SetAlphaBlend(false);
    player.displayPalette[255] = PaletteEntry::fromRgb(9, 9, 9);
    EXPECT_TRUE(player.ApplyPaletteChanges());
    EXPECT_EQ(player.transparentColor, rgb(9, 9, 9));
    EXPECT_EQ(player.colorKey, ColorKey::single(0x00000001));
}

TEST_F(PlayerPaletteTest, ApplyNeedsNotTheFileAgain)
{
    std::filesystem::remove(player.path);
    player.displayPalette[64] = PaletteEntry::fromRgb(5, 5, 5);
    EXPECT_TRUE(player.ApplyPaletteChanges());
    EXPECT_TRUE(player.loaded);
    EXPECT_TRUE(player.invalidDocuments.empty());
    player.Step(kStepFirst);
    compose();
    EXPECT_EQ(pixel(0, 0), rgb(5, 5, 5));

    // Nothing loaded: nothing to apply to.
    player.Unload();
    EXPECT_FALSE(player.ApplyPaletteChanges());
    EXPECT_EQ(player.ImportPalette(write("good.act", encodePalette(importedPalette(), PaletteFormat::Act))), PaletteFileResult::Invalid);
}

} // namespace
