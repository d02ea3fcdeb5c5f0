#include "PlayerCoreFixture.h"

#include "imaging/CPcxImage.h"
#include "palette/BuiltInResources.h"
#include "palette/CivPalettes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace kinetra;
using namespace kinetra::test;

namespace {

constexpr int kCivEntries = 64;

// A 1 × 1 PCX; with a palette, the 256-colour block at its end.
std::vector<std::uint8_t> tinyPcx(const std::optional<Palette>& palette)
{
    std::vector<std::uint8_t> file(CPcxImage::kHeaderSize, 0);
    file[0] = 0x0A; // manufacturer
    file[1] = 5;    // version
    file[2] = 1;    // run-length encoded
    file[3] = 8;    // bits per pixel
    file[65] = 1;   // planes
    file[66] = 1;   // bytes per line
    file.push_back(0);
    if (palette) {
        file.push_back(0x0C);
        for (const PaletteEntry& entry : *palette) {
            file.push_back(entry.red);
            file.push_back(entry.green);
            file.push_back(entry.blue);
        }
    }
    return file;
}

Palette rampPalette(int seed)
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry::fromRgb(std::uint8_t(seed + i), std::uint8_t(seed * 3), std::uint8_t(255 - i));
    return palette;
}

Palette builtInPalette(int n)
{
    CPcxImage pcx;
    EXPECT_EQ(pcx.LoadFromMemory(BuiltInResource(kResourceCivPaletteFirst + n - 1)), kOk);
    return pcx.palette;
}

std::vector<PaletteEntry> civEntries(const Palette& palette)
{
    return {palette.begin(), palette.begin() + kCivEntries};
}

std::vector<PaletteEntry> otherEntries(const Palette& palette)
{
    return {palette.begin() + kCivEntries, palette.end()};
}

// --- File names and lookups ----------------------------------------------

TEST(CivPaletteFileName, NumbersTheThirtyTwoColouringsFromZeroWithTwoDigits)
{
    EXPECT_EQ(CivPaletteFileName(1), "ntp00.pcx");
    EXPECT_EQ(CivPaletteFileName(5), "ntp04.pcx");
    EXPECT_EQ(CivPaletteFileName(10), "ntp09.pcx");
    EXPECT_EQ(CivPaletteFileName(11), "ntp10.pcx");
    EXPECT_EQ(CivPaletteFileName(32), "ntp31.pcx");
    for (const int n : {0, -1, 33, 100})
        EXPECT_EQ(CivPaletteFileName(n), "") << n;
}

TEST(FindFileIgnoringCase, MatchesEveryComponentInAnyCase)
{
    TempFolder root;
    writeFile(root / "ART/units/PaLeTtEs/NTP04.PCX", {1});
    const std::string real = (root / "ART/units/PaLeTtEs/NTP04.PCX").string();
    EXPECT_EQ(FindFileIgnoringCase(root.path(), "Art/Units/Palettes/ntp04.pcx"), real);
    EXPECT_EQ(FindFileIgnoringCase(root.path() + "/", "art/units/palettes/Ntp04.Pcx"), real);
    EXPECT_EQ(FindFileIgnoringCase((root / "ART/units/PaLeTtEs").string(), "ntp04.pcx"), real);
}

TEST(FindFileIgnoringCase, PrefersTheExactSpelling)
{
    TempFolder root;
    writeFile(root / "NTP00.PCX", {1});
    writeFile(root / "ntp00.pcx", {2});
    EXPECT_EQ(FindFileIgnoringCase(root.path(), "ntp00.pcx"), (root / "ntp00.pcx").string());
    EXPECT_EQ(FindFileIgnoringCase(root.path(), "NTP00.PCX"), (root / "NTP00.PCX").string());
}

