#include "PlayerCoreFixture.h"

#include "palette/PaletteFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

using namespace kinetra;
using namespace kinetra::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

Palette randomPalette(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    Palette palette{};
    for (PaletteEntry& entry : palette)
        entry = PaletteEntry::fromRgb(std::uint8_t(byte(random)), std::uint8_t(byte(random)), std::uint8_t(byte(random)));
    return palette;
}

Bytes textBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

void appendU16(Bytes& out, unsigned value)
{
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t(value >> 8));
}

void appendU32(Bytes& out, std::uint32_t value)
{
    appendU16(out, value & 0xFFFF);
    appendU16(out, value >> 16);
}

// A RIFF palette declaring `declaredCount` entries and holding `groups`;
// group i is (i, 2i, 3i) with flags 0xFF.
Bytes riffFile(unsigned declaredCount, unsigned groups, const std::string& riffTag = "RIFF")
{
    Bytes file = textBytes(riffTag);
    appendU32(file, 4 + 8 + 4 + 4 * groups);
    for (char c : std::string("PAL data"))
        file.push_back(std::uint8_t(c));
    appendU32(file, 4 + 4 * groups);
    appendU16(file, 0x0300);
    appendU16(file, declaredCount);
    for (unsigned i = 0; i < groups; ++i)
        file.insert(file.end(), {std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(3 * i), 0xFF});
    return file;
}

// A JASC text of `count` lines "i 2i 3i" (wrapped to a byte), ended by `eol`.
std::string jascText(int count, const std::string& eol, int lines = -1)
{
    std::string text = "JASC-PAL" + eol + "0100" + eol + std::to_string(count) + eol;
    for (int i = 0; i < (lines < 0 ? count : lines); ++i)
        text += std::to_string(i) + " " + std::to_string((2 * i) & 0xFF) + " " + std::to_string((3 * i) & 0xFF) + eol;
    return text;
}

std::optional<Palette> readJasc(const std::string& text)
{
    return readJascPalette(textBytes(text));
}

// --- Adobe Color Table -----------------------------------------------------

TEST(ActPaletteTest, RoundTripsAndHoldsEntry255First)
{
    const Palette palette = randomPalette(1);
    const Bytes file = encodePalette(palette, PaletteFormat::Act);
    ASSERT_EQ(file.size(), kActFileSize);
    EXPECT_EQ(file[0], palette[255].red);
    EXPECT_EQ(file[1], palette[255].green);
    EXPECT_EQ(file[2], palette[255].blue);
    EXPECT_EQ(file[765], palette[0].red);
    EXPECT_EQ(file[767], palette[0].blue);
    EXPECT_EQ(readActPalette(file), palette);
}

TEST(ActPaletteTest, TripleIBecomesEntry255MinusI)
{
    Bytes file(kActFileSize, 0);
    file[0] = 10; // triple 0
    file[1] = 20;
    file[2] = 30;
    file[3 * 200 + 1] = 99; // triple 200, green
    const auto palette = readActPalette(file);
    ASSERT_TRUE(palette);
    EXPECT_EQ((*palette)[255], PaletteEntry::fromRgb(10, 20, 30));
    EXPECT_EQ((*palette)[55], PaletteEntry::fromRgb(0, 99, 0));
    EXPECT_EQ((*palette)[0], PaletteEntry{});
}

TEST(ActPaletteTest, AnySizeButExactly768IsRefused)
{
    // 772: the table followed by a colour count and a transparent index.
    for (std::size_t size : {std::size_t(0), std::size_t(767), std::size_t(769), std::size_t(772)})
        EXPECT_FALSE(readActPalette(Bytes(size, 7))) << size;
}

// --- RIFF ------------------------------------------------------------------

TEST(RiffPaletteTest, HeaderIsExactAndEntriesRunFrom255)
{
    const Palette palette = randomPalette(2);
    const Bytes file = encodePalette(palette, PaletteFormat::Riff);
    ASSERT_EQ(file.size(), kRiffPaletteFileSize);
    const Bytes header = {'R', 'I', 'F', 'F', 0x10, 0x04, 0, 0, 'P', 'A', 'L', ' ', 'd', 'a', 't', 'a',
                          0x04, 0x04, 0, 0, 0x00, 0x03, 0x00, 0x01};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 24), header);
    EXPECT_EQ(Bytes(file.begin() + 24, file.begin() + 28),
              (Bytes{palette[255].red, palette[255].green, palette[255].blue, 0}));
    EXPECT_EQ(Bytes(file.end() - 4, file.end()), (Bytes{palette[0].red, palette[0].green, palette[0].blue, 0}));
    EXPECT_EQ(readRiffPalette(file), palette);
}

TEST(RiffPaletteTest, ShorterTableLeavesTheRestZero)
{
    const auto palette = readRiffPalette(riffFile(16, 16));
    ASSERT_TRUE(palette);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ((*palette)[255 - i], PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(3 * i)));
    for (int i = 0; i < 240; ++i)
        EXPECT_EQ((*palette)[i], PaletteEntry{}) << i;
}

