#include "CliFixtures.h"
#include "CliRunner.h"
#include "PaletteChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

// The .act and RIFF files hold entry 255 first.
PaletteEntry actEntry(const std::vector<std::uint8_t>& bytes, std::size_t offset, int index)
{
    const std::size_t at = offset + std::size_t(255 - index) * 3;
    return PaletteEntry::fromRgb(bytes[at], bytes[at + 1], bytes[at + 2]);
}

// A palette unlike the fixtures' own in every entry.
Palette importedPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(255 - i), std::uint8_t(i * 3 + 1),
                                                        std::uint8_t(i ^ 0x55));
    return palette;
}

std::vector<std::uint8_t> actBytes(const Palette& palette)
{
    std::vector<std::uint8_t> bytes;
    for (int i = 255; i >= 0; --i) {
        const PaletteEntry& entry = palette[std::size_t(i)];
        bytes.insert(bytes.end(), {entry.red, entry.green, entry.blue});
    }
    return bytes;
}

class CliPalette : public ::testing::Test {
protected:
    void SetUp() override { fixture = writeGameFixture(dir); }

    TempDir dir;
    ScopedDataHome dataHome{dir.path() / "data"};
    GameFixture fixture;
};

TEST_F(CliPalette, ExportWritesEachFormatUnderTheFormatsExtension)
{
    struct Case {
        std::vector<std::string> format;
        std::string out;
        std::string written;
    };
    for (const Case& c : std::vector<Case>{
             {{}, "default.txt", "default.act"},
             {{"--format", "act"}, "adobe", "adobe.act"},
             {{"--format", "riff"}, "riff.act", "riff.pal"},
             {{"--format", "jasc"}, "jasc.pal", "jasc.pal"},
         }) {
        std::vector<std::string> args{"palette", "export", fixture.path, dir.file(c.out)};
        args.insert(args.end(), c.format.begin(), c.format.end());
        const CliResult result = runCli(args);
        ASSERT_EQ(result.status, 0) << c.out << ": " << result.err;
        EXPECT_EQ(result.out, dir.file(c.written) + "\n");
        EXPECT_TRUE(result.err.empty()) << result.err;
        EXPECT_EQ(std::filesystem::exists(dir.file(c.out)), c.out == c.written) << c.out;
    }

    const auto act = fileBytes(dir.file("adobe.act"));
    ASSERT_EQ(act.size(), 768u);
    EXPECT_EQ(fileBytes(dir.file("default.act")), act);
    EXPECT_EQ(act[0], fixture.palette[255].red);
    EXPECT_EQ(act[1], fixture.palette[255].green);
    EXPECT_EQ(act[2], fixture.palette[255].blue);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(actEntry(act, 0, i), fixture.palette[std::size_t(i)]) << i;

    const auto riff = fileBytes(dir.file("riff.pal"));
    ASSERT_EQ(riff.size(), 1048u);
    EXPECT_EQ(std::string(riff.begin(), riff.begin() + 4), "RIFF");
    for (int i = 0; i < 256; ++i) {
        const std::size_t at = 24 + std::size_t(255 - i) * 4;
        ASSERT_EQ(PaletteEntry::fromRgb(riff[at], riff[at + 1], riff[at + 2]), fixture.palette[std::size_t(i)]) << i;
        ASSERT_EQ(riff[at + 3], 0) << i;
    }

    const auto jascBytes = fileBytes(dir.file("jasc.pal"));
    const std::string jasc(jascBytes.begin(), jascBytes.end());
    const std::string header = "JASC-PAL\r\n0100\r\n256\r\n";
    ASSERT_EQ(header.size(), 21u);
    ASSERT_EQ(jasc.substr(0, 21), header);
    const std::string lines = jasc.substr(21);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 256);
    ASSERT_TRUE(lines.ends_with("\r\n"));
    const PaletteEntry& first = fixture.palette[0];
    EXPECT_TRUE(lines.starts_with(std::to_string(first.red) + ' ' + std::to_string(first.green) + ' '
                                  + std::to_string(first.blue) + "\r\n"))
        << lines.substr(0, 20);
}

