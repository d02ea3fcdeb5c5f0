#include "CliFixtures.h"
#include "CliRunner.h"

#include "formats/PngFile.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace kinetra::clitest {
namespace {

std::string frameName(int index, const char* extension)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04d.%s", index, extension);
    return name;
}

int countEntries(const std::filesystem::path& dir)
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++count;
    return count;
}

TEST(CliFrames, WritesEveryFrameAsPngInThePaletteColours)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir);
    const auto out = dir.path() / "png";

    const CliResult result = runCli({"frames", fixture.path, "--out", out.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Wrote 24 frames to " + out.string() + "\n");
    EXPECT_TRUE(result.err.empty()) << result.err;
    EXPECT_EQ(countEntries(out), 24);

    for (int i = 0; i < 24; ++i) {
        const QImage image(QString::fromStdString((out / frameName(i, "png")).string()));
        ASSERT_FALSE(image.isNull()) << i;
        ASSERT_EQ(image.width(), GameFixture::kWidth);
        ASSERT_EQ(image.height(), GameFixture::kHeight);
        const IndexImage& expected = fixture.images[std::size_t(i)];
        for (int y = 0; y < expected.height; ++y) {
            for (int x = 0; x < expected.width; ++x) {
                const std::uint32_t rgb = image.pixel(x, y) & 0x00FFFFFFu;
                ASSERT_EQ(rgb, fixture.palette[expected.at(x, y)].rgb()) << "frame " << i << " at " << x << ',' << y;
            }
        }
    }
}

TEST(CliFrames, IndicesGoToBinaryPgmFiles)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir);
    const auto out = dir.path() / "pgm";

    // Options before the file and the --name=value form work as well.
    const CliResult result = runCli({"frames", "--indices", "--out=" + out.string(), fixture.path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(countEntries(out), 24);

    const std::string head = "P5\n17 12\n255\n";
    for (int i = 0; i < 24; ++i) {
        const auto bytes = fileBytes((out / frameName(i, "pgm")).string());
        std::vector<std::uint8_t> expected(head.begin(), head.end());
        const auto& pixels = fixture.images[std::size_t(i)].pixels;
        expected.insert(expected.end(), pixels.begin(), pixels.end());
        ASSERT_EQ(bytes, expected) << "frame " << i;
    }
}

TEST(CliFrames, CreatesMissingOutputFolders)
{
    TempDir dir;
    const std::string path = writePlainFixture(dir, "plain.flc", 5, 40);
    const auto out = dir.path() / "a" / "b" / "c";

    const CliResult result = runCli({"frames", path, "--out", out.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(countEntries(out), 5);
    const QImage last(QString::fromStdString((out / frameName(4, "png")).string()));
    EXPECT_EQ(last.size(), QSize(20, 10));
}

TEST(CliFrames, UnreadableFileFailsBeforeAnythingIsWritten)
{
    TempDir dir;
    const std::string path = dir.file("broken.flc");
    writeBytes(path, std::vector<std::uint8_t>(200, 0xFF));
    const auto out = dir.path() / "out";

    const CliResult result = runCli({"frames", path, "--out", out.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "'" + path + "'\nInvalid or unsupported document format.\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliFrames, OutputThatCannotBeWrittenFailsNamingIt)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir);

    // The output folder is a file.
    const std::string blocker = dir.file("taken");
    writeBytes(blocker, {1, 2, 3});
    CliResult result = runCli({"frames", fixture.path, "--out", blocker});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(blocker), std::string::npos) << result.err;

    // A folder stands where a frame file should go, in both formats.
    for (const char* extension : {"png", "pgm"}) {
        const auto out = dir.path() / extension;
        const auto third = out / frameName(2, extension);
        std::filesystem::create_directories(third);
        std::vector<std::string> args{"frames", fixture.path, "--out", out.string()};
        if (std::string(extension) == "pgm")
            args.push_back("--indices");
        result = runCli(args);
        EXPECT_EQ(result.status, 1) << extension;
        EXPECT_NE(result.err.find(third.string()), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << extension;
        // Not one frame is put in place, and no temporary file stays.
        EXPECT_EQ(countEntries(out), 1) << extension;
    }
}

int pngColourType(const std::string& path)
{
    const auto bytes = fileBytes(path);
    return bytes.size() > 25 ? bytes[25] : -1; // the byte of the header chunk that holds it
}

// The palette PNGs and the true-colour ones of --rgba hold the same pixels,
// through whichever reader; the palette holds just the entries used.
TEST(CliFrames, PalettePngsAndTrueColourOnesHoldTheSamePixels)
{
    TempDir dir;
    const GameFixture game = writeGameFixture(dir);
    struct Case {
        std::string file;
        int frames;
    };
    for (const Case& test : {Case{game.path, 24}, Case{writePlainFixture(dir, "plain.flc", 5, 40), 5}}) {
        const auto palette = dir.path() / "palette";
        const auto rgb = dir.path() / "rgb";
        std::filesystem::remove_all(palette);
        std::filesystem::remove_all(rgb);
        ASSERT_EQ(runCli({"frames", test.file, "--out", palette.string(), "-j", "3"}).status, 0) << test.file;
        ASSERT_EQ(runCli({"frames", test.file, "--rgba", "--out", rgb.string()}).status, 0) << test.file;
        for (int i = 0; i < test.frames; ++i) {
            const std::string indexed = (palette / frameName(i, "png")).string();
            const std::string trueColour = (rgb / frameName(i, "png")).string();
            EXPECT_EQ(pngColourType(indexed), 3) << indexed;
            EXPECT_EQ(pngColourType(trueColour), 2) << trueColour;
            const QImage a(QString::fromStdString(indexed));
            const QImage b(QString::fromStdString(trueColour));
            ASSERT_EQ(a.size(), b.size()) << indexed;
            ASSERT_FALSE(a.isNull()) << indexed;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << indexed << " at " << x << ',' << y;
            std::string problem;
            const auto decoded = readPngFile(indexed, problem);
            ASSERT_TRUE(decoded) << problem;
            if (test.file == game.path) {
                const auto& pixels = game.images[std::size_t(i)].pixels;
                const std::set<std::uint8_t> used(pixels.begin(), pixels.end());
                EXPECT_EQ(decoded->paletteSize, int(used.size())) << indexed;
            }
        }
    }
}

TEST(CliFrames, IndicesAndRgbaExcludeEachOther)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir);
    const auto out = dir.path() / "out";
    const CliResult result = runCli({"frames", fixture.path, "--indices", "--rgba", "--out", out.string()});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--indices and --rgba exclude each other"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
} // namespace kinetra::clitest
