#include "CliFixtures.h"
#include "CliRunner.h"
#include "ExportChecks.h"

#include "flc/FlcEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

const std::string kSample = KINETRA_SAMPLES_DIR "/unit.flc";
const std::string kPlainSample = KINETRA_SAMPLES_DIR "/plain.flc";
constexpr int kSampleFramesPerDirection = 10;

// `picture` enlarged `scale` times, each pixel a scale × scale block.
ArgbPicture enlarged(const ArgbPicture& picture, int scale)
{
    ArgbPicture out{picture.width * scale, picture.height * scale, {}};
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x)
            out.pixels.push_back(picture.at(x / scale, y / scale));
    }
    return out;
}

class CliThumbnail : public ::testing::Test {
protected:
    std::optional<ArgbPicture> thumbnail(const std::string& file, int size)
    {
        const std::string out = dir.file("thumb-" + std::to_string(size) + ".png");
        const CliResult result = runCli({"thumbnail", "-s", std::to_string(size), file, out});
        if (result.status != 0) {
            ADD_FAILURE() << "status " << result.status << ": " << result.err;
            return std::nullopt;
        }
        EXPECT_TRUE(result.out.empty() && result.err.empty()) << result.out << result.err;
        return readPng(out);
    }

    // The first cell of the transparent, cropped sheet of one direction: the
    // crop computed by the sheet's own code, over every frame of it.
    std::optional<ArgbPicture> croppedFirstFrame(const std::string& file, int direction, int framesInDirection)
    {
        const std::string out = dir.file("sheet-" + std::to_string(direction) + ".png");
        const CliResult result = runCli(
            {"sheet", file, "--direction", std::to_string(direction), "--transparent", "--crop", "--out", out});
        if (result.status != 0) {
            ADD_FAILURE() << "sheet: " << result.err;
            return std::nullopt;
        }
        const auto sheet = readPng(out);
        if (!sheet)
            return std::nullopt;
        const int cellWidth = sheet->width / framesInDirection;
        return sheet->crop(0, 0, cellWidth, sheet->height);
    }

    TempDir dir;
};

// The thumbnail is the facing (south-west) direction's first composed
// frame, cut to what shows in that direction, by the whole multiple that
// fits; or shrunk to fit.
TEST_F(CliThumbnail, UnitShowsItsFirstSouthWestFrameCutAndEnlarged)
{
    const auto expected = croppedFirstFrame(kSample, 1, kSampleFramesPerDirection);
    ASSERT_TRUE(expected);
    ASSERT_EQ(expected->width, 44); // measured once by the sheet's crop
    ASSERT_EQ(expected->height, 84);
    struct Case {
        int size;
        int scale;
    };
    for (const Case& c : {Case{84, 1}, Case{128, 1}, Case{168, 2}, Case{256, 3}, Case{512, 6}}) {
        const auto picture = thumbnail(kSample, c.size);
        ASSERT_TRUE(picture) << c.size;
        EXPECT_EQ(firstDifference(*picture, enlarged(*expected, c.scale)), "") << "size " << c.size;
    }
}

TEST_F(CliThumbnail, UnitBackgroundIsTransparentAndTheUnitOpaque)
{
    const auto picture = thumbnail(kSample, 84);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->at(0, 0) >> 24, 0u);
    EXPECT_EQ(picture->at(picture->width - 1, picture->height - 1) >> 24, 0u);
    EXPECT_TRUE(std::any_of(picture->pixels.begin(), picture->pixels.end(),
                            [](std::uint32_t pixel) { return pixel >> 24 == 0xFF; }));
}

// Of the eight directions' first pictures, each at the size that shows it
// 1:1, only south-west's is the thumbnail.
TEST_F(CliThumbnail, FacingDirectionIsSouthWestNotAnother)
{
    for (int direction = 1; direction <= 8; ++direction) {
        const auto expected = croppedFirstFrame(kSample, direction, kSampleFramesPerDirection);
        ASSERT_TRUE(expected) << direction;
        const auto picture = thumbnail(kSample, std::max(expected->width, expected->height));
        ASSERT_TRUE(picture) << direction;
        EXPECT_EQ(*picture == *expected, direction == 1) << "direction " << direction;
    }
}

TEST_F(CliThumbnail, GeneratedUnitShowsItsSouthWestFrame)
{
    const GameFixture fixture = writeGameFixture(dir);
    const auto expected = croppedFirstFrame(fixture.path, 1, GameFixture::kFramesPerDirection);
    ASSERT_TRUE(expected);
    const int longer = std::max(expected->width, expected->height);
    const auto picture = thumbnail(fixture.path, 128);
    ASSERT_TRUE(picture);
    EXPECT_EQ(firstDifference(*picture, enlarged(*expected, 128 / longer)), "");
}