TEST(FindFileIgnoringCase, FindsOnlyFilesThatAreThere)
{
    TempFolder root;
    writeFile(root / "Art/Units/Palettes/ntp01.pcx", {1});
    EXPECT_EQ(FindFileIgnoringCase(root.path(), "Art/Units/Palettes/ntp02.pcx"), "");
    EXPECT_EQ(FindFileIgnoringCase(root.path(), "Art/Other/Palettes/ntp01.pcx"), "");
    EXPECT_EQ(FindFileIgnoringCase(root.path(), "art/units/palettes"), ""); // a folder, not a file
    EXPECT_EQ(FindFileIgnoringCase((root / "missing").string(), "ntp01.pcx"), "");
    EXPECT_EQ(FindFileIgnoringCase("", "ntp01.pcx"), "");
    // A file standing where a folder is expected.
    EXPECT_EQ(FindFileIgnoringCase(root.path(), "Art/Units/Palettes/ntp01.pcx/ntp01.pcx"), "");
}

// Sets an environment variable for the scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(UserDataFolder, FollowsTheBaseDirectoryVariables)
{
    ScopedEnv home("HOME", "/home/ada");
    {
        ScopedEnv data("XDG_DATA_HOME", "/data/ada/");
        EXPECT_EQ(UserDataFolder(), "/data/ada/Halvorek/Kinetra/");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(UserDataFolder(), "/home/ada/.local/share/Halvorek/Kinetra/");
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "relative/place");
        EXPECT_EQ(UserDataFolder(), "/home/ada/.local/share/Halvorek/Kinetra/");
    }
}

// --- Colourings ----------------------------------------------------------

class CivColorTest : public PlayerCoreTest {
protected:
    void SetUp() override
    {
        PlayerCoreTest::SetUp();
        // Frame k in index 64 + k; one pixel in civilization index 6.
        encoder::GameAnimation game = numberedGame(8, 2);
        for (IndexImage& image : game.images)
            image.pixels[0] = 6;
        ASSERT_EQ(loadGame(game), kOk);
    }
    std::filesystem::path paletteFile(int n) const { return data / "Palettes" / CivPaletteFileName(n); }
};

TEST_F(CivColorTest, BuiltInPaletteIsWrittenOutOnFirstUseAndApplied)
{
    ASSERT_FALSE(std::filesystem::exists(data / "Palettes"));
    EXPECT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 5));

    const auto builtIn = BuiltInResource(kResourceCivPaletteFirst + 4);
    EXPECT_EQ(builtIn.size(), 900u);
    EXPECT_EQ(readFile(paletteFile(5)), std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));
    EXPECT_EQ(civEntries(player.displayPalette), civEntries(builtInPalette(5)));
    EXPECT_EQ(otherEntries(player.displayPalette), otherEntries(player.filePalette));
    EXPECT_TRUE(player.loaded);
    EXPECT_TRUE(player.timerRunning);

    player.tickAfter(50);
    EXPECT_EQ(pixel(0, 0), builtInPalette(5)[6].rgb());
}

TEST_F(CivColorTest, PaletteFileTheUserReplacedIsUsedUnchanged)
{
    const std::vector<std::uint8_t> replacement = tinyPcx(rampPalette(40));
    writeFile(paletteFile(5), replacement);
    EXPECT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 5));
    EXPECT_EQ(readFile(paletteFile(5)), replacement);
    EXPECT_EQ(civEntries(player.displayPalette), civEntries(rampPalette(40)));
}

TEST_F(CivColorTest, ColouringsReplaceEachOtherAndDefaultRestoresTheFile)
{
    ASSERT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 3));
    player.displayPalette[100] = PaletteEntry::fromRgb(1, 1, 1); // an edit never applied to the file
    ASSERT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 7));
    EXPECT_EQ(civEntries(player.displayPalette), civEntries(builtInPalette(7)));
    EXPECT_EQ(otherEntries(player.displayPalette), otherEntries(player.filePalette));

    ASSERT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 0));
    EXPECT_EQ(player.displayPalette, player.filePalette);
    player.tickAfter(50);
    EXPECT_EQ(pixel(0, 0), player.filePalette[6].rgb());
}

TEST_F(CivColorTest, ColouringKeepsTheFramePlaying)
{
    player.SetDirection(3);
    player.tickAfter(50);
    ASSERT_EQ(player.currentFrame, 5);
    ASSERT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 2));
    EXPECT_EQ(player.currentFrame, 5);
    EXPECT_EQ(player.rangeStart, 4);
    EXPECT_EQ(player.rangeEnd, 6);
    EXPECT_TRUE(player.playing);
}

