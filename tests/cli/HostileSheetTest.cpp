// Sheets and notes made to cost: each is refused with status 1 and a
// message naming what is wrong, writes nothing, and is refused from what
// the file's first bytes and size say, so the whole run stays under 64 MiB
// of resident memory however much the file claims or holds.

#include "CliFixtures.h"
#include "CliRunner.h"

#include "tests/core/PngChunks.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::pngClaiming;

constexpr long kMemoryBoundKib = 64 * 1024;
constexpr std::uintmax_t kGigabyte = 1024ull * 1024 * 1024;

// `head` followed by nothing up to `size` bytes, which the file system
// keeps as a hole.
void writeSparse(const std::string& path, const Bytes& head, std::uintmax_t size)
{
    if (!head.empty())
        writeBytes(path, head);
    else
        std::ofstream(path, std::ios::binary).flush();
    fs::resize_file(path, size);
}

void putLittleEndian16(Bytes& bytes, std::size_t at, int value)
{
    bytes[at] = std::uint8_t(value);
    bytes[at + 1] = std::uint8_t(value >> 8);
}

class HostileSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        game = writeGameFixture(dir);
        ASSERT_EQ(runCli({"storyboard", game.path, "--out", dir.file("sheet.pcx")}).status, 0);
        ASSERT_EQ(runCli({"split", game.path, "--out-dir", dir.file("split")}).status, 0);
        pcx = fileBytes(dir.file("sheet.pcx"));
    }

    // The sheet's PCX with one header byte changed.
    Bytes pcxWith(std::size_t at, std::uint8_t value) const
    {
        Bytes changed = pcx;
        changed[at] = value;
        return changed;
    }

    // A split folder whose note names these files, with these directions.
    std::string splitNaming(const std::vector<std::string>& names, std::optional<int> directions)
    {
        const fs::path folder = dir.file("split");
        const fs::path notePath = folder / "unit.kinetra.json";
        auto note = nlohmann::json::parse(std::ifstream(notePath));
        note["directionFiles"] = names;
        if (directions)
            note["directions"] = *directions;
        else
            note.erase("directions");
        std::ofstream(notePath) << note.dump();
        return folder.string();
    }

    TempDir dir;
    GameFixture game;
    Bytes pcx;
};