// A plain FLC: its first frame whole and opaque, as `frames` writes it.
TEST_F(CliThumbnail, PlainFileShowsItsWholeFirstFrame)
{
    ASSERT_EQ(runCli({"frames", kPlainSample, "--out", dir.file("frames")}).status, 0);
    const auto first = readPng(dir.file("frames/frame_0000.png"));
    ASSERT_TRUE(first);
    ASSERT_EQ(first->width, 64);
    ASSERT_EQ(first->height, 48);

    for (const auto& [size, scale] : {std::pair{64, 1}, std::pair{128, 2}, std::pair{200, 3}}) {
        const auto picture = thumbnail(kPlainSample, size);
        ASSERT_TRUE(picture) << size;
        EXPECT_EQ(firstDifference(*picture, enlarged(*first, scale)), "") << size;
        EXPECT_TRUE(std::all_of(picture->pixels.begin(), picture->pixels.end(),
                                [](std::uint32_t pixel) { return pixel >> 24 == 0xFF; }));
    }
    const auto shrunk = thumbnail(kPlainSample, 32);
    ASSERT_TRUE(shrunk);
    ASSERT_EQ(shrunk->width, 32);
    ASSERT_EQ(shrunk->height, 24);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(shrunk->at(x, y), first->at(x * 2, y * 2)) << x << ',' << y;
    }
}

// A picture of one index: a file of many such frames is small, decoded large.
IndexImage filled(int width, int height, int index)
{
    IndexImage image(width, height);
    std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(index));
    return image;
}

// The frames a thumbnail does not show are never decoded: beside `info`,
// which decodes them all, it takes their memory less.
// A sanitized program's memory is mostly the sanitizer's own (shadow
// memory, freed blocks held back), so one program's peak says nothing of
// the frames it keeps beside another's.
#if defined(__SANITIZE_ADDRESS__)
#define KINETRA_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KINETRA_SANITIZED_BUILD 1
#endif
#endif

TEST_F(CliThumbnail, DecodesOnlyTheFramesItShows)
{
#ifdef KINETRA_SANITIZED_BUILD
    GTEST_SKIP() << "peak memory is measured in the plain build";
#endif
    encoder::GameAnimation unit;
    unit.width = 240;
    unit.height = 240;
    unit.framesPerDirection = 20;
    unit.palette = distinctPalette();
    for (int i = 0; i < unit.directions * unit.framesPerDirection; ++i)
        unit.images.push_back(filled(240, 240, 1 + i % 200));
    writeBytes(dir.file("unit.flc"), encoder::buildGameAnimation(unit));
    std::vector<IndexImage> plainFrames;
    for (int i = 0; i < 100; ++i)
        plainFrames.push_back(filled(320, 240, i));
    writeBytes(dir.file("plain.flc"), encoder::buildPlainFlc(distinctPalette(), plainFrames, 50));

    struct Case {
        const char* file;
        long unshownKib;
    };
    for (const Case& c : {Case{"unit.flc", 7 * 20 * 240 * 240 / 1024}, Case{"plain.flc", 99 * 320 * 240 / 1024}}) {
        SCOPED_TRACE(c.file);
        const CliResult all = runCliMeasured({"info", dir.file(c.file)});
        const CliResult shown = runCliMeasured({"thumbnail", "-s", "64", dir.file(c.file), dir.file("thumb.png")});
        ASSERT_EQ(all.status, 0) << all.err;
        ASSERT_EQ(shown.status, 0) << shown.err;
        // Less a fifth for the thumbnail's own pictures and page rounding.
        EXPECT_LT(shown.peakKib, all.peakKib - c.unshownKib * 8 / 10) << shown.peakKib << " vs " << all.peakKib;
    }
}

void setWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = std::uint8_t(value & 0xFF);
    bytes[at + 1] = std::uint8_t(value >> 8);
}