TEST_F(CivColorTest, GameFolderIsSearchedWithoutRegardToCase)
{
    TempFolder game;
    writeFile(game / "ART/units/PALETTES/Ntp02.PCX", tinyPcx(rampPalette(9)));
    player.gameFolder = game.path();
    EXPECT_TRUE(player.LoadCivColor(kPaletteFromGame, 3));
    EXPECT_EQ(civEntries(player.displayPalette), civEntries(rampPalette(9)));

    const Palette before = player.displayPalette;
    EXPECT_FALSE(player.LoadCivColor(kPaletteFromGame, 4));
    EXPECT_EQ(player.displayPalette, before);
    EXPECT_TRUE(player.loaded);

    player.gameFolder.clear();
    EXPECT_FALSE(player.LoadCivColor(kPaletteFromGame, 3));
    EXPECT_TRUE(player.LoadCivColor(kPaletteFromGame, 0));
    EXPECT_EQ(player.displayPalette, player.filePalette);
}

TEST_F(CivColorTest, ChosenFolderIsSearchedWithoutRegardToCase)
{
    TempFolder folder;
    writeFile(folder / "NTP31.pcx", tinyPcx(rampPalette(77)));
    player.paletteFolder = folder.path();
    EXPECT_TRUE(player.LoadCivColor(kPaletteFromFolder, 32));
    EXPECT_EQ(civEntries(player.displayPalette), civEntries(rampPalette(77)));
    EXPECT_FALSE(player.LoadCivColor(kPaletteFromFolder, 31));
    EXPECT_FALSE(player.LoadCivColor(kPaletteFromFolder, 33));
    EXPECT_TRUE(player.LoadCivColor(kPaletteFromFolder, 0));
    EXPECT_EQ(player.displayPalette, player.filePalette);
}

TEST_F(CivColorTest, SourceTheSettingDoesNotNameIsRefused)
{
    const Palette before = player.displayPalette;
    for (const int stored : {-1, 3})
        for (const int n : {0, 5})
            EXPECT_FALSE(player.LoadCivColor(PaletteSource(stored), n)) << stored << ' ' << n;
    EXPECT_EQ(player.displayPalette, before);
    EXPECT_TRUE(player.loaded);
}

TEST_F(CivColorTest, FileThatIsNotAPictureChangesNothing)
{
    writeFile(paletteFile(1), {'n', 'o', 'p', 'e'});
    ASSERT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 4));
    const Palette before = player.displayPalette;
    EXPECT_FALSE(player.LoadCivColor(kPaletteBuiltIn, 1));
    EXPECT_EQ(player.displayPalette, before);
    EXPECT_TRUE(player.loaded);
    EXPECT_EQ(player.frames.size(), 16u);
}

TEST_F(CivColorTest, PictureWithoutAPaletteGivesBlackCivilizationColours)
{
    TempFile plain(tinyPcx(std::nullopt), ".pcx");
    EXPECT_TRUE(player.ApplyCivPalette(&plain.path()));
    EXPECT_EQ(civEntries(player.displayPalette), std::vector<PaletteEntry>(kCivEntries));
    EXPECT_EQ(otherEntries(player.displayPalette), otherEntries(player.filePalette));
}

TEST_F(CivColorTest, PalettesFolderThatCannotBeMadeFails)
{
    writeFile(data / "blocker", {0});
    player.dataFolder = (data / "blocker").string();
    const Palette before = player.displayPalette;
    EXPECT_FALSE(player.LoadCivColor(kPaletteBuiltIn, 5));
    EXPECT_EQ(player.displayPalette, before);
    EXPECT_TRUE(player.loaded);
}

TEST_F(CivColorTest, TintReadsNotTheAnimationAgain)
{
    player.path = (data / "gone.flc").string();
    EXPECT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 2));
    EXPECT_TRUE(player.loaded);
    EXPECT_TRUE(player.timerRunning);
    EXPECT_EQ(player.frames.size(), 16u);
    EXPECT_TRUE(player.invalidDocuments.empty());

    player.Unload();
    EXPECT_FALSE(player.LoadCivColor(kPaletteBuiltIn, 0));
}

} // namespace