TEST_F(CliPalette, ExportWithACivColouringReplacesEntriesZeroTo63)
{
    ASSERT_EQ(runCli({"palette", "export", fixture.path, dir.file("own.act")}).status, 0);
    const CliResult tinted =
        runCli({"palette", "export", fixture.path, dir.file("civ.act"), "--civ", "5", "--pal-type", "1"});
    ASSERT_EQ(tinted.status, 0) << tinted.err;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "data" / "Halvorek" / "Kinetra" / "Palettes" / "ntp04.pcx"));

    const auto own = fileBytes(dir.file("own.act"));
    const auto civ = fileBytes(dir.file("civ.act"));
    ASSERT_EQ(own.size(), 768u);
    ASSERT_EQ(civ.size(), 768u);
    const Palette builtIn = builtInCivPalette(5);
    int different = 0;
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(actEntry(civ, 0, i), builtIn[std::size_t(i)]) << i;
        different += actEntry(civ, 0, i) != actEntry(own, 0, i);
    }
    EXPECT_GT(different, 32);
    for (int i = 64; i < 256; ++i)
        ASSERT_EQ(actEntry(civ, 0, i), actEntry(own, 0, i)) << i;
}

TEST_F(CliPalette, ExportFailuresUseTheProgramsMessages)
{
    const std::string unwritable = dir.file("no-such-folder/out.act");
    CliResult result = runCli({"palette", "export", fixture.path, unwritable});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Cannot write the file '" + unwritable + "': No such file or directory.\n");
    EXPECT_TRUE(result.out.empty());

    const std::string broken = dir.file("broken.flc");
    writeBytes(broken, std::vector<std::uint8_t>(200, 0xFF));
    result = runCli({"palette", "export", broken, dir.file("out.act")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "'" + broken + "'\nInvalid or unsupported document format.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.act")));

    result = runCli({"palette", "export", fixture.path, dir.file("out.act"), "--civ", "5", "--pal-type", "2",
                     "--pal-dir", dir.file("no-such-palettes")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Cannot get civilization specified palette.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.act")));
}

TEST_F(CliPalette, ImportWritesANewFileThatDiffersOnlyInItsPalette)
{
    const Palette imported = importedPalette();
    writeBytes(dir.file("new.act"), actBytes(imported));
    const auto sourceBefore = fileBytes(fixture.path);

    const std::string out = dir.file("new.flc");
    const CliResult result = runCli({"palette", "import", fixture.path, dir.file("new.act"), "--out", out});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, out + "\n");
    EXPECT_EQ(flcPalette(out), imported);
    EXPECT_EQ(fileBytes(fixture.path), sourceBefore);
    EXPECT_EQ(flcPalette(fixture.path), fixture.palette);
    EXPECT_TRUE(differsOnlyInPaletteColours(fixture.path, out));

    // Back through the text format: the new file's palette exported as JASC
    // and imported into the source gives the same file.
    ASSERT_EQ(runCli({"palette", "export", out, dir.file("new.pal"), "--format", "jasc"}).status, 0);
    const std::string again = dir.file("again.flc");
    ASSERT_EQ(runCli({"palette", "import", fixture.path, dir.file("new.pal"), "--out", again}).status, 0);
    EXPECT_EQ(fileBytes(again), fileBytes(out));
}

TEST_F(CliPalette, ImportMayRewriteTheFileItself)
{
    const Palette imported = importedPalette();
    writeBytes(dir.file("new.act"), actBytes(imported));
    const std::string copy = dir.file("copy.flc");
    std::filesystem::copy_file(fixture.path, copy);
    const CliResult result = runCli({"palette", "import", copy, dir.file("new.act"), "--out", copy});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(flcPalette(copy), imported);
    EXPECT_TRUE(differsOnlyInPaletteColours(fixture.path, copy));
}

