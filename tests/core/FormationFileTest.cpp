// Formation files as a unit maker writes them by hand: every fact checked
// for its type and range, a wrong one refused naming the figure and the
// fact, and a file too large refused unread.

#include "PlayerCoreFixture.h"

#include "storyboard/FormationFile.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kinetra {
namespace {

std::string withFigures(const std::string& figures)
{
    return R"({"format": "kinetra-formation", "version": 1, "figures": [)" + figures + "]}";
}

TEST(FormationFile, ReadsEveryFigureInOrder)
{
    std::string problem;
    const auto formation = readFormation(withFigures(R"({"source": "a.flc", "forward": 240, "right": -24,
        "frameOffset": -3}, {"source": "sets/b.kinetra.json", "comment": "the rest left out"})"), problem);
    ASSERT_TRUE(formation) << problem;
    ASSERT_EQ(formation->figures.size(), 2u);
    const FormationFigure& first = formation->figures[0];
    EXPECT_EQ(std::tie(first.source, first.forward, first.right, first.frameOffset),
              std::make_tuple(std::string("a.flc"), 240, -24, -3));
    const FormationFigure& second = formation->figures[1];
    EXPECT_EQ(std::tie(second.source, second.forward, second.right, second.frameOffset),
              std::make_tuple(std::string("sets/b.kinetra.json"), 0, 0, 0));
}

TEST(FormationFile, RefusesWithTheFigureAndTheFact)
{
    std::string many;
    for (int i = 0; i < 65; ++i)
        many += std::string(i ? "," : "") + R"({"source": "a.flc"})";
    const std::pair<std::string, std::string> cases[] = {
        {R"({"format": "kinetra-formation", "figures": [)", "the formation is not JSON text."},
        {R"(["kinetra-formation"])", "the formation is not a JSON object."},
        {R"({"format": "kinetra-storyboard", "figures": []})", "format must be \"kinetra-formation\"."},
        {R"({"format": "kinetra-formation", "version": 2})", "version must be 1."},
        {withFigures(""), "figures must be a list of the figures, at least one."},
        {withFigures(many), "the formation has 65 figures; it may have at most 64."},
        {withFigures(R"("a.flc")"), "figure 1: a figure must be an object that names its \"source\"."},
        {withFigures(R"({"source": ""})"), "figure 1: source must be the name of a unit's file."},
        {withFigures(R"({"source": "a.flc"}, {"source": "b.flc", "forward": 1.5})"),
         "figure 2 (b.flc): forward must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "forward": 241})"),
         "figure 1 (a.flc): forward must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "right": 18446744073709551615})"),
         "figure 1 (a.flc): right must be a whole number from -240 to 240."},
        {withFigures(R"({"source": "a.flc", "frameOffset": "4"})"),
         "figure 1 (a.flc): frameOffset must be a whole number from -32767 to 32767."},
    };
    for (const auto& [text, expected] : cases) {
        std::string problem;
        EXPECT_FALSE(readFormation(text, problem)) << text;
        EXPECT_EQ(problem, expected) << text;
    }
}

TEST(FormationFile, AFileOverOneMebibyteIsRefusedUnread)
{
    const test::TempFolder folder;
    const auto path = folder / "squad.formation.json";
    std::string text = withFigures(R"({"source": "a.flc"})");
    text.append(kMaxFormationBytes - text.size(), ' ');
    test::writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    std::string problem;
    EXPECT_TRUE(readFormationFile(path.string(), problem)) << problem;
    text += ' ';
    test::writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_FALSE(readFormationFile(path.string(), problem));
    EXPECT_EQ(problem, "squad.formation.json: the formation is 1048577 bytes; a formation is at most 1048576.");
}

} // namespace
} // namespace kinetra
