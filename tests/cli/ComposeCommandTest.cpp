#include "CliFixtures.h"
#include "CliRunner.h"

#include "flc/FlcEncoder.h"
#include "imaging/CFlcPlayerCore.h"
#include "imaging/CPcxImage.h"
#include "io/SettingsStore.h"
#include "palette/BuiltInResources.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

constexpr std::uint32_t kFaceColorRef = 0x00C8D0D4; // #D4D0C8
constexpr int kLeft = 5;                            // the fixture's offsets
constexpr int kTop = 7;

// A picture as 0x00RRGGBB values, row after row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

std::optional<Picture> readPng(const std::string& path)
{
    const QImage image(QString::fromStdString(path));
    if (image.isNull())
        return std::nullopt;
    Picture picture{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            picture.pixels.push_back(image.pixel(x, y) & 0x00FFFFFFu);
    }
    return picture;
}

// What the player itself composes: the same settings the command seeds, the
// file loaded and stopped, then `prepare` and one tick's drawing.
struct CoreSetup {
    bool blend = true;
    int direction = 0;
    std::function<void(CFlcPlayerCore&)> prepare{};
};

Picture corePicture(const std::string& file, const CoreSetup& setup, int width = kCanvasSize,
                    int height = kCanvasSize)
{
    MemorySettingsStore settings;
    settings.WriteProfileInt("Options", "Direction", setup.direction);
    if (!setup.blend)
        settings.WriteProfileInt("Options", "AlphaBlend", 0);
    CFlcPlayerCore player(settings, kFaceColorRef);
    Picture picture;
    if (!player.Initialize() || player.LoadFile(file) != kOk)
        return picture;
    player.Stop();
    if (setup.prepare)
        setup.prepare(player);
    player.DrawBackground();
    player.ComposeFrame();

    const PlatformSurface* back = player.GetScreen()->backBuffer->Memory();
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            picture.pixels.push_back(back->pixels[std::size_t(y) * std::size_t(back->pitch / 4) + std::size_t(x)]
                                     & 0x00FFFFFFu);
    }
    return picture;
}

std::function<void(CFlcPlayerCore&)> showFrame(int frame)
{
    return [frame](CFlcPlayerCore& player) { player.currentFrame = frame; };
}

void expectSamePicture(const Picture& actual, const Picture& expected)
{
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    ASSERT_FALSE(expected.pixels.empty());
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x)
            ASSERT_EQ(actual.at(x, y), expected.at(x, y)) << "at " << x << ',' << y;
    }
}

std::uint32_t rgbOf(const PaletteEntry& entry)
{
    return entry.rgb();
}

// The commands run with a data folder of their own, so the tiles and
// palettes they write out land in the test's folder, as do the player's.
class CliCompose : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* previous = std::getenv("XDG_DATA_HOME"))
            m_previousDataHome = previous;
        setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
        fixture = writeGameFixture(dir);
    }
    void TearDown() override
    {
        if (m_previousDataHome)
            setenv("XDG_DATA_HOME", m_previousDataHome->c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }

    // Runs compose on `file` into out.png and reads the picture back.
    std::optional<Picture> compose(const std::string& file, std::vector<std::string> options)
    {
        const std::string out = dir.file("out.png");
        std::filesystem::remove(out);
        std::vector<std::string> args{"compose", file, "--out", out};
        args.insert(args.end(), options.begin(), options.end());
        last = runCli(args);
        if (last.status != 0) {
            ADD_FAILURE() << "status " << last.status << ": " << last.err;
            return std::nullopt;
        }
        return readPng(out);
    }

    std::filesystem::path dataFolder() const { return dir.path() / "data" / "Halvorek" / "Kinetra"; }

    TempDir dir;
    GameFixture fixture;
    CliResult last;

private:
    std::optional<std::string> m_previousDataHome;
};

TEST_F(CliCompose, GameAnimationMatchesThePlayersPicture)
{
    const auto picture = compose(fixture.path, {"--frame", "1", "--direction", "3"});
    ASSERT_TRUE(picture);
    EXPECT_TRUE(last.out.empty());
    // Direction 3 (SE) of 3-frame directions starts at file frame 6.
    expectSamePicture(*picture, corePicture(fixture.path, {.direction = 3, .prepare = showFrame(7)}));
    EXPECT_EQ(picture->at(0, 0), 0xD4D0C8u);
    // Frame pixels of an ordinary colour show that colour.
    const IndexImage& frame = fixture.images[7];
    int ordinary = 0;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const std::uint8_t index = frame.at(x, y);
            if (index >= 64 && index < 224) {
                EXPECT_EQ(picture->at(kLeft + x, kTop + y), rgbOf(fixture.palette[index]));
                ++ordinary;
            }
        }
    }
    EXPECT_GT(ordinary, 0);
}