TEST_F(CliPalette, ImportOfAnInvalidPaletteWritesNothing)
{
    auto act = actBytes(importedPalette());
    // 768 bytes followed by a colour count and a transparent index.
    act.insert(act.end(), {1, 0, 0, 0});
    writeBytes(dir.file("long.act"), act);
    writeBytes(dir.file("other.pal"), std::vector<std::uint8_t>(100, 'x'));
    writeBytes(dir.file("palette.txt"), actBytes(importedPalette()));
    const std::string out = dir.file("new.flc");
    for (const std::string& palette :
         {dir.file("long.act"), dir.file("other.pal"), dir.file("palette.txt"), dir.file("missing.act")}) {
        const CliResult result = runCli({"palette", "import", fixture.path, palette, "--out", out});
        EXPECT_EQ(result.status, 1) << palette;
        EXPECT_EQ(result.err, "'" + palette + "'\nCould not import the color table because it's not a valid file.\n");
        EXPECT_TRUE(result.out.empty());
        EXPECT_FALSE(std::filesystem::exists(out)) << palette;
    }
}

TEST_F(CliPalette, ImportThatCannotSaveSaysSo)
{
    writeBytes(dir.file("new.act"), actBytes(importedPalette()));
    const std::string out = dir.file("no-such-folder/new.flc");
    const CliResult result = runCli({"palette", "import", fixture.path, dir.file("new.act"), "--out", out});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Cannot write the file '" + out + "': No such file or directory.\n");
}

TEST_F(CliPalette, WrongCommandLinesAreUsageErrors)
{
    const std::string act = dir.file("x.act");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"palette"},
             {"palette", "show", fixture.path},
             {"palette", "export"},
             {"palette", "export", fixture.path},
             {"palette", "export", fixture.path, act, "extra"},
             {"palette", "export", fixture.path, act, "--format", "gif"},
             {"palette", "export", fixture.path, act, "--out", dir.file("new.flc")},
             {"palette", "export", fixture.path, act, "--civ", "33"},
             {"palette", "export", fixture.path, act, "--civ", "1", "--pal-type", "0"},
             {"palette", "import", fixture.path, act},
             {"palette", "import", fixture.path, "--out", dir.file("new.flc")},
             {"palette", "import", fixture.path, act, "--out", dir.file("new.flc"), "--format", "act"},
             {"palette", "import", fixture.path, act, "--out", dir.file("new.flc"), "--civ", "3"},
         }) {
        std::string line;
        for (const auto& arg : args)
            line += arg + ' ';
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_NE(result.err.find("Usage: kinetra-cli palette export"), std::string::npos) << line << result.err;
        EXPECT_TRUE(result.out.empty()) << line;
    }
    EXPECT_FALSE(std::filesystem::exists(act));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.flc")));
    EXPECT_NE(runCli({"palette", "import", fixture.path, act}).err.find("missing --out"), std::string::npos);
}

TEST_F(CliPalette, UsageListsTheNewCommands)
{
    const CliResult program = runCli({"--help"});
    EXPECT_EQ(program.status, 0);
    EXPECT_NE(program.out.find("\n  palette   "), std::string::npos) << program.out;
    EXPECT_NE(program.out.find("\n  recolor   "), std::string::npos) << program.out;

    const CliResult palette = runCli({"palette", "--help"});
    EXPECT_EQ(palette.status, 0);
    for (const char* text : {"palette export FILE OUT", "palette import FILE PALETTE --out NEW.flc", "--format",
                             "--civ", "--pal-type", "--pal-dir", "--game-dir"})
        EXPECT_NE(palette.out.find(text), std::string::npos) << text;
    const CliResult recolor = runCli({"recolor", "-h"});
    EXPECT_EQ(recolor.status, 0);
    for (const char* text : {"recolor FILE... --civ N --out-dir DIR", "--pal-type", "--pal-dir", "--game-dir"})
        EXPECT_NE(recolor.out.find(text), std::string::npos) << text;
}

} // namespace
} // namespace kinetra::clitest
