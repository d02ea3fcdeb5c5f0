#include "CliFixtures.h"
#include "CliRunner.h"
#include "ExportChecks.h"
#include "PaletteChecks.h"

#include <gif_lib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

const std::string kSample = KINETRA_SAMPLES_DIR "/unit.flc";
constexpr int kSampleFramesPerDirection = 10;
constexpr int kSampleDelayHundredths = 7; // the sample's speed, 70 ms
constexpr std::uint32_t kOpaque = 0xFF000000u;

// An animated GIF as a viewer shows it: every frame drawn over the ones
// before as its disposal leaves them, transparent pixels as 0.
struct DecodedGif {
    int width = 0;
    int height = 0;
    std::vector<ArgbPicture> frames;
    std::vector<int> delays; // hundredths of a second
    std::vector<int> transparentIndex;
    std::optional<int> loopCount;
};

// The NETSCAPE2.0 application extension's loop count among `blocks`.
std::optional<int> loopCountIn(const ExtensionBlock* blocks, int count)
{
    for (int i = 0; i + 1 < count; ++i) {
        const ExtensionBlock& application = blocks[i];
        const ExtensionBlock& data = blocks[i + 1];
        if (application.Function == APPLICATION_EXT_FUNC_CODE && application.ByteCount == 11
            && std::memcmp(application.Bytes, "NETSCAPE2.0", 11) == 0 && data.Function == CONTINUE_EXT_FUNC_CODE
            && data.ByteCount >= 3 && data.Bytes[0] == 1)
            return data.Bytes[1] | (data.Bytes[2] << 8);
    }
    return std::nullopt;
}

std::optional<DecodedGif> decodeGif(const std::string& path)
{
    int error = 0;
    const auto close = [](GifFileType* file) {
        int ignored = 0;
        DGifCloseFile(file, &ignored);
    };
    const std::unique_ptr<GifFileType, decltype(close)> gif(DGifOpenFileName(path.c_str(), &error), close);
    if (!gif || DGifSlurp(gif.get()) != GIF_OK)
        return std::nullopt;

    DecodedGif decoded{gif->SWidth, gif->SHeight, {}, {}, {}, {}};
    decoded.loopCount = loopCountIn(gif->ExtensionBlocks, gif->ExtensionBlockCount);
    ArgbPicture canvas{decoded.width, decoded.height,
                       std::vector<std::uint32_t>(std::size_t(decoded.width) * std::size_t(decoded.height), 0)};
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        const GifImageDesc& desc = image.ImageDesc;
        if (!decoded.loopCount)
            decoded.loopCount = loopCountIn(image.ExtensionBlocks, image.ExtensionBlockCount);
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(gif.get(), k, &control);
        const ColorMapObject* colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!colors || desc.Left < 0 || desc.Top < 0 || desc.Left + desc.Width > decoded.width
            || desc.Top + desc.Height > decoded.height)
            return std::nullopt;

        const ArgbPicture before = canvas;
        for (int y = 0; y < desc.Height; ++y) {
            for (int x = 0; x < desc.Width; ++x) {
                const int index = image.RasterBits[std::size_t(y) * std::size_t(desc.Width) + std::size_t(x)];
                if (index == control.TransparentColor)
                    continue;
                if (index >= colors->ColorCount)
                    return std::nullopt;
                const GifColorType color = colors->Colors[index];
                canvas.pixels[std::size_t(desc.Top + y) * std::size_t(decoded.width) + std::size_t(desc.Left + x)] =
                    kOpaque | (std::uint32_t(color.Red) << 16) | (std::uint32_t(color.Green) << 8) | color.Blue;
            }
        }
        decoded.frames.push_back(canvas);
        decoded.delays.push_back(control.DelayTime);
        decoded.transparentIndex.push_back(control.TransparentColor);
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = desc.Top; y < desc.Top + desc.Height; ++y)
                std::fill_n(canvas.pixels.begin() + std::ptrdiff_t(y) * decoded.width + desc.Left, desc.Width, 0u);
        } else if (control.DisposalMode == DISPOSE_PREVIOUS) {
            canvas = before;
        }
    }
    return decoded;
}

std::size_t colourCount(const std::vector<ArgbPicture>& pictures)
{
    std::set<std::uint32_t> colours;
    for (const ArgbPicture& picture : pictures)
        colours.insert(picture.pixels.begin(), picture.pixels.end());
    return colours.size();
}

