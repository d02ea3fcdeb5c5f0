#include "CliFixtures.h"
#include "CliRunner.h"

#include "flc/FlcEncoder.h"

#include <gtest/gtest.h>

namespace kinetra::clitest {
namespace {

std::string invalidDocument(const std::string& path)
{
    return "'" + path + "'\nInvalid or unsupported document format.\n";
}

TEST(CliInfo, AnFliFileShowsItsSpeedInMilliseconds)
{
    TempDir dir;
    encoder::FlcBuilder builder(8, 4);
    builder.magic = kFliMagic;
    builder.header.frames = 2;
    builder.header.speed = 7; // 1/70 s units
    const IndexImage first = patternImage(8, 4, 1);
    const IndexImage second = patternImage(8, 4, 2);
    builder.addFrame({encoder::color64Chunk(distinctPalette()), encoder::byteRunChunk(first)});
    builder.addFrame({encoder::deltaFliChunk(first, second)});
    builder.addFrame({encoder::deltaFliChunk(second, first)});
    const std::string path = dir.file("old.fli");
    writeBytes(path, builder.build());

    const CliResult result = runCli({"info", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Speed (mc): 100\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Decoded frames: 2\n"), std::string::npos) << result.out;
}

TEST(CliInfo, GameAnimationShowsItsHeaderAndDecodedFrames)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir);
    const auto size = fileBytes(fixture.path).size();

    const CliResult result = runCli({"info", fixture.path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "File name: unit.flc\n"
              "File size (bytes): " + std::to_string(size) + "\n"
              "Total frames: 24\n"
              "Width (pixels): 17\n"
              "Height (pixels): 12\n"
              "Speed (mc): 70\n"
              "Total directions: 8\n"
              "Frames per direction: 3\n"
              "Animation time: 210\n"
              "Original widt (pixels): 100\n"
              "Original height (pixels): 90\n"
              "Left offset (pixels): 5\n"
              "Top offset (pixels): 7\n"
              "Decoded frames: 24\n");
    EXPECT_TRUE(result.err.empty());
}

TEST(CliInfo, PlainFlcShowsThePlayersDefaultsButTheFileKeepsItsZeros)
{
    TempDir dir;
    const std::string path = writePlainFixture(dir, "plain.flc", 6, 0);
    const auto before = fileBytes(path);

    const CliResult result = runCli({"info", path});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string expectedTail = "Speed (mc): 10\n"
                                     "Total directions: 1\n"
                                     "Frames per direction: 6\n"
                                     "Animation time: 60\n"
                                     "Original widt (pixels): 240\n"
                                     "Original height (pixels): 240\n"
                                     "Left offset (pixels): 0\n"
                                     "Top offset (pixels): 0\n"
                                     "Decoded frames: 6\n";
    EXPECT_NE(result.out.find("Width (pixels): 20\nHeight (pixels): 10\n" + expectedTail), std::string::npos)
        << result.out;
    EXPECT_EQ(fileBytes(path), before);
}

TEST(CliInfo, ShowsOnlyTheNamePartOfThePath)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub dir");
    const std::string path = writePlainFixture(dir, "sub dir/Odd Name.FLC", 2, 50);

    const CliResult result = runCli({"info", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("File name: Odd Name.FLC\n", 0), 0u) << result.out;
}

TEST(CliInfo, UnsignedFieldsShowTheirFullRange)
{
    // directions 65535 and the largest speed stay positive; only the
    // first image frame of each three is a key frame.
    encoder::FlcBuilder builder(4, 2);
    builder.header.frames = 2;
    builder.header.speed = 0xFFFFFFFFu;
    builder.header.directions = 0xFFFF;
    builder.header.framesPerDirection = 2;
    builder.header.animationTime = 0x80000000u;
    IndexImage first(4, 2);
    IndexImage second(4, 2);
    second.row(1)[3] = 9;
    builder.addFrame({encoder::color256Chunk(distinctPalette()), encoder::byteRunChunk(first)});
    builder.addFrame({encoder::deltaFlcChunk(first, second)});
    builder.addFrame({encoder::deltaFlcChunk(second, first)});
    TempDir dir;
    const std::string path = dir.file("wide.flc");
    ASSERT_TRUE(builder.writeTo(path));

    const CliResult result = runCli({"info", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Speed (mc): 4294967295\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Total directions: 65535\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Animation time: 2147483648\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Decoded frames: 2\n"), std::string::npos) << result.out;
}

TEST(CliInfo, UnreadableFilesFailWithTheDocumentMessage)
{
    TempDir dir;
    const std::string empty = dir.file("empty.flc");
    const std::string text = dir.file("notes.flc");
    const std::string truncated = dir.file("truncated.flc");
    writeBytes(empty, {0});
    std::filesystem::resize_file(empty, 0);
    writeBytes(text, std::vector<std::uint8_t>(300, 'x'));
    auto bytes = fileBytes(writeGameFixture(dir).path);
    bytes.resize(100); // shorter than the header
    writeBytes(truncated, bytes);

    for (const std::string& path : {empty, text, truncated}) {
        const CliResult result = runCli({"info", path});
        EXPECT_EQ(result.status, 1) << path;
        EXPECT_EQ(result.err, invalidDocument(path));
        EXPECT_TRUE(result.out.empty()) << path;
    }
}

TEST(CliInfo, MissingFilesAndFoldersAreNamedForWhatTheyAre)
{
    TempDir dir;
    const std::string missing = dir.file("missing.flc");
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {missing, "The file cannot be found."},
        {dir.path().string(), "Cannot read the file: Is a directory."},
    };
    for (const auto& c : cases) {
        const CliResult result = runCli({"info", c.path});
        EXPECT_EQ(result.status, 1) << c.path;
        std::string expected = "'";
        expected.append(c.path).append("'\n").append(c.message).append("\n");
        EXPECT_EQ(result.err, expected);
    }
}

TEST(CliInfo, FileNamesStartingWithADashWorkAfterDoubleDash)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir, "-unit.flc");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const CliResult result = runCli({"info", "--", "-unit.flc"});
    std::filesystem::current_path(previous);

    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("File name: -unit.flc\n", 0), 0u) << result.out;
}

} // namespace
} // namespace kinetra::clitest
