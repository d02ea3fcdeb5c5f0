// Every command that writes a file says why a write failed, in one sentence
// naming the file: "Cannot write the file 'PATH': REASON." with the system's
// reason. The writes fail for root too: the output's folder is a plain file,
// or a folder stands where the output would go.

#include "CliFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

class CliWriteFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        game = writeGameFixture(dir);
        writeBytes(plainFile, {'x'});
        ASSERT_EQ(runCli({"storyboard", game.path, "--out", dir.file("sheet.png")}).status, 0);
        ASSERT_EQ(runCli({"split", game.path, "--out-dir", dir.file("split")}).status, 0);
        ASSERT_EQ(runCli({"palette", "export", game.path, dir.file("own.act")}).status, 0);
    }

    // A path in a "folder" that is a plain file.
    std::string underAFile(const std::string& name) const { return plainFile + "/" + name; }

    // A path where a folder already stands.
    std::string aFolder(const std::string& name) const
    {
        fs::create_directories(dir.path() / name);
        return dir.file(name);
    }

    TempDir dir;
    GameFixture game;
    const std::string plainFile = dir.file("plain-file");
};

int countNames(const fs::path& folder)
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

std::string cannotWrite(const std::string& path, const std::string& reason)
{
    return "Cannot write the file '" + path + "': " + reason + ".\n";
}

TEST_F(CliWriteFailure, EveryCommandNamesTheFileAndTheSystemsReason)
{
    const std::string notADirectory = "Not a directory";
    const std::string isADirectory = "Is a directory";
    // recolor writes DIR/<FILE's name>; a folder of that name takes its place.
    fs::create_directories(dir.path() / "recolored" / "unit.flc");

    struct Case {
        const char* command;
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases{
        {"gif", {"gif", game.path, "--out", underAFile("unit.gif")},
         "[1/1] " + cannotWrite(underAFile("unit.gif"), notADirectory)},
        {"gif", {"gif", game.path, "--out", aFolder("taken.gif")},
         "[1/1] " + cannotWrite(dir.file("taken.gif"), isADirectory)},
        {"sheet", {"sheet", game.path, "--out", underAFile("unit.png")},
         "[1/1] " + cannotWrite(underAFile("unit.png"), notADirectory)},
        // The picture is named, not the note beside it.
        {"storyboard", {"storyboard", game.path, "--out", underAFile("sheet.png")},
         cannotWrite(underAFile("sheet.png"), notADirectory)},
        {"storyboard", {"storyboard", game.path, "--out", aFolder("taken.pcx")},
         cannotWrite(dir.file("taken.pcx"), isADirectory)},
        {"build", {"build", dir.file("sheet.png"), "--out", underAFile("built.flc")},
         cannotWrite(underAFile("built.flc"), notADirectory)},
        {"build", {"build", dir.file("sheet.png"), "--out", aFolder("built.flc")},
         cannotWrite(dir.file("built.flc"), isADirectory)},
        {"join", {"join", dir.file("split"), "--out", underAFile("joined.flc")},
         cannotWrite(underAFile("joined.flc"), notADirectory)},
        // The file named is the one the format's extension makes.
        {"palette export", {"palette", "export", game.path, underAFile("unit.txt"), "--format", "jasc"},
         cannotWrite(underAFile("unit.pal"), notADirectory)},
        {"palette import", {"palette", "import", game.path, dir.file("own.act"), "--out", underAFile("new.flc")},
         cannotWrite(underAFile("new.flc"), notADirectory)},
        {"palette import", {"palette", "import", game.path, dir.file("own.act"), "--out", aFolder("new.flc")},
         cannotWrite(dir.file("new.flc"), isADirectory)},
        {"recolor", {"recolor", game.path, "--civ", "5", "--out-dir", dir.file("recolored")},
         "[1/1] " + cannotWrite(dir.file("recolored/unit.flc"), isADirectory)},
        {"thumbnail", {"thumbnail", "-s", "64", game.path, underAFile("thumb.png")},
         "kinetra-cli thumbnail: " + cannotWrite(underAFile("thumb.png"), notADirectory)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command + (" " + c.args.back()));
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(fileBytes(plainFile), std::vector<std::uint8_t>{'x'});
    // A picture refused leaves no note behind.
    EXPECT_FALSE(fs::exists(dir.path() / "taken.kinetra.json"));
}

// split writes one file per direction, then the note, all put in place
// together; a direction file that cannot be written ends it, named, before
// any file is in place.
TEST_F(CliWriteFailure, SplitNamesTheDirectionFileItCouldNotWrite)
{
    const fs::path folder = dir.path() / "again";
    fs::create_directories(folder);
    // A link whose target lies under a plain file: the folder holds no
    // split yet, but the file cannot be made.
    fs::create_symlink(underAFile("target.flc"), folder / "unit_2_S.flc");
    const CliResult result = runCli({"split", game.path, "--out-dir", folder.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, cannotWrite((folder / "unit_2_S.flc").string(), "Not a directory"));
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(folder / "unit_1_SW.flc"));
    EXPECT_FALSE(fs::exists(folder / "unit.kinetra.json"));
    EXPECT_EQ(countNames(folder), 1); // the link alone: no temporary file stays
}

} // namespace
} // namespace kinetra::clitest