TEST(RiffPaletteTest, TruncatedFilesAndImpossibleCountsAreRefused)
{
    Bytes full = riffFile(256, 256);
    ASSERT_TRUE(readRiffPalette(full));
    full.pop_back();
    EXPECT_FALSE(readRiffPalette(full));
    EXPECT_FALSE(readRiffPalette(riffFile(16, 15)));
    const Bytes one = riffFile(1, 1);
    EXPECT_FALSE(readRiffPalette(Bytes(one.begin(), one.begin() + 23))); // half a header
    EXPECT_FALSE(readRiffPalette({}));
    EXPECT_FALSE(readRiffPalette(riffFile(0, 0)));
    EXPECT_FALSE(readRiffPalette(riffFile(257, 257)));
}

TEST(RiffPaletteTest, TagsAreChecked)
{
    EXPECT_TRUE(readRiffPalette(riffFile(4, 4, "riff")));
    EXPECT_FALSE(readRiffPalette(riffFile(4, 4, "RIFX")));
    Bytes file = riffFile(4, 4);
    file[11] = '_'; // "PAL_"
    EXPECT_FALSE(readRiffPalette(file));
    file = riffFile(4, 4);
    file[12] = 'D'; // "Data"
    EXPECT_FALSE(readRiffPalette(file));
}

// --- JASC ------------------------------------------------------------------

TEST(JascPaletteTest, RoundTripsWithA21ByteHeaderAnd256Lines)
{
    const Palette palette = randomPalette(3);
    const Bytes file = encodePalette(palette, PaletteFormat::Jasc);
    const std::string text(file.begin(), file.end());
    EXPECT_EQ(text.substr(0, 21), "JASC-PAL\r\n0100\r\n256\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 + 256);
    const std::string first = std::to_string(palette[0].red) + " " + std::to_string(palette[0].green) + " "
        + std::to_string(palette[0].blue) + "\r\n";
    EXPECT_EQ(text.substr(21, first.size()), first);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(readJascPalette(file), palette);
}

TEST(JascPaletteTest, EveryKindOfLineEndReadsTheSame)
{
    const auto crlf = readJasc(jascText(256, "\r\n"));
    ASSERT_TRUE(crlf);
    EXPECT_EQ((*crlf)[0], PaletteEntry::fromRgb(0, 0, 0));
    EXPECT_EQ((*crlf)[1], PaletteEntry::fromRgb(1, 2, 3));
    EXPECT_EQ((*crlf)[100], PaletteEntry::fromRgb(100, 200, 44));
    EXPECT_EQ(readJasc(jascText(256, "\n")), crlf);
    EXPECT_EQ(readJasc(jascText(256, "\r")), crlf);
    // No line end after the last line at all.
    std::string text = jascText(256, "\n");
    text.pop_back();
    EXPECT_EQ(readJasc(text), crlf);
}

TEST(JascPaletteTest, ShortPaletteLeavesTheRestZero)
{
    const auto palette = readJasc(jascText(16, "\r\n"));
    ASSERT_TRUE(palette);
    EXPECT_EQ((*palette)[15], PaletteEntry::fromRgb(15, 30, 45));
    for (int i = 16; i < 256; ++i)
        EXPECT_EQ((*palette)[i], PaletteEntry{}) << i;
}

TEST(JascPaletteTest, SpacingTabsAndTrailingBlankLinesAreTolerated)
{
    const auto palette = readJasc("JASC-PAL\n0100\n2 \n  1\t 2   3 \t\n4\t5\t6\n\n\r\n  \n");
    ASSERT_TRUE(palette);
    EXPECT_EQ((*palette)[0], PaletteEntry::fromRgb(1, 2, 3));
    EXPECT_EQ((*palette)[1], PaletteEntry::fromRgb(4, 5, 6));
    EXPECT_EQ((*palette)[2], PaletteEntry{});
}

TEST(JascPaletteTest, BadValuesAndShortFilesAreRefused)
{
    const std::string head = "JASC-PAL\r\n0100\r\n2\r\n";
    EXPECT_TRUE(readJasc(head + "1 2 3\r\n4 5 6\r\n"));
    EXPECT_FALSE(readJasc(head + "300 20 10\r\n4 5 6\r\n"));
    EXPECT_FALSE(readJasc(head + "1 2\r\n4 5 6\r\n"));        // a missing value
    EXPECT_FALSE(readJasc(head + "1 2 3 4\r\n4 5 6\r\n"));    // one too many
    EXPECT_FALSE(readJasc(head + "1 2 x\r\n4 5 6\r\n"));
    EXPECT_FALSE(readJasc(head + "1 2 3a\r\n4 5 6\r\n"));
    EXPECT_FALSE(readJasc(head + "-1 2 3\r\n4 5 6\r\n"));
    EXPECT_FALSE(readJasc(head + "+1 2 3\r\n4 5 6\r\n"));
    EXPECT_FALSE(readJasc(head + "99999999999999999999 2 3\r\n4 5 6\r\n"));
    EXPECT_FALSE(readJasc(head + "1 2 3\r\n"));               // fewer lines than the count
    EXPECT_FALSE(readJasc(head + "1 2 3\r\n\r\n4 5 6\r\n"));  // a blank line is not a colour
    EXPECT_FALSE(readJasc(head + "1 2 3\r\n4 5 6\r\n7 8 9\r\n")); // more than the count
    EXPECT_FALSE(readJasc(jascText(256, "\n", 255)));
}

TEST(JascPaletteTest, BadHeadersAreRefused)
{
    EXPECT_TRUE(readJasc("jasc-pal\n0100\n1\n1 2 3\n"));
    EXPECT_FALSE(readJasc(""));
    EXPECT_FALSE(readJasc("JASC-PALX\n0100\n1\n1 2 3\n"));
    EXPECT_FALSE(readJasc("JASC-PAL\n\n1\n1 2 3\n"));
    EXPECT_FALSE(readJasc("JASC-PAL\nv1\n1\n1 2 3\n"));
    EXPECT_FALSE(readJasc("JASC-PAL\n0100\n0\n"));
    EXPECT_FALSE(readJasc("JASC-PAL\n0100\n257\n" + std::string(257, '\n')));
    EXPECT_FALSE(readJasc("JASC-PAL\n0100\n"));
    EXPECT_FALSE(readJasc("JASC-PAL\n0100\nmany\n1 2 3\n"));
}

// --- Files -------------------------------------------------------------------

class PaletteFileTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes)
    {
        writeFile(folder / name, bytes);
        return (folder / name).string();
    }

    TempFolder folder;
};