class CliGif : public ::testing::Test {
protected:
    // Runs gif with `args` and decodes `gifPath`.
    std::optional<DecodedGif> gif(const std::vector<std::string>& args, const std::string& gifPath)
    {
        std::vector<std::string> all{"gif"};
        all.insert(all.end(), args.begin(), args.end());
        last = runCli(all);
        if (last.status != 0) {
            ADD_FAILURE() << "status " << last.status << ": " << last.err;
            return std::nullopt;
        }
        auto decoded = decodeGif(gifPath);
        if (!decoded)
            ADD_FAILURE() << "cannot decode " << gifPath;
        return decoded;
    }

    // Every frame of the decoded GIF against compose's picture of it with
    // `options`.
    void expectComposedFrames(const DecodedGif& decoded, const std::vector<std::string>& options, int count)
    {
        ASSERT_EQ(int(decoded.frames.size()), count);
        std::vector<ArgbPicture> composed;
        for (int k = 0; k < count; ++k) {
            const auto picture = composedFrame(kSample, k, options, dir.file("compose.png"));
            ASSERT_TRUE(picture);
            composed.push_back(*picture);
        }
        // Exact colours need at most 256 of them; the pictures chosen here
        // stay below that.
        ASSERT_LE(colourCount(composed), 256u);
        for (int k = 0; k < count; ++k)
            EXPECT_EQ(firstDifference(decoded.frames[std::size_t(k)], composed[std::size_t(k)]), "") << "frame " << k;
        EXPECT_NE(composed.front().pixels, composed.back().pixels);
    }

    TempDir dir;
    ScopedDataHome home{dir.path() / "data"};
    CliResult last;
};

TEST_F(CliGif, SouthWestIsComposesFramesWithTheFilesDelayLoopingForever)
{
    const std::string out = (dir.path() / "out" / "unit.gif").string();
    const auto decoded = gif({kSample, "--direction", "1", "--out-dir", dir.file("out")}, out);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(last.out, "[1/1] unit.flc -> " + out + "\n");
    EXPECT_EQ(last.err, "");
    EXPECT_EQ(decoded->width, 240);
    EXPECT_EQ(decoded->height, 240);
    expectComposedFrames(*decoded, {"--direction", "1"}, kSampleFramesPerDirection);
    EXPECT_EQ(decoded->delays, std::vector<int>(kSampleFramesPerDirection, kSampleDelayHundredths));
    EXPECT_EQ(decoded->loopCount, std::optional<int>(0));
}

TEST_F(CliGif, ComposesOptionsAndTheCustomDelayApply)
{
    const std::string out = dir.file("east.gif");
    const std::vector<std::string> options{"--direction", "4", "--background", "#336699", "--civ", "7"};
    std::vector<std::string> args{kSample, "--out", out, "--delay", "120"};
    args.insert(args.end(), options.begin(), options.end());
    const auto decoded = gif(args, out);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(last.out, "[1/1] unit.flc -> " + out + "\n");
    expectComposedFrames(*decoded, options, kSampleFramesPerDirection);
    EXPECT_EQ(decoded->delays, std::vector<int>(kSampleFramesPerDirection, 12));
    EXPECT_EQ(decoded->frames.front().at(0, 0), 0xFF336699u);

    const auto unblended = gif({kSample, "--out", out, "--direction", "4", "--no-blend"}, out);
    ASSERT_TRUE(unblended);
    expectComposedFrames(*unblended, {"--direction", "4", "--no-blend"}, kSampleFramesPerDirection);
}

TEST_F(CliGif, TransparentLeavesTheBackgroundOut)
{
    const std::string out = dir.file("clear.gif");
    const auto decoded = gif({kSample, "--direction", "1", "--transparent", "--out", out}, out);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->frames.size(), std::size_t(kSampleFramesPerDirection));
    for (int index : decoded->transparentIndex)
        EXPECT_NE(index, NO_TRANSPARENT_COLOR);

    // Over two backgrounds: where both show their background the GIF is
    // clear; where both agree the unit covers it and the GIF has its colour.
    for (int k : {0, 5}) {
        const auto overFace = composedFrame(kSample, k, {"--direction", "1"}, dir.file("a.png"));
        const auto overBlack = composedFrame(kSample, k, {"--direction", "1", "--background", "#000000"},
                                             dir.file("b.png"));
        ASSERT_TRUE(overFace && overBlack);
        const ArgbPicture& frame = decoded->frames[std::size_t(k)];
        int clear = 0;
        int unit = 0;
        for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
            if (overFace->pixels[i] == 0xFFD4D0C8u && overBlack->pixels[i] == kOpaque) {
                ASSERT_EQ(frame.pixels[i], 0u) << "frame " << k << " pixel " << i;
                ++clear;
            } else if (overFace->pixels[i] == overBlack->pixels[i]) {
                ASSERT_EQ(frame.pixels[i], overFace->pixels[i]) << "frame " << k << " pixel " << i;
                ++unit;
            }
        }
        EXPECT_GT(clear, 240 * 240 / 2);
        EXPECT_GT(unit, 100);
    }
}

