// combine as a unit maker uses it: a formation into a game FLC or into a
// sheet that builds into the same FLC, the report, and refusals that leave
// nothing behind.

#include "CliFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kinetra::clitest {
namespace {

void writeFormation(const TempDir& dir, const std::string& figures)
{
    const std::string text = R"({"format": "kinetra-formation", "version": 1, "figures": [)" + figures + "]}";
    writeBytes(dir.file("squad.formation.json"), std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(CliCombine, WritesTheUnitOrASheetThatBuildsIntoIt)
{
    const TempDir dir;
    writeGameFixture(dir);
    writeFormation(dir, R"({"source": "unit.flc", "right": -30}, {"source": "unit.flc", "forward": 20, "frameOffset": 1})");
    CliResult result = runCli({"combine", dir.file("squad.formation.json"), "--out", dir.file("squad.flc"), "--speed", "90"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("squad.flc: 2 figures, 8 x 3 frames of "), std::string::npos) << result.out;
    // The fixture lies near the picture's corner: figures off its centre
    // reach past the edges.
    EXPECT_NE(result.out.find(" pixels cut outside the 240 x 240 picture\n"), std::string::npos) << result.out;
    const auto info = runCli({"info", dir.file("squad.flc")});
    EXPECT_NE(info.out.find("Speed (mc): 90\n"), std::string::npos) << info.out;

    result = runCli({"combine", dir.file("squad.formation.json"), "--out", dir.file("squad.png"), "--speed", "90"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("note in " + dir.file("squad.kinetra.json")), std::string::npos) << result.out;
    ASSERT_EQ(runCli({"build", dir.file("squad.png"), "--out", dir.file("built.flc")}).status, 0);
    EXPECT_EQ(fileBytes(dir.file("built.flc")), fileBytes(dir.file("squad.flc")));
}

TEST(CliCombine, RefusesNamingTheFigureAndWritesNothing)
{
    const TempDir dir;
    writeGameFixture(dir);
    writeFormation(dir, R"({"source": "unit.flc"}, {"source": "archer.flc"})");
    CliResult result = runCli({"combine", dir.file("squad.formation.json"), "--out", dir.file("squad.flc")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "'" + dir.file("squad.formation.json") + "'\nfigure 2 (archer.flc): the file is missing.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("squad.flc")));

    const std::vector<std::vector<std::string>> wrong{
        {"combine", dir.file("squad.formation.json")},
        {"combine", dir.file("squad.formation.json"), "--out", dir.file("unit.flc")},
        {"combine", dir.file("squad.formation.json"), "--out", dir.file("x.flc"), "--speed", "fast"},
        {"combine", dir.file("squad.formation.json"), "--out", dir.file("x.flc"), "--directions", "8"},
    };
    writeFormation(dir, R"({"source": "unit.flc"})");
    for (const auto& args : wrong) {
        result = runCli(args);
        EXPECT_EQ(result.status, 2) << args.back();
        EXPECT_NE(result.err.find("Usage: kinetra-cli combine"), std::string::npos) << args.back();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.flc")));
}

} // namespace
} // namespace kinetra::clitest