TEST_F(HostileSheet, IsRefusedCheaplyAndWritesNothing)
{
    const std::string out = dir.file("out.flc");
    const std::string png = dir.file("hostile.png");
    const std::string sheet = dir.file("hostile.pcx");
    const auto build = [&](const std::string& path) { return std::vector<std::string>{"build", path, "--out", out}; };
    const auto file = [](const std::string& path, const Bytes& bytes) { return [=] { writeBytes(path, bytes); }; };
    const std::string unitFile = "unit_1_SW.flc";
    std::vector<std::string> distinct;
    for (int i = 0; i < 3000; ++i)
        distinct.push_back("direction" + std::to_string(i) + ".flc");

    struct Case {
        const char* what;
        std::function<void()> make;
        std::vector<std::string> args;
        const char* message;
    };
    Bytes truncatedPcx(pcx.begin(), pcx.end() - 769);
    Bytes hugePcx = pcxWith(0, 10);
    putLittleEndian16(hugePcx, 8, 0xFFFE);
    putLittleEndian16(hugePcx, 10, 0xFFFE);
    putLittleEndian16(hugePcx, 66, 0xFFFF);
    Bytes starvedPcx(hugePcx.begin(), hugePcx.begin() + 1024);
    putLittleEndian16(starvedPcx, 8, 3999);
    putLittleEndian16(starvedPcx, 10, 3999);
    putLittleEndian16(starvedPcx, 66, 4000);
    const std::vector<Case> cases = {
        {"an 8000 x 8000 PNG", file(png, pngClaiming({.width = 8000, .height = 8000})), build(png),
         "8000 x 8000 pixels is more than the 16777216 pixels a storyboard holds"},
        {"a 1 GB hole named .png", [&] { writeSparse(png, {}, kGigabyte); }, build(png), "it is not a PNG"},
        {"a small PNG header before 1 GB", [&] { writeSparse(png, pngClaiming({.colourType = 3}), kGigabyte); }, build(png),
         "are far more than a PNG of 1 x 1 pixels holds"},
        {"a PNG too short for its rows", file(png, pngClaiming({.width = 4000, .height = 4000})), build(png),
         "a PNG of 4000 x 4000 pixels cannot fit in"},
        {"a PNG of a depth the format does not have", file(png, pngClaiming({.depth = 3})),
         build(png), "colour type 2 at 3 bits"},
        {"a PCX of another maker", file(sheet, pcxWith(0, 5)), build(sheet), "its first byte is 5, not 10"},
        {"an uncompressed PCX", file(sheet, pcxWith(2, 0)), build(sheet), "encoding byte is 0"},
        {"a PCX of 0 bits per pixel", file(sheet, pcxWith(3, 0)), build(sheet), "has 0 bits per pixel in 1 plane"},
        {"a PCX of 1 bit per pixel", file(sheet, pcxWith(3, 1)), build(sheet), "has 1 bit per pixel in 1 plane"},
        {"a PCX of 4 bits per pixel", file(sheet, pcxWith(3, 4)), build(sheet), "has 4 bits per pixel in 1 plane"},
        {"an 8-bit PCX in two planes", file(sheet, pcxWith(65, 2)), build(sheet), "8 bits per pixel in 2 planes"},
        {"an 8-bit PCX without its palette", file(sheet, truncatedPcx), build(sheet), "no 256-colour palette"},
        {"a PCX claiming 65535 x 65535", file(sheet, hugePcx), build(sheet), "65535 x 65535 pixels is more than"},
        {"a PCX too short for its lines", file(sheet, starvedPcx), build(sheet), "a PCX of 4000 x 4000 pixels cannot fit in"},
        {"a PCX header before 1 GB", [&] { writeSparse(sheet, pcx, kGigabyte); }, build(sheet),
         "bytes are far more than a PCX of"},
        {"a 3 GB sidecar", [&] { writeSparse(dir.file("sheet.kinetra.json"), {}, 3 * kGigabyte); },
         build(dir.file("sheet.pcx")), "is 3221225472 bytes; a storyboard note is at most 1048576"},
        {"a sidecar just over 1 MiB",
         [&] { writeBytes(dir.file("sheet.kinetra.json"), Bytes(1024 * 1024 + 1, ' ')); },
         build(dir.file("sheet.pcx")), "a storyboard note is at most 1048576"},
        {"a split naming one file 8000 times", [&] { splitNaming(std::vector<std::string>(8000, unitFile), 8); },
         {"join", dir.file("split"), "--out", out}, "names 8000 direction files; a split holds at most 8"},
        {"a split naming one file twice", [&] { splitNaming({unitFile, unitFile}, std::nullopt); },
         {"join", dir.file("split"), "--out", out}, "names the direction file 'unit_1_SW.flc' more than once"},
        {"a split of 3000 files and no directions", [&] { splitNaming(distinct, std::nullopt); },
         {"join", dir.file("split"), "--out", out}, "names 3000 direction files"},
        {"a split whose directions are not its files", [&] { splitNaming({"unit_1_SW.flc", "unit_2_S.flc"}, 8); },
         {"join", dir.file("split"), "--out", out}, "gives 8 directions but names 2 direction files"},
        {"a split note over 1 MiB",
         [&] { writeBytes(dir.file("split/unit.kinetra.json"), Bytes(2 * 1024 * 1024, ' ')); },
         {"join", dir.file("split"), "--out", out}, "a storyboard note is at most 1048576"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        const CliResult result = runCliMeasured(c.args);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_GT(result.peakKib, 0);
        EXPECT_LT(result.peakKib, kMemoryBoundKib);
    }
}

TEST_F(HostileSheet, SplitNotesWithinTheBoundsStillJoin)
{
    // The game's eight files, named once each and in the note's count, are
    // what every split holds; the bounds leave it be.
    const std::string out = dir.file("joined.flc");
    ASSERT_EQ(runCli({"join", dir.file("split"), "--out", out}).status, 0);
    EXPECT_EQ(fileBytes(out), fileBytes(game.path));
}

} // namespace
} // namespace kinetra::clitest
