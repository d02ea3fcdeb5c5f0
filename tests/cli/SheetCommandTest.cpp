#include "CliFixtures.h"
#include "CliRunner.h"
#include "ExportChecks.h"
#include "PaletteChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

const std::string kSample = KINETRA_SAMPLES_DIR "/unit.flc";
const std::string kPlainSample = KINETRA_SAMPLES_DIR "/plain.flc";
constexpr int kCell = 240;
constexpr int kSampleDirections = 8;
constexpr int kSampleFramesPerDirection = 10;

class CliSheet : public ::testing::Test {
protected:
    // Runs sheet with `args` and reads `pngPath` back.
    std::optional<ArgbPicture> sheet(const std::vector<std::string>& args, const std::string& pngPath)
    {
        std::vector<std::string> all{"sheet"};
        all.insert(all.end(), args.begin(), args.end());
        last = runCli(all);
        if (last.status != 0) {
            ADD_FAILURE() << "status " << last.status << ": " << last.err;
            return std::nullopt;
        }
        return readPng(pngPath);
    }

    // Cell (row, column) against compose's picture of `frame` with `options`.
    void expectComposedCell(const ArgbPicture& picture, int row, int column, int frame,
                            const std::vector<std::string>& options)
    {
        const auto composed = composedFrame(kSample, frame, options, dir.file("compose.png"));
        ASSERT_TRUE(composed);
        EXPECT_EQ(firstDifference(picture.crop(column * kCell, row * kCell, kCell, kCell), *composed), "")
            << "cell " << row << ',' << column;
    }

    TempDir dir;
    ScopedDataHome home{dir.path() / "data"};
    CliResult last;
};

TEST_F(CliSheet, AllDirectionsMakeOneRowEach)
{
    const std::string out = (dir.path() / "out" / "unit.png").string();
    const auto picture = sheet({kSample, "--out-dir", dir.file("out")}, out);
    ASSERT_TRUE(picture);
    EXPECT_EQ(last.out, "[1/1] unit.flc -> " + out + "\n");
    ASSERT_EQ(picture->width, kSampleFramesPerDirection * kCell);
    ASSERT_EQ(picture->height, kSampleDirections * kCell);
    // With all directions compose counts file frames: row r, column c is
    // frame r * 10 + c.
    for (const auto& [row, column] : {std::pair{0, 0}, std::pair{0, 9}, std::pair{3, 7}, std::pair{7, 9}})
        expectComposedCell(*picture, row, column, row * kSampleFramesPerDirection + column, {});
}

TEST_F(CliSheet, OneDirectionIsOneRowOfComposesPictures)
{
    const std::string out = dir.file("south.png");
    const std::vector<std::string> options{"--direction", "2", "--background", "land", "--civ", "3"};
    std::vector<std::string> args{kSample, "--out", out};
    args.insert(args.end(), options.begin(), options.end());
    const auto picture = sheet(args, out);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width, kSampleFramesPerDirection * kCell);
    ASSERT_EQ(picture->height, kCell);
    for (int column = 0; column < kSampleFramesPerDirection; ++column)
        expectComposedCell(*picture, 0, column, column, options);
}

