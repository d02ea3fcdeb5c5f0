#include "CliFixtures.h"
#include "CliRunner.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cstdio>

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
    }
}

} // namespace
} // namespace kinetra::clitest