// --frame N of a direction of the sample (8 directions of 10 frames), and
// the file frame the player shows for it.
struct FrameCase {
    const char* direction;
    const char* frame;
    int fileFrame;
};

const FrameCase kFrameCases[] = {
    {"2", "0", 10}, // S starts at file frame 10
    {"2", "9", 19}, // and ends at 19, not at SE's first frame
    {"1", "9", 9},
    {"8", "9", 79}, // W's last frame is the file's last
    {"0", "0", 0},  // all directions: frame numbers are file frames
    {"0", "79", 79},
};

TEST_F(CliCompose, FrameCountsFromTheStartOfTheDirection)
{
    const std::string sample = KINETRA_SAMPLES_DIR "/unit.flc";
    for (const FrameCase& frame : kFrameCases) {
        const auto picture = compose(sample, {"--direction", frame.direction, "--frame", frame.frame});
        ASSERT_TRUE(picture) << frame.direction << ' ' << frame.frame;
        expectSamePicture(*picture, corePicture(sample, {.prepare = showFrame(frame.fileFrame)}));
    }

    const auto s0 = compose(sample, {"--direction", "2", "--frame", "0"});
    const auto s1 = compose(sample, {"--direction", "2", "--frame", "1"});
    ASSERT_TRUE(s0 && s1);
    EXPECT_NE(s0->pixels, s1->pixels);
}

// --frame N where N is the range's count, the first frame past it: refused,
// with the frames that are there.
struct CountCase {
    const char* direction;
    const char* frame;
    const char* named;
};

const CountCase kCountCases[] = {
    {"2", "3", "direction 2, which has frames 0 to 2"},
    {"8", "3", "direction 8, which has frames 0 to 2"},
    {"0", "24", "direction 0, which has frames 0 to 23"},
};

TEST_F(CliCompose, FrameEqualToTheCountIsRefused)
{
    const std::string out = dir.file("out.png");
    for (const CountCase& count : kCountCases) {
        const CliResult result =
            runCli({"compose", fixture.path, "--out", out, "--direction", count.direction, "--frame", count.frame});
        EXPECT_EQ(result.status, 2) << count.named;
        EXPECT_NE(result.err.find("--frame " + std::string(count.frame) + " is beyond the range of " + count.named),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST_F(CliCompose, NoBlendDrawsTheWholeFrameInItsPaletteColours)
{
    const auto blended = compose(fixture.path, {"--frame", "0"});
    const auto whole = compose(fixture.path, {"--frame", "0", "--no-blend"});
    ASSERT_TRUE(blended && whole);
    expectSamePicture(*whole, corePicture(fixture.path, {.blend = false}));
    EXPECT_NE(blended->pixels, whole->pixels);

    const IndexImage& frame = fixture.images[0];
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x)
            ASSERT_EQ(whole->at(kLeft + x, kTop + y), rgbOf(fixture.palette[frame.at(x, y)])) << x << ',' << y;
    }
}

TEST_F(CliCompose, CustomColourBackground)
{
    const auto picture = compose(fixture.path, {"--frame", "2", "--background", "#102030"});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->at(0, 0), 0x102030u);
    EXPECT_EQ(picture->at(239, 239), 0x102030u);
    // Shadow and light pixels blend with this colour, as in the player.
    expectSamePicture(*picture, corePicture(fixture.path, {.prepare = [](CFlcPlayerCore& player) {
                                                               player.SetCustomBackground(0x00302010);
                                                               player.currentFrame = 2;
                                                           }}));
}

TEST_F(CliCompose, SeaBackgroundIsTheBuiltInTileWrittenOut)
{
    const auto picture = compose(fixture.path, {"--frame", "0", "--background", "sea"});
    ASSERT_TRUE(picture);
    const auto written = fileBytes((dataFolder() / "Sea.pcx").string());
    const auto builtIn = BuiltInResource(kResourceSea);
    EXPECT_EQ(written, std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));

    CPcxImage tile;
    ASSERT_EQ(tile.LoadFromMemory(builtIn), kOk);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{239, 0}, std::pair{120, 200}, std::pair{239, 239}})
        EXPECT_EQ(picture->at(x, y), rgbOf(tile.palette[tile.pixels[std::size_t(y) * 240 + std::size_t(x)]]));
    expectSamePicture(*picture, corePicture(fixture.path, {.prepare = [](CFlcPlayerCore& player) {
                                                               ASSERT_TRUE(player.SetImageBackground(kBackgroundSea));
                                                           }}));
}