TEST_F(CliSheet, CropKeepsTheUnionOfWhatDiffersFromTheBackground)
{
    const std::string whole = dir.file("whole.png");
    const std::string cropped = dir.file("cropped.png");
    const auto full = sheet({kSample, "--direction", "1", "--out", whole}, whole);
    const auto crop = sheet({kSample, "--direction", "1", "--crop", "--out", cropped}, cropped);
    ASSERT_TRUE(full && crop);

    // The box over every cell of what is not the background colour.
    const std::uint32_t background = full->at(0, 0);
    int left = kCell;
    int top = kCell;
    int right = -1;
    int bottom = -1;
    for (int column = 0; column < kSampleFramesPerDirection; ++column) {
        for (int y = 0; y < kCell; ++y) {
            for (int x = 0; x < kCell; ++x) {
                if (full->at(column * kCell + x, y) == background)
                    continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, left);
    const int width = right - left + 1;
    const int height = bottom - top + 1;
    EXPECT_LT(width, kCell);
    EXPECT_LT(height, kCell);
    ASSERT_EQ(crop->width, kSampleFramesPerDirection * width);
    ASSERT_EQ(crop->height, height);
    for (int column = 0; column < kSampleFramesPerDirection; ++column) {
        EXPECT_EQ(firstDifference(crop->crop(column * width, 0, width, height),
                                  full->crop(column * kCell + left, top, width, height)),
                  "")
            << "cell " << column;
    }
}

TEST_F(CliSheet, TransparentSheetAndPlainFlc)
{
    const std::string out = dir.file("clear.png");
    const auto clear = sheet({kSample, "--direction", "1", "--transparent", "--out", out}, out);
    ASSERT_TRUE(clear);
    ASSERT_EQ(clear->width, kSampleFramesPerDirection * kCell);
    EXPECT_EQ(clear->at(0, 0), 0u);
    EXPECT_EQ(clear->at(clear->width - 1, kCell - 1), 0u);
    const auto opaque = std::count_if(clear->pixels.begin(), clear->pixels.end(),
                                      [](std::uint32_t pixel) { return pixel >> 24 == 0xFF; });
    EXPECT_GT(opaque, 100 * kSampleFramesPerDirection);

    // A plain FLC: one row of cells of its own size, 64 x 48.
    const std::string plainOut = dir.file("plain.png");
    const auto plain = sheet({kPlainSample, "--out", plainOut}, plainOut);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->height, 48);
    EXPECT_GT(plain->width, 64);
    EXPECT_EQ(plain->width % 64, 0);
}

TEST_F(CliSheet, SeveralFilesAndFailures)
{
    fs::copy_file(kSample, dir.file("a.flc"));
    const std::string broken = dir.file("broken.flc");
    writeBytes(broken, std::vector<std::uint8_t>(200, 0xFF));
    const fs::path out = dir.path() / "out";
    const CliResult result =
        runCli({"sheet", broken, dir.file("a.flc"), "--direction", "3", "--out-dir", out.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "[2/2] a.flc -> " + (out / "a.png").string() + "\n");
    EXPECT_EQ(result.err, "[1/2] '" + broken + "'\nInvalid or unsupported document format.\n");
    const auto written = readPng((out / "a.png").string());
    ASSERT_TRUE(written);
    EXPECT_EQ(written->height, kCell);
    EXPECT_FALSE(fs::exists(out / "broken.png"));

    // Writes that cannot succeed, not even for root, leave nothing.
    const std::string notAFolder = dir.file("plain-file");
    writeBytes(notAFolder, {'x'});
    EXPECT_EQ(runCli({"sheet", kSample, "--out-dir", notAFolder}).status, 1);
    EXPECT_EQ(fileBytes(notAFolder), std::vector<std::uint8_t>{'x'});
    const CliResult missing = runCli({"sheet", kSample, "--out", dir.file("missing/unit.png")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "[1/1] Cannot write the file '" + dir.file("missing/unit.png") + "': No such file or directory.\n");
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));
    fs::create_directories(dir.path() / "taken.png");
    EXPECT_EQ(runCli({"sheet", kSample, "--direction", "1", "--out", dir.file("taken.png")}).status, 1);
    EXPECT_TRUE(fs::is_empty(dir.path() / "taken.png"));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("taken.png."), std::string::npos) << entry.path();
}

TEST_F(CliSheet, UsageErrorsAndHelp)
{
    const std::string out = dir.file("out.png");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--out", out},
             {kSample, "--crop"},
             {kSample, kSample, "--out", out},
             {kSample, "--out", out, "--delay", "100"},
             {kSample, "--out", out, "--pal-type", "2", "--civ", "4"},
         }) {
        std::vector<std::string> args{"sheet"};
        args.insert(args.end(), bad.begin(), bad.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_NE(result.err.find("Usage: kinetra-cli sheet"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(out));

    const CliResult help = runCli({"sheet", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--out-dir", "--out", "--crop", "--direction", "--background", "--no-blend",
                               "--transparent", "--civ", "--pal-type"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

} // namespace
} // namespace kinetra::clitest
