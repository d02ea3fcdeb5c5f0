// 'build --frames': a unit from one picture per frame, in the order a
// renderer numbered them, and the series the command must refuse before it
// writes anything.

#include "CliFixtures.h"
#include "CliRunner.h"

#include "tests/core/CrowdedUnit.h"
#include "flc/CFlcAnimation.h"
#include "formats/PngFile.h"
#include "storyboard/Storyboard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

// The crowded unit's frames, each on a transparent 240 x 240 picture where
// the game shows it, written as 8-bit PNGs named walk1.png, walk2.png, ...
// in the order `rendered` gives its directions, so that walk10.png comes
// after walk9.png only in natural order.
void writeSeries(const TempDir& dir, const std::vector<int>& rendered)
{
    CFlcAnimation unit;
    writeBytes(dir.file("unit.flc"), test::crowdedUnit());
    ASSERT_EQ(unit.Load(dir.file("unit.flc"), true), kOk);
    fs::create_directory(dir.path() / "render");
    int number = 1;
    for (const int direction : rendered) {
        for (int frame = 0; frame < 2; ++frame) {
            const FlcFrame& decoded = unit.frames[std::size_t(direction * 2 + frame)];
            IndexImage picture(kUnitPictureSize, kUnitPictureSize);
            std::fill(picture.pixels.begin(), picture.pixels.end(), std::uint8_t(255));
            const auto pixels = decoded.pixels();
            for (int y = 0; y < decoded.height; ++y)
                std::copy_n(pixels.begin() + std::ptrdiff_t(y * decoded.width), decoded.width, picture.row(100 + y) + 100);
            std::vector<std::uint8_t> png;
            std::string error;
            ASSERT_TRUE(encodeIndexedPng(picture, unit.filePalette, {}, png, error)) << error;
            writeBytes((dir.path() / "render" / ("walk" + std::to_string(number++) + ".png")).string(), png);
        }
    }
}

std::vector<std::string> buildArgs(const TempDir& dir, std::vector<std::string> more)
{
    std::vector<std::string> args{"build",      "--frames", (dir.path() / "render").string(),
                                  "--directions", "8",      "--frames-per-direction",
                                  "2",          "--speed",  "60",
                                  "--out",      dir.file("built.flc")};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(FrameSeriesCommandTest, DrawnFramesBuildTheUnitTheyCameFrom)
{
    const struct {
        const char* name;
        std::vector<int> rendered;
        std::vector<std::string> options;
    } cases[] = {
        {"the game's order", {0, 1, 2, 3, 4, 5, 6, 7}, {}},
        {"south first, clockwise", {1, 0, 7, 6, 5, 4, 3, 2}, {"--direction-order", "S,SW,W,NW,N,NE,E,SE"}},
        {"--offset auto said", {0, 1, 2, 3, 4, 5, 6, 7}, {"--offset", "auto"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeSeries(dir, c.rendered);
        const CliResult result = runCli(buildArgs(dir, c.options));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(fileBytes(dir.file("built.flc")), test::crowdedUnit());
        EXPECT_NE(result.out.find("8 x 2 frames of 20 x 16 at 100,100"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("palette: the pictures' own"), std::string::npos) << result.out;
    }
}

TEST(FrameSeriesCommandTest, WrongSeriesAreRefusedByNameAndNothingIsWritten)
{
    const struct {
        const char* name;
        void (*spoil)(const TempDir& dir);
        std::vector<std::string> options;
        const char* named;
    } cases[] = {
        {"a picture missing", [](const TempDir& d) { fs::remove(d.path() / "render" / "walk16.png"); }, {},
         "need 16 pictures, but 15 were given"},
        {"a picture too many",
         [](const TempDir& d) { fs::copy_file(d.path() / "render" / "walk1.png", d.path() / "render" / "walk17.png"); },
         {}, "walk17.png' and any after it are too many"},
        {"a picture of another size",
         [](const TempDir& d) {
             std::vector<std::uint8_t> png;
             std::string error;
             encodeIndexedPng(IndexImage(10, 10), test::crowdedPalette(), {}, png, error);
             writeBytes((d.path() / "render" / "walk7.png").string(), png);
         },
         {}, "walk7.png' is 10 x 10 pixels"},
        {"not a permutation", [](const TempDir&) {}, {"--direction-order", "S,SW,W,NW,N,NE,E,E"}, "names E twice"},
        {"a pattern matching nothing", [](const TempDir& d) { fs::remove_all(d.path() / "render"); fs::create_directory(d.path() / "render"); },
         {}, "No picture matches"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeSeries(dir, {0, 1, 2, 3, 4, 5, 6, 7});
        c.spoil(dir);
        const CliResult result = runCli(buildArgs(dir, c.options));
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.err.find(c.named), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(dir.file("built.flc")));
    }
}

// A render: true colour on a clear ground, a soft dark shadow, a red team
// part and a grey body.
TEST(FrameSeriesCommandTest, RendersGetAPaletteOfTheirOwnByClass)
{
    TempDir dir;
    fs::create_directory(dir.path() / "render");
    for (int n = 1; n <= 2; ++n) {
        ExportPicture render{64, 64, std::vector<std::uint32_t>(64 * 64, 0x00000000u), 0};
        for (int y = 10; y < 40; ++y) {
            for (int x = 20; x < 40; ++x)
                render.pixels[std::size_t(y * 64 + x)] = 0xFF000000u | std::uint32_t(0x50 + x) << 16
                                                       | std::uint32_t(0x60 + y) << 8 | 0x70u;
        }
        for (int x = 20; x < 30; ++x)
            render.pixels[std::size_t(12 * 64 + x)] = 0xFFE01010u; // team red
        for (int x = 20; x < 50; ++x)
            render.pixels[std::size_t(45 * 64 + x)] = 0x80101010u; // half a shadow
        std::string error;
        ASSERT_TRUE(writeArgbPng((dir.path() / "render" / ("f" + std::to_string(n) + ".png")).string(), render,
                                 PngChannels::Rgba, error))
            << error;
    }
    const CliResult result = runCli({"build", "--frames", (dir.path() / "render" / "*.png").string(), "--directions",
                                     "1", "--frames-per-direction", "2", "--speed", "80", "--palette", "auto",
                                     "--team-colour", "#FF0000", "--out", dir.file("render.flc")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("palette: made from the frames"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("pixels: 20 civilization"), std::string::npos) << result.out;

    CFlcAnimation unit;
    ASSERT_EQ(unit.Load(dir.file("render.flc"), true), kOk);
    ASSERT_EQ(unit.frames.size(), 2u);
    // What shows spans x 20-49 and y 10-45, placed where it stood on the
    // 64 x 64 render centred on the game's picture (88, 88).
    EXPECT_EQ(unit.header.width, 30);
    EXPECT_EQ(unit.header.height, 36);
    const auto pixels = unit.frames[0].pixels();
    const auto at = [&](int x, int y) { return int(pixels[std::size_t((y - 10) * 30 + (x - 20))]); };
    EXPECT_LT(at(22, 12), 64);                          // team
    EXPECT_EQ(at(25, 45), 255 - 8);                     // shadow of alpha 128: level 8
    EXPECT_EQ(at(45, 20), 255);                         // clear ground
    EXPECT_TRUE(at(30, 30) >= 64 && at(30, 30) < 224);  // body
}

} // namespace
} // namespace kinetra::clitest