// Each refusal: exit status, one line on stderr naming the problem, and no
// output file.
TEST_F(CliThumbnail, RefusalsLeaveNoOutput)
{
    const auto sample = fileBytes(kSample);
    const auto made = [&](const std::string& name, const std::function<void(std::vector<std::uint8_t>&)>& change) {
        auto bytes = sample;
        change(bytes);
        writeBytes(dir.file(name), bytes);
        return dir.file(name);
    };
    const std::string truncated = made("truncated.flc", [](auto& bytes) { bytes.resize(200); });
    const std::string headerOnly = made("header.flc", [](auto& bytes) { bytes.resize(100); });
    const std::string badMagic = made("magic.flc", [](auto& bytes) { setWord(bytes, 4, 0x1234); });
    const std::string huge = made("huge.flc", [](auto& bytes) {
        setWord(bytes, 8, 0x7FFF);
        setWord(bytes, 10, 0x7FFF);
    });
    fs::create_directory(dir.file("folder.flc"));

    struct Case {
        std::vector<std::string> args; // before OUTPUT
        int status;
        std::string says;
    };
    const std::vector<Case> cases{
        {{"-s", "128", truncated}, 1, "Invalid or unsupported document format."},
        {{"-s", "128", headerOnly}, 1, "Invalid or unsupported document format."},
        {{"-s", "128", badMagic}, 1, "magic number is 0x1234"},
        {{"-s", "128", huge}, 1, "Invalid or unsupported document format."},
        {{"-s", "128", dir.file("missing.flc")}, 1, "The file cannot be found."},
        {{"-s", "128", dir.file("folder.flc")}, 1, "Cannot read the file"},
        {{"-s", "0", kSample}, 2, "not '0'"},
        {{"-s", "-128", kSample}, 2, "not '-128'"},
        {{"-s", "128px", kSample}, 2, "not '128px'"},
        {{"-s", "4097", kSample}, 2, "1 to 4096"},
        {{"-s", "", kSample}, 2, "needs a value"},
        {{kSample}, 2, "missing -s SIZE"},
        {{"-s", "128"}, 2, "missing OUTPUT.png"},
        {{"-s", "128", kSample, kSample}, 2, "unexpected argument"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"thumbnail"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const std::string out = dir.file("refused.png");
        if (c.args.size() > 1)
            args.push_back(out);
        const CliResult result = runCli(args);
        const std::string line = args.back() == out ? args[args.size() - 2] : args.back();
        EXPECT_EQ(result.status, c.status) << line;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << line << ": " << result.err;
        if (c.status == 1) {
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
            EXPECT_NE(result.err.find(c.args.back()), std::string::npos) << result.err;
        }
        EXPECT_TRUE(result.out.empty()) << line;
        EXPECT_FALSE(fs::exists(out)) << line;
    }
}

TEST_F(CliThumbnail, FailureLeavesAnExistingOutputAsItWas)
{
    const std::string out = dir.file("old.png");
    writeBytes(out, {1, 2, 3});
    const CliResult result = runCli({"thumbnail", "-s", "128", dir.file("missing.flc"), out});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(fileBytes(out), (std::vector<std::uint8_t>{1, 2, 3}));
}

// A file the player opens gets a thumbnail, one it refuses a failure and no
// file: the damaged samples and the hostile corpus, each with its outcome.
TEST_F(CliThumbnail, DamagedFilesFollowThePlayer)
{
    int checked = 0;
    for (const char* corpus : {"corrupt", "hostile"}) {
        const fs::path folder = fs::path(KINETRA_TEST_DATA_DIR) / corpus;
        std::ifstream expected(folder / "expected.txt");
        std::string name;
        std::string outcome;
        while (expected >> name && std::getline(expected, outcome)) {
            const bool refused = outcome.find("refused") != std::string::npos;
            const std::string out = dir.file(name + ".png");
            const CliResult result = runCli({"thumbnail", "-s", "128", (folder / name).string(), out});
            EXPECT_EQ(result.status, refused ? 1 : 0) << name << ": " << result.err;
            EXPECT_EQ(fs::exists(out), !refused) << name;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 135 + 47);
}

// The file managers' entry runs this very command: its Exec line, with the
// size, input and output put in as a file manager does, makes the thumbnail.
TEST_F(CliThumbnail, ThumbnailerEntryRunsTheCommand)
{
    std::ifstream entry(KINETRA_SAMPLES_DIR "/../kinetra.thumbnailer");
    ASSERT_TRUE(entry);
    std::map<std::string, std::string> keys;
    std::string line;
    std::getline(entry, line);
    EXPECT_EQ(line, "[Thumbnailer Entry]");
    while (std::getline(entry, line)) {
        const std::size_t equals = line.find('=');
        ASSERT_NE(equals, std::string::npos) << line;
        keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    EXPECT_EQ(keys["TryExec"], "kinetra-cli");
    EXPECT_EQ(keys["MimeType"], "video/x-flic;");

    const std::string out = dir.file("entry.png");
    std::vector<std::string> args;
    std::istringstream exec(keys["Exec"]);
    std::string word;
    exec >> word;
    EXPECT_EQ(word, "kinetra-cli");
    const std::map<std::string, std::string> fields{{"%s", "128"}, {"%i", kSample}, {"%o", out}};
    while (exec >> word)
        args.push_back(fields.count(word) ? fields.at(word) : word);
    const CliResult result = runCli(args);
    ASSERT_EQ(result.status, 0) << result.err;
    const auto picture = readPng(out);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->height, 84); // the sample's cut, 1 ×
}

} // namespace
} // namespace kinetra::clitest