TEST_F(PaletteFileTest, ExtensionAndContentChooseTheReader)
{
    const Palette palette = randomPalette(4);
    const Bytes act = encodePalette(palette, PaletteFormat::Act);
    EXPECT_EQ(readPaletteFile(write("a.act", act)), palette);
    EXPECT_EQ(readPaletteFile(write("b.ACT", act)), palette);
    EXPECT_EQ(readPaletteFile(write("c.Pal", encodePalette(palette, PaletteFormat::Riff))), palette);
    EXPECT_EQ(readPaletteFile(write("d.pal", encodePalette(palette, PaletteFormat::Jasc))), palette);

    Bytes riff = encodePalette(palette, PaletteFormat::Riff);
    std::copy_n("riff", 4, riff.begin());
    EXPECT_EQ(readPaletteFile(write("e.pal", riff)), palette);
    const auto jasc = readPaletteFile(write("f.pal", textBytes("Jasc-Pal\n0100\n1\n1 2 3\n")));
    ASSERT_TRUE(jasc);
    EXPECT_EQ((*jasc)[0], PaletteEntry::fromRgb(1, 2, 3));
}

TEST_F(PaletteFileTest, OtherFilesAreRefused)
{
    const Palette palette = randomPalette(5);
    const Bytes act = encodePalette(palette, PaletteFormat::Act);
    EXPECT_FALSE(readPaletteFile(write("a.txt", act)));
    EXPECT_FALSE(readPaletteFile(write("act", act)));           // no extension
    EXPECT_FALSE(readPaletteFile(write("g.act.bak", act)));
    EXPECT_FALSE(readPaletteFile(write("h.pal", act)));         // neither JASC nor RIFF
    EXPECT_FALSE(readPaletteFile(write("i.pal", textBytes("RIF"))));
    EXPECT_FALSE(readPaletteFile(write("j.act", encodePalette(palette, PaletteFormat::Jasc))));
    EXPECT_FALSE(readPaletteFile((folder / "missing.act").string()));
    std::filesystem::create_directories(folder / "folder.act");
    EXPECT_FALSE(readPaletteFile((folder / "folder.act").string()));
    EXPECT_FALSE(readPaletteFile(""));
}

// --- Names -------------------------------------------------------------------

TEST(PalettePathTest, ExtensionOfTheFileNameIsReplacedOrAppended)
{
    EXPECT_EQ(palettePathForFormat("/a/sprite.jpeg", PaletteFormat::Act), "/a/sprite.act");
    EXPECT_EQ(palettePathForFormat("/a/pal.txt", PaletteFormat::Act), "/a/pal.act");
    EXPECT_EQ(palettePathForFormat("/a/pal", PaletteFormat::Jasc), "/a/pal.pal");
    EXPECT_EQ(palettePathForFormat("/a.b/pal", PaletteFormat::Riff), "/a.b/pal.pal");
    EXPECT_EQ(palettePathForFormat("/a/x.tar.gz", PaletteFormat::Riff), "/a/x.tar.pal");
    EXPECT_EQ(palettePathForFormat("/a/.hidden", PaletteFormat::Act), "/a/.hidden.act");
    EXPECT_EQ(palettePathForFormat("pal.act", PaletteFormat::Act), "pal.act");
    EXPECT_EQ(paletteFileExtension(PaletteFormat::Act), std::string("act"));
    EXPECT_EQ(paletteFileExtension(PaletteFormat::Riff), std::string("pal"));
    EXPECT_EQ(paletteFileExtension(PaletteFormat::Jasc), std::string("pal"));
}

} // namespace
