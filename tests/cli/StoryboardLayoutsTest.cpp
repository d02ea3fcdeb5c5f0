// storyboard --layout and build NAME.kinetra.json as a unit maker uses
// them: every layout in every format builds back into the same file, and a
// set that is not whole is refused by the file that is wrong, with nothing
// written.

#include "CliFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

class CliStoryboardLayouts : public ::testing::Test {
protected:
    CliResult run(const std::vector<std::string>& args)
    {
        last = runCli(args);
        return last;
    }

    TempDir dir;
    CliResult last;
};

TEST_F(CliStoryboardLayouts, EveryLayoutBuildsBackFromItsNote)
{
    const GameFixture game = writeGameFixture(dir);
    const struct {
        const char* layout;
        const char* out;
        std::vector<std::string> options;
        const char* firstPicture;
        const char* said;
    } cases[] = {
        {"sheet", "sheet/unit.bmp", {"--border", "3"}, "unit.bmp", "8 x 3 frames of 17 x 12, note in"},
        {"filmstrips", "strips/unit.pcx", {}, "unit_1_SW.pcx", "8 x 3 frames of 17 x 12 in 8 filmstrips, note in"},
        {"cels", "cels/unit.png", {"--border", "0"}, "unit_SW_0000.png", "8 x 3 frames of 17 x 12 in 24 cels, note in"},
        {"cels", "bmp-cels/unit.bmp", {}, "unit_W_0002.bmp", "in 24 cels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        fs::create_directories(fs::path(dir.file(c.out)).parent_path());
        std::vector<std::string> args{"storyboard", game.path, "--out", dir.file(c.out), "--layout", c.layout};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ASSERT_EQ(run(args).status, 0) << last.err;
        EXPECT_NE(last.out.find(c.said), std::string::npos) << last.out;
        const fs::path folder = fs::path(dir.file(c.out)).parent_path();
        EXPECT_TRUE(fs::exists(folder / c.firstPicture));
        const std::string source = std::string(c.layout) == "sheet" ? dir.file(c.out) : (folder / "unit.kinetra.json").string();
        const std::string built = dir.file(std::string(c.layout) + ".flc");
        ASSERT_EQ(run({"build", source, "--out", built}).status, 0) << last.err;
        EXPECT_EQ(fileBytes(built), fileBytes(game.path));
    }
}

TEST_F(CliStoryboardLayouts, ASetThatIsNotWholeBuildsNothing)
{
    const GameFixture game = writeGameFixture(dir);
    ASSERT_EQ(run({"storyboard", game.path, "--out", dir.file("unit.png"), "--layout", "filmstrips"}).status, 0)
        << last.err;
    const std::string note = dir.file("unit.kinetra.json");
    const std::string out = dir.file("out.flc");
    const struct {
        const char* what;
        std::vector<std::string> args;
        int status;
        const char* message;
    } refusals[] = {
        {"a layout the program does not know",
         {"storyboard", game.path, "--out", dir.file("x.png"), "--layout", "strips"}, 2,
         "--layout takes sheet, filmstrips or cels, not 'strips'"},
        {"a format the program does not write", {"storyboard", game.path, "--out", dir.file("x.gif")}, 2,
         "--out names a .png, .pcx or .bmp picture"},
        {"a grid the note does not have", {"build", note, "--out", out, "--border", "7"}, 1,
         "unit_1_SW.png: The sheet's width of 51 pixels does not divide into 3 frames and their grid lines."},
        {"a note that is not there", {"build", dir.file("none.kinetra.json"), "--out", out}, 1,
         "none.kinetra.json: the file cannot be read."},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(run(r.args).status, r.status);
        EXPECT_NE(last.err.find(r.message), std::string::npos) << last.err;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(dir.file("x.png")));
    }

    fs::remove(dir.file("unit_6_N.png"));
    EXPECT_EQ(run({"build", note, "--out", out}).status, 1);
    EXPECT_NE(last.err.find("unit.kinetra.json names the picture 'unit_6_N.png', which is not in its folder."),
              std::string::npos)
        << last.err;
    EXPECT_FALSE(fs::exists(out));
}

} // namespace
} // namespace kinetra::clitest