TEST_F(CliCompose, CivColourTintsTheCivilizationPixels)
{
    const auto picture = compose(fixture.path, {"--frame", "4", "--civ", "5"});
    ASSERT_TRUE(picture);
    CPcxImage palette;
    ASSERT_EQ(palette.LoadFromMemory(BuiltInResource(kResourceCivPaletteFirst + 4)), kOk);
    EXPECT_EQ(rgbOf(palette.palette[6]), 0x0B780Au); // (11, 120, 10)
    EXPECT_TRUE(std::filesystem::exists(dataFolder() / "Palettes" / "ntp04.pcx"));

    const IndexImage& frame = fixture.images[4];
    int tinted = 0;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const std::uint8_t index = frame.at(x, y);
            const std::uint32_t shown = picture->at(kLeft + x, kTop + y);
            if (index < 64) {
                EXPECT_EQ(shown, rgbOf(palette.palette[index])) << x << ',' << y;
                ++tinted;
            } else if (index < 224) {
                EXPECT_EQ(shown, rgbOf(fixture.palette[index])) << x << ',' << y;
            }
        }
    }
    EXPECT_GT(tinted, 0);
    expectSamePicture(*picture, corePicture(fixture.path, {.prepare = [](CFlcPlayerCore& player) {
                                                               ASSERT_TRUE(player.LoadCivColor(kPaletteBuiltIn, 5));
                                                               player.currentFrame = 4;
                                                           }}));
}

TEST_F(CliCompose, CivColourFromAFolderUsesThatFolder)
{
    // A palette file of the user's own: entry i is (i, 2i, 3i) in 0..63.
    const auto builtIn = BuiltInResource(kResourceCivPaletteFirst + 2);
    std::vector<std::uint8_t> own(builtIn.begin(), builtIn.end());
    const std::size_t paletteStart = own.size() - 768;
    for (std::size_t i = 0; i < 64; ++i) {
        own[paletteStart + 3 * i] = std::uint8_t(i);
        own[paletteStart + 3 * i + 1] = std::uint8_t(2 * i);
        own[paletteStart + 3 * i + 2] = std::uint8_t(3 * i);
    }
    std::filesystem::create_directories(dir.path() / "pals");
    writeBytes(dir.file("pals/ntp02.pcx"), own);

    const auto picture = compose(fixture.path, {"--frame", "0", "--civ", "3", "--pal-type", "2", "--pal-dir",
                                                dir.file("pals")});
    ASSERT_TRUE(picture);
    const IndexImage& frame = fixture.images[0];
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const std::uint32_t i = frame.at(x, y);
            if (i < 64) {
                EXPECT_EQ(picture->at(kLeft + x, kTop + y), (i << 16) | (2 * i << 8) | 3 * i) << x << ',' << y;
            }
        }
    }
}

TEST_F(CliCompose, PlainFlcKeepsItsOwnSizeOverBlack)
{
    const std::string plain = writePlainFixture(dir, "plain.flc", 4, 40);
    const auto picture = compose(plain, {"--frame", "2", "--background", "sea"});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 20);
    EXPECT_EQ(picture->height, 10);
    expectSamePicture(*picture, corePicture(plain, {.prepare = showFrame(2)}, 20, 10));
}

TEST_F(CliCompose, PlainFlcLargerThanTheCanvasIsComposedWhole)
{
    // 320 × 200, its last column and last row of colours of their own.
    IndexImage image = patternImage(320, 200, 3);
    for (int y = 0; y < 200; ++y)
        image.row(y)[319] = 20;
    for (int x = 0; x < 320; ++x)
        image.row(199)[x] = 30;
    const std::string plain = dir.file("wide.fli");
    writeBytes(plain, encoder::buildPlainFlc(distinctPalette(), {image}, 50));
    const auto picture = compose(plain, {"--frame", "0"});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 320);
    EXPECT_EQ(picture->height, 200);
    EXPECT_EQ(picture->at(319, 0), rgbOf(distinctPalette()[20]));
    EXPECT_EQ(picture->at(0, 199), rgbOf(distinctPalette()[30]));
    expectSamePicture(*picture, corePicture(plain, {.prepare = showFrame(0)}, 320, 200));
}

