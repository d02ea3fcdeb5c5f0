#include "CliFixtures.h"
#include "CliRunner.h"

#include "flc/FlcEncoder.h"
#include "flc/FlcHeader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kinetra::clitest {
namespace {

using Bytes = std::vector<std::uint8_t>;
// Bytes written at an offset of the header.
using Patch = std::pair<std::size_t, Bytes>;

Bytes patched(Bytes file, const std::vector<Patch>& patches)
{
    for (const auto& [at, bytes] : patches)
        std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
    return file;
}

// An FLI file of two 3 × 2 frames, speed 5/70 s.
std::string writeFliFixture(const TempDir& dir)
{
    encoder::FlcBuilder b(3, 2);
    b.magic = kFliMagic;
    b.header.frames = 2;
    b.header.speed = 5;
    IndexImage first(3, 2);
    IndexImage second(3, 2);
    std::fill(second.pixels.begin(), second.pixels.end(), std::uint8_t(4));
    b.addFrame({encoder::color64Chunk(distinctPalette()), encoder::byteRunChunk(first)});
    b.addFrame({encoder::deltaFliChunk(first, second)});
    const std::string path = dir.file("old.fli");
    writeBytes(path, b.build());
    return path;
}

class CliSet : public ::testing::Test {
protected:
    void SetUp() override
    {
        unit = writeGameFixture(dir).path;
        plain = writePlainFixture(dir, "plain.flc", 3, 60);
        fli = writeFliFixture(dir);
    }

    TempDir dir;
    std::string unit;
    std::string plain;
    std::string fli;
};

TEST_F(CliSet, WritesTheFieldsGivenAndNoOtherByte)
{
    struct Case {
        std::string file;
        std::vector<std::string> options;
        std::vector<Patch> bytes;
    };
    const std::vector<Case> cases{
        {unit, {"--speed", "120"}, {{16, {0x78, 0, 0, 0}}}},
        {unit, {"--speed", "4294967295"}, {{16, {0xFF, 0xFF, 0xFF, 0xFF}}}},
        {unit, {"--offset", "300,2"}, {{100, {0x2C, 0x01, 0x02, 0x00}}}},
        {unit, {"--original=640,480"}, {{104, {0x80, 0x02, 0xE0, 0x01}}}},
        {unit,
         {"--speed", "0", "--offset", "65535,0", "--original", "240,240"},
         {{16, {0, 0, 0, 0}}, {100, {0xFF, 0xFF, 0, 0, 240, 0, 240, 0}}}},
        {plain, {"--speed", "33"}, {{16, {33, 0, 0, 0}}}},
        // 57 ms is 4/70 s.
        {fli, {"--speed", "57"}, {{16, {4, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.options.front());
        const Bytes original = fileBytes(c.file);
        const std::string out = dir.file("new.flc");
        std::vector<std::string> args{"set", c.file, "--out", out};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliResult result = runCli(args);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, out + "\n");
        EXPECT_EQ(fileBytes(out), patched(original, c.bytes));
        EXPECT_EQ(fileBytes(c.file), original);
    }
}

TEST_F(CliSet, InPlaceChangesTheFileItself)
{
    const Bytes original = fileBytes(unit);
    const CliResult result = runCli({"set", "--in-place", unit, "--offset", "6,8"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, unit + "\n");
    EXPECT_EQ(fileBytes(unit), patched(original, {{100, {6, 0, 8, 0}}}));
    // No temporary file is left beside it.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"old.fli", "plain.flc", "unit.flc"}));
}

TEST_F(CliSet, RefusesWhatTheFormatCannotHoldAndWritesNothing)
{
    struct Case {
        std::string file;
        std::vector<std::string> args; // after the file
        std::string problem;
    };
    const std::string out = dir.file("new.flc");
    const std::vector<Case> cases{
        {unit, {"--speed", "-1", "--out", out}, "--speed takes milliseconds from 0 to 4294967295, not '-1'"},
        {unit, {"--speed", "4294967296", "--out", out}, "--speed takes milliseconds from 0 to 4294967295, not '4294967296'"},
        {unit, {"--speed", "fast", "--in-place"}, "--speed takes milliseconds from 0 to 4294967295, not 'fast'"},
        {unit, {"--offset", "65536,0", "--out", out}, "--offset takes LEFT,TOP in pixels from 0 to 65535, not '65536,0'"},
        {unit, {"--offset", "-1,3", "--in-place"}, "--offset takes LEFT,TOP in pixels from 0 to 65535, not '-1,3'"},
        {unit, {"--offset", "12", "--out", out}, "--offset takes LEFT,TOP in pixels from 0 to 65535, not '12'"},
        {unit, {"--original", "0,70000", "--out", out},
         "--original takes WIDTH,HEIGHT in pixels from 0 to 65535, not '0,70000'"},
        {plain, {"--offset", "1,1", "--in-place"},
         "'" + plain + "': A plain FLC has no offsets or original size: only its speed can be set."},
        {plain, {"--speed", "40", "--original", "240,240", "--out", out},
         "'" + plain + "': A plain FLC has no offsets or original size: only its speed can be set."},
        {fli, {"--speed", "50", "--out", out},
         "'" + fli + "': An FLI file counts its speed in 1/70 s and cannot hold 50 ms; the nearest it holds is 43 ms."},
        {unit, {"--out", out}, "nothing to change: give --speed, --offset or --original"},
        {unit, {"--speed", "80"}, "missing --out NEW.flc or --in-place"},
        {unit, {"--speed", "80", "--out", out, "--in-place"}, "--out and --in-place exclude each other"},
        {unit, {"--speed", "80", "--out", unit}, "--out names FILE itself; --in-place changes a file where it is"},
        {unit, {plain, "--speed", "80", "--in-place"}, "unexpected argument '" + plain + "'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        const Bytes original = fileBytes(c.file);
        std::vector<std::string> args{"set", c.file};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.find("kinetra-cli set: " + c.problem + "\n"), 0u) << result.err;
        EXPECT_TRUE(result.out.empty());
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_EQ(fileBytes(c.file), original);
    }
}

TEST_F(CliSet, AFileItCannotReadFailsWithTheProgramsMessage)
{
    const std::string junk = dir.file("junk.flc");
    writeBytes(junk, Bytes(200, 7));
    const CliResult result = runCli({"set", junk, "--speed", "80", "--in-place"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Invalid or unsupported document format."), std::string::npos) << result.err;
    EXPECT_EQ(fileBytes(junk), Bytes(200, 7));
}

} // namespace
} // namespace kinetra::clitest
