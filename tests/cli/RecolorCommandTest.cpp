#include "CliFixtures.h"
#include "CliRunner.h"
#include "PaletteChecks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

class CliRecolor : public ::testing::Test {
protected:
    void SetUp() override { fixture = writeGameFixture(dir); }

    // recolor FILES --civ 5 from the built-in set into out/, plus `more`.
    CliResult recolor(const std::vector<std::string>& files, const std::vector<std::string>& more = {})
    {
        std::vector<std::string> args{"recolor"};
        args.insert(args.end(), files.begin(), files.end());
        args.insert(args.end(), {"--civ", "5", "--pal-type", "1", "--out-dir", outDir()});
        args.insert(args.end(), more.begin(), more.end());
        return runCli(args);
    }

    std::string outDir() const { return dir.file("out"); }
    std::string outFile(const std::string& name) const { return (dir.path() / "out" / name).string(); }

    // Entries 0 to 63 from built-in colouring 5, the rest the fixture's own.
    void expectTinted(const std::string& path) const
    {
        const auto palette = flcPalette(path);
        ASSERT_TRUE(palette) << path;
        const Palette civ = builtInCivPalette(5);
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ((*palette)[i], i < 64 ? civ[i] : fixture.palette[i]) << path << " entry " << i;
    }

    TempDir dir;
    ScopedDataHome dataHome{dir.path() / "data"};
    GameFixture fixture;
};

TEST_F(CliRecolor, ABrokenFileFailsWhileTheOthersAreWritten)
{
    const std::string broken = dir.file("broken.flc");
    writeBytes(broken, std::vector<std::uint8_t>(200, 0xFF));
    const auto sourceBefore = fileBytes(fixture.path);

    const CliResult result = recolor({broken, fixture.path});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "[2/2] unit.flc -> " + outFile("unit.flc") + "\n");
    EXPECT_EQ(result.err, "[1/2] '" + broken + "'\nInvalid or unsupported document format.\n");

    expectTinted(outFile("unit.flc"));
    EXPECT_TRUE(differsOnlyInPaletteColours(fixture.path, outFile("unit.flc")));
    EXPECT_EQ(fileBytes(fixture.path), sourceBefore);
    EXPECT_FALSE(std::filesystem::exists(outFile("broken.flc")));
}

TEST_F(CliRecolor, EveryFileWrittenGivesOneLineAndSuccess)
{
    const GameFixture second = writeGameFixture(dir, "second.flc");
    const std::string nested = dir.file("a/b");
    const CliResult result = runCli({"recolor", fixture.path, second.path, "--civ", "5", "--out-dir", nested});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(result.err.empty()) << result.err;
    EXPECT_EQ(result.out, "[1/2] unit.flc -> " + nested + "/unit.flc\n[2/2] second.flc -> " + nested
                              + "/second.flc\n");
    expectTinted(nested + "/unit.flc");
    expectTinted(nested + "/second.flc");
}

TEST_F(CliRecolor, NeverOverwritesASourceOrAnEarlierOutput)
{
    const auto sourceBefore = fileBytes(fixture.path);
    // The output folder is the source's own.
    CliResult result = runCli({"recolor", fixture.path, "--civ", "5", "--out-dir", dir.path().string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty()) << result.out;
    EXPECT_TRUE(result.err.starts_with("[1/1] '" + fixture.path + "'\n")) << result.err;
    EXPECT_NE(result.err.find("is the file itself"), std::string::npos) << result.err;
    EXPECT_EQ(fileBytes(fixture.path), sourceBefore);

    // Two files of the same name: the first is written, the second refused.
    std::filesystem::create_directories(dir.path() / "other");
    const GameFixture twin = writeGameFixture(dir, "other/unit.flc");
    result = recolor({fixture.path, twin.path});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "[1/2] unit.flc -> " + outFile("unit.flc") + "\n");
    EXPECT_TRUE(result.err.starts_with("[2/2] '" + twin.path + "'\n")) << result.err;
    EXPECT_NE(result.err.find("not overwritten"), std::string::npos) << result.err;
    expectTinted(outFile("unit.flc"));
}

TEST_F(CliRecolor, APlainFlcIsRefused)
{
    const std::string plain = writePlainFixture(dir, "plain.flc", 3, 40);
    const CliResult result = recolor({plain});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.out.empty());
    EXPECT_NE(result.err.find("plain FLC"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(outFile("plain.flc")));
}

TEST_F(CliRecolor, AMissingPaletteFolderFailsEveryFile)
{
    const CliResult result = runCli({"recolor", fixture.path, "--civ", "3", "--pal-type", "2", "--pal-dir",
                                     dir.file("no-such-palettes"), "--out-dir", outDir()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "[1/1] '" + fixture.path + "'\nCannot get civilization specified palette.\n");
    EXPECT_FALSE(std::filesystem::exists(outFile("unit.flc")));
}

TEST_F(CliRecolor, WrongCommandLinesAreUsageErrors)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"recolor", fixture.path, "--civ", "5"},
             {"recolor", fixture.path, "--out-dir", outDir()},
             {"recolor", "--civ", "5", "--out-dir", outDir()},
             {"recolor", fixture.path, "--civ", "33", "--out-dir", outDir()},
             {"recolor", fixture.path, "--civ", "x", "--out-dir", outDir()},
             {"recolor", fixture.path, "--civ", "5", "--pal-type", "3", "--out-dir", outDir()},
             {"recolor", fixture.path, "--civ", "5", "--pal-type", "2", "--out-dir", outDir()},
             {"recolor", fixture.path, "--civ", "5", "--out-dir", outDir(), "--format", "act"},
         }) {
        std::string line;
        for (const auto& arg : args)
            line += arg + ' ';
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_NE(result.err.find("Usage: kinetra-cli recolor"), std::string::npos) << line << result.err;
        EXPECT_TRUE(result.out.empty()) << line;
    }
    EXPECT_NE(runCli({"recolor", fixture.path, "--civ", "5"}).err.find("missing --out-dir"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(outDir()));
}

} // namespace
} // namespace kinetra::clitest