TEST_F(CliCompose, FrameOutsideTheRangeIsAUsageError)
{
    const std::string out = dir.file("out.png");
    // Each direction has 3 frames: positions 0 to 2.
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--frame", "4", "--direction", "2"},
             {"--frame", "3", "--direction", "2"},
             {"--frame", "24"},
             {"--frame", "-1"},
             {"--frame", "one"},
             {"--frame", "1", "--direction", "9"},
             {"--frame", "1", "--background", "#12345"},
             {"--frame", "1", "--background", "sky"},
             {"--frame", "1", "--civ", "33"},
             {"--frame", "1", "--pal-type", "3"},
             {"--frame", "1", "--civ", "2", "--pal-type", "2"},
         }) {
        std::vector<std::string> args{"compose", fixture.path, "--out", out};
        args.insert(args.end(), bad.begin(), bad.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 2) << bad[0] << ' ' << bad[1];
        EXPECT_NE(result.err.find("Usage: kinetra-cli compose"), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const CliResult beyond = runCli({"compose", fixture.path, "--out", out, "--frame", "4", "--direction", "2"});
    EXPECT_NE(beyond.err.find("frames 0 to 2"), std::string::npos) << beyond.err;
    EXPECT_EQ(runCli({"compose", fixture.path, "--frame", "1"}).status, 2);
    EXPECT_EQ(runCli({"compose", "--frame", "1", "--out", out}).status, 2);
}

TEST_F(CliCompose, UnreadableFileFailsWithTheProgramsMessage)
{
    const std::string path = dir.file("broken.flc");
    writeBytes(path, std::vector<std::uint8_t>(200, 0xFF));
    const std::string out = dir.file("out.png");
    const CliResult result = runCli({"compose", path, "--frame", "0", "--out", out});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "'" + path + "'\nInvalid or unsupported document format.\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(CliCompose, MissingPaletteFolderCannotTint)
{
    const std::string out = dir.file("out.png");
    for (const std::vector<std::string>& source : std::vector<std::vector<std::string>>{
             {"--pal-type", "2", "--pal-dir", dir.file("no-such-folder")},
             {"--pal-type", "0", "--game-dir", dir.file("no-such-game")},
         }) {
        std::vector<std::string> args{"compose", fixture.path, "--frame", "0", "--civ", "5", "--out", out};
        args.insert(args.end(), source.begin(), source.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 1) << source[1];
        EXPECT_EQ(result.err, "Cannot get civilization specified palette.\n");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// Sets an environment variable for one scope; the CLI runs inherit it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST_F(CliCompose, TheGamesPalettesAreFoundThroughWineWithoutGameDir)
{
    namespace fs = std::filesystem;
    const fs::path prefix = dir.path() / "wine";
    const fs::path game = prefix / "drive_c" / "Games" / "Vorenth";
    const auto args = [&](const std::string& out) {
        return std::vector<std::string>{"compose", fixture.path, "--frame", "0", "--civ", "5", "--pal-type", "0", "--out", out};
    };
    ScopedEnvironment wine("WINEPREFIX", prefix.string());
    fs::create_directories(prefix);
    CliResult result = runCli(args(dir.file("none.png")));
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("no Vorenth install folder was found in the Wine registry"), std::string::npos) << result.err;

    fs::create_directories(game / "Art" / "Units" / "Palettes");
    fs::copy_file(KINETRA_SAMPLES_DIR "/../palettes/ntp12.pcx", game / "Art" / "Units" / "Palettes" / "ntp04.pcx");
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
    writeBytes((prefix / "system.reg").string(),
               [] {
                   const std::string reg = "WINE REGISTRY Version 2\n\n[Software\\\\Quorvane Interactive\\\\Vorenth] 1\n"
                                           "\"Install_Path\"=\"C:\\\\Games\\\\Vorenth\"\n";
                   return std::vector<std::uint8_t>(reg.begin(), reg.end());
               }());
    result = runCli(args(dir.file("found.png")));
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> given = args(dir.file("given.png"));
    given.insert(given.end(), {"--game-dir", game.string()});
    ASSERT_EQ(runCli(given).status, 0);
    EXPECT_EQ(fileBytes(dir.file("found.png")), fileBytes(dir.file("given.png")));
    ASSERT_EQ(runCli({"compose", fixture.path, "--frame", "0", "--out", dir.file("plain.png")}).status, 0);
    EXPECT_NE(fileBytes(dir.file("found.png")), fileBytes(dir.file("plain.png"))) << "the colouring was applied";
}

TEST_F(CliCompose, HelpNamesEveryOption)
{
    const CliResult result = runCli({"compose", "--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* option : {"--frame", "--out", "--direction", "--background", "--no-blend", "--civ", "--pal-type",
                               "--pal-dir", "--game-dir", "#D4D0C8"})
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
    EXPECT_NE(runCli({"--help"}).out.find("compose"), std::string::npos);
}

} // namespace
} // namespace kinetra::clitest