TEST_F(CliGif, SeveralFilesGoOnPastABrokenOne)
{
    fs::copy_file(kSample, dir.file("a.flc"));
    fs::copy_file(kSample, dir.file("b.flc"));
    fs::create_directories(dir.path() / "again");
    fs::copy_file(kSample, dir.file("again/a.flc"));
    const std::string broken = dir.file("broken.flc");
    writeBytes(broken, std::vector<std::uint8_t>(200, 0xFF));
    const fs::path out = dir.path() / "out";

    const CliResult result = runCli({"gif", dir.file("a.flc"), broken, dir.file("b.flc"), dir.file("again/a.flc"),
                                     "--direction", "2", "--out-dir", out.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "[1/4] a.flc -> " + (out / "a.gif").string() + "\n[3/4] b.flc -> " + (out / "b.gif").string()
                              + "\n");
    EXPECT_EQ(result.err, "[2/4] '" + broken + "'\nInvalid or unsupported document format.\n[4/4] '"
                              + dir.file("again/a.flc") + "'\nAn earlier file was written to '"
                              + (out / "a.gif").string() + "'; it is not overwritten.\n");
    for (const char* name : {"a.gif", "b.gif"}) {
        const auto decoded = decodeGif((out / name).string());
        ASSERT_TRUE(decoded) << name;
        EXPECT_EQ(decoded->frames.size(), std::size_t(kSampleFramesPerDirection));
    }
    EXPECT_FALSE(fs::exists(out / "broken.gif"));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
}

// None of these can be written, not even by root.
TEST_F(CliGif, AFailedWriteLeavesNoFile)
{
    const std::string notAFolder = dir.file("plain-file");
    writeBytes(notAFolder, {'x'});
    CliResult result = runCli({"gif", kSample, "--direction", "1", "--out-dir", notAFolder});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Cannot create the output folder '" + notAFolder + "'.\n");
    EXPECT_EQ(fileBytes(notAFolder), std::vector<std::uint8_t>{'x'});

    const std::string inMissingFolder = dir.file("missing/unit.gif");
    result = runCli({"gif", kSample, "--direction", "1", "--out", inMissingFolder});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "[1/1] Cannot write the file '" + inMissingFolder + "': No such file or directory.\n");
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));

    const std::string underAFile = notAFolder + "/unit.gif";
    EXPECT_EQ(runCli({"gif", kSample, "--direction", "1", "--out", underAFile}).status, 1);

    // A folder in the place of the output is not replaced, and no temporary
    // file stays beside it.
    fs::create_directories(dir.path() / "taken.gif");
    EXPECT_EQ(runCli({"gif", kSample, "--direction", "1", "--out", dir.file("taken.gif")}).status, 1);
    EXPECT_TRUE(fs::is_directory(dir.path() / "taken.gif"));
    EXPECT_TRUE(fs::is_empty(dir.path() / "taken.gif"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.path().filename() != "data")
            left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"plain-file", "taken.gif"}));
}

TEST_F(CliGif, UsageErrors)
{
    const std::string out = dir.file("out.gif");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--out-dir", dir.file("o")},
             {kSample},
             {kSample, kSample, "--out", out},
             {kSample, "--out", out, "--out-dir", dir.file("o")},
             {kSample, "--out", out, "--delay", "5"},
             {kSample, "--out", out, "--delay", "fast"},
             {kSample, "--out", out, "--direction", "9"},
             {kSample, "--out", out, "--background", "sky"},
             {kSample, "--out", out, "--civ", "33"},
             {kSample, "--out", out, "--crop"},
         }) {
        std::vector<std::string> args{"gif"};
        args.insert(args.end(), bad.begin(), bad.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_NE(result.err.find("Usage: kinetra-cli gif"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(dir.path() / "o"));
}

TEST_F(CliGif, HelpSaysHowColoursAreChosen)
{
    const CliResult result = runCli({"gif", "--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* text : {"--out-dir", "--out", "--direction", "--background", "--no-blend", "--transparent",
                             "--delay", "--civ", "--pal-type", "--pal-dir", "--game-dir", "median-cut",
                             "without dithering", "loops forever"})
        EXPECT_NE(result.out.find(text), std::string::npos) << text;
    EXPECT_NE(runCli({"--help"}).out.find("gif"), std::string::npos);
}

} // namespace
} // namespace kinetra::clitest
