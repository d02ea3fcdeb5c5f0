// Formation files as a unit maker writes them by hand: every fact checked
// for its type and range, a wrong one refused naming the figure and the
// fact, and a file too large refused unread.

#include "PlayerCoreFixture.h"

#include "storyboard/FormationFile.h"

#include <gtest/gtest.h>

#include <string>

namespace kinetra {
namespace {

std::string withFigures(const std::string& figures)
{
    return R"({"format": "kinetra-formation", "version": 1, "figures": [)" + figures + "]}";
}

TEST(FormationFile, ReadsEveryFigureInOrder)
{
    std::string problem;
    const auto formation = readFormation(withFigures(R"(
        {"source": "spearman.flc", "forward": 0, "right": -24, "frameOffset": 0},
        {"source": "spearman.flc", "forward": -18, "right": 12, "frameOffset": 4},
        {"source": "sets/archer.kinetra.json", "forward": 240, "right": -240, "frameOffset": -3},
        {"source": "sheet.png", "comment": "places and offset left out"})"), problem);
    ASSERT_TRUE(formation) << problem;
    ASSERT_EQ(formation->figures.size(), 4u);
    const struct {
        const char* source;
        int forward;
        int right;
        int frameOffset;
    } expected[] = {
        {"spearman.flc", 0, -24, 0},
        {"spearman.flc", -18, 12, 4},
        {"sets/archer.kinetra.json", 240, -240, -3},
        {"sheet.png", 0, 0, 0},
    };
    for (std::size_t i = 0; i < formation->figures.size(); ++i) {
        const FormationFigure& figure = formation->figures[i];
        EXPECT_EQ(figure.source, expected[i].source) << i;
        EXPECT_EQ(figure.forward, expected[i].forward) << i;
        EXPECT_EQ(figure.right, expected[i].right) << i;
        EXPECT_EQ(figure.frameOffset, expected[i].frameOffset) << i;
    }
}

TEST(FormationFile, RefusesWithTheFigureAndTheFact)
{
    std::string many;
    for (int i = 0; i < 65; ++i)
        many += std::string(i ? "," : "") + R"({"source": "a.flc"})";
    const struct {
        std::string text;
        std::string problem;
    } cases[] = {
        {"", "the formation is not JSON text."},
        {R"({"format": "kinetra-formation", "figures": [)", "the formation is not JSON text."},
        {R"(["kinetra-formation"])", "the formation is not a JSON object."},
        {R"({"format": "kinetra-storyboard", "figures": []})", "format must be \"kinetra-formation\"."},
        {R"({"format": "kinetra-formation", "version": 2, "figures": [{"source": "a.flc"}]})", "version must be 1."},
        {R"({"format": "kinetra-formation", "version": "1"})", "version must be 1."},
        {R"({"format": "kinetra-formation"})", "figures must be a list of the figures, at least one."},
        {withFigures(""), "figures must be a list of the figures, at least one."},
        {R"({"format": "kinetra-formation", "figures": {"source": "a.flc"}})",
         "figures must be a list of the figures, at least one."},
        {withFigures(many), "the formation has 65 figures; it may have at most 64."},
        {withFigures(R"("a.flc")"), "figure 1: a figure must be an object that names its \"source\"."},
        {withFigures(R"({"forward": 3})"), "figure 1: source must be the name of a unit's file."},
        {withFigures(R"({"source": ""})"), "figure 1: source must be the name of a unit's file."},
        {withFigures(R"({"source": 7})"), "figure 1: source must be the name of a unit's file."},
        {withFigures(R"({"source": "a.flc"}, {"source": "b.flc", "forward": 1.5})"),
         "figure 2 (b.flc): forward must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "forward": 241})"),
         "figure 1 (a.flc): forward must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "right": -241})"),
         "figure 1 (a.flc): right must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "right": 18446744073709551615})"),
         "figure 1 (a.flc): right must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "right": null})"),
         "figure 1 (a.flc): right must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "frameOffset": "4"})"),
         "figure 1 (a.flc): frameOffset must be a whole number from -32767 to 32767."},
        {withFigures(R"({"source": "a.flc", "frameOffset": 40000})"),
         "figure 1 (a.flc): frameOffset must be a whole number from -32767 to 32767."},
    };
    for (const auto& c : cases) {
        std::string problem;
        EXPECT_FALSE(readFormation(c.text, problem)) << c.text;
        EXPECT_EQ(problem, c.problem) << c.text;
    }
}

TEST(FormationFile, AFileOverOneMebibyteIsRefusedUnread)
{
    const test::TempFolder folder;
    std::string text = withFigures(R"({"source": "a.flc"})");
    text.append(kMaxFormationBytes - text.size(), ' ');
    test::writeFile(folder / "squad.formation.json", std::vector<std::uint8_t>(text.begin(), text.end()));
    std::string problem;
    EXPECT_TRUE(readFormationFile((folder / "squad.formation.json").string(), problem)) << problem;

    text += ' ';
    test::writeFile(folder / "squad.formation.json", std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_FALSE(readFormationFile((folder / "squad.formation.json").string(), problem));
    EXPECT_EQ(problem, "squad.formation.json: the formation is 1048577 bytes; a formation is at most 1048576.");
    EXPECT_FALSE(readFormationFile((folder / "none.formation.json").string(), problem));
    EXPECT_EQ(problem, "none.formation.json: the file cannot be read.");
}

} // namespace
} // namespace kinetra
