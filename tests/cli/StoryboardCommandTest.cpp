// storyboard, build, split and join as a unit maker uses them: out to a
// picture (a sheet, filmstrips or cels), edited, back into a game FLC;
// refusals end with status 1 and leave nothing behind.

#include "CliFixtures.h"
#include "CliRunner.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "imaging/CScreen.h"
#include "palette/PaletteFiles.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

class CliStoryboard : public ::testing::Test {
protected:
    CliResult run(const std::vector<std::string>& args)
    {
        last = runCli(args);
        return last;
    }

    // The frames' indices of an FLC file, in playing order.
    std::vector<std::vector<std::uint8_t>> framesOf(const std::string& path)
    {
        CFlcAnimation animation;
        EXPECT_EQ(animation.Load(path, true), kOk) << path;
        std::vector<std::vector<std::uint8_t>> frames;
        for (const FlcFrame& frame : animation.frames)
            frames.emplace_back(frame.pixels().begin(), frame.pixels().end());
        return frames;
    }

    TempDir dir;
    CliResult last;
};

TEST_F(CliStoryboard, StoryboardsBuildBackIntoTheSameFile)
{
    const GameFixture game = writeGameFixture(dir);
    const std::string plain = writePlainFixture(dir, "plain.flc", 6, 0);
    struct Case {
        std::string source;
        std::string sheet;
        std::vector<std::string> options;
    };
    const Case cases[] = {
        {game.path, "game.png", {}},
        {game.path, "game-border.png", {"--border", "254"}},
        {game.path, "game.pcx", {}},
        {game.path, "game-border.pcx", {"--border", "0"}},
        {plain, "plain.png", {}},
        {plain, "plain-border.pcx", {"--border", "17"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sheet);
        std::vector<std::string> args{"storyboard", c.source, "--out", dir.file(c.sheet)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ASSERT_EQ(run(args).status, 0) << last.err;
        EXPECT_TRUE(fs::exists(dir.file(fs::path(c.sheet).stem().string() + ".kinetra.json")));
        const std::string built = dir.file(c.sheet + ".flc");
        ASSERT_EQ(run({"build", dir.file(c.sheet), "--out", built}).status, 0) << last.err;
        EXPECT_EQ(fileBytes(built), fileBytes(c.source));
    }
}

// A plain file too wide for one row is storyboarded in rows, as PNG and
// PCX, and built back; its filmstrip and cels need no rows.
TEST_F(CliStoryboard, WidePlainFilesWrapAndBuildBack)
{
    std::vector<IndexImage> images;
    for (int i = 0; i < 9; ++i)
        images.push_back(patternImage(700, 5, i));
    const std::string plain = dir.file("wide.flc");
    writeBytes(plain, encoder::buildPlainFlc(distinctPalette(), images, 30));
    for (const char* sheet : {"wide.png", "wide-cels.png", "wide.pcx", "wide.bmp"}) {
        SCOPED_TRACE(sheet);
        std::vector<std::string> args{"storyboard", plain, "--out", dir.file(sheet)};
        const bool cels = std::string(sheet) == "wide-cels.png";
        if (cels)
            args.insert(args.end(), {"--layout", "cels"});
        ASSERT_EQ(run(args).status, 0) << last.err;
        const std::string note = dir.file(fs::path(sheet).stem().string() + ".kinetra.json");
        const auto noteBytes = fileBytes(note);
        const std::string noteText(noteBytes.begin(), noteBytes.end());
        EXPECT_EQ(noteText.find("\"columns\": 5") != std::string::npos, !cels) << noteText;
        const std::string built = dir.file(std::string(sheet) + ".flc");
        ASSERT_EQ(run({"build", cels ? note : dir.file(sheet), "--out", built}).status, 0) << last.err;
        EXPECT_EQ(fileBytes(built), fileBytes(plain));
    }
}

TEST_F(CliStoryboard, ThePngIsIndexedWithTheFilePaletteAndCarriesItsNote)
{
    const GameFixture game = writeGameFixture(dir);
    ASSERT_EQ(run({"storyboard", game.path, "--out", dir.file("sheet.png"), "--border", "3"}).status, 0) << last.err;
    const QImage sheet(QString::fromStdString(dir.file("sheet.png")));
    ASSERT_EQ(sheet.format(), QImage::Format_Indexed8);
    EXPECT_EQ(sheet.width(), GameFixture::kFramesPerDirection * (GameFixture::kWidth + 1) + 1);
    EXPECT_EQ(sheet.height(), GameFixture::kDirections * (GameFixture::kHeight + 1) + 1);
    ASSERT_EQ(sheet.colorCount(), 256);
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& entry = game.palette[std::size_t(i)];
        EXPECT_EQ(sheet.color(i), qRgb(entry.red, entry.green, entry.blue)) << i;
    }
    // Direction 2 (S), frame 3: its top-left pixel, past the grid lines.
    const IndexImage& frame = game.images[1 * GameFixture::kFramesPerDirection + 2];
    EXPECT_EQ(sheet.pixelIndex(2 * (GameFixture::kWidth + 1) + 1, 1 * (GameFixture::kHeight + 1) + 1), frame.at(0, 0));
    EXPECT_EQ(sheet.pixelIndex(0, 0), 3);
    EXPECT_NE(sheet.text("Kinetra-Storyboard").indexOf("\"framesPerDirection\": 3"), -1);
}

TEST_F(CliStoryboard, AnEditedPixelPlaysInTheBuiltFile)
{
    const GameFixture game = writeGameFixture(dir);
    ASSERT_EQ(run({"storyboard", game.path, "--out", dir.file("sheet.png")}).status, 0) << last.err;
    QImage sheet(QString::fromStdString(dir.file("sheet.png")));
    // A paint program drops the text chunk; the sidecar still has the layout.
    QImage edited = sheet.copy();
    edited.setText("Kinetra-Storyboard", QString());
    edited.setPixel(GameFixture::kWidth + 4, GameFixture::kHeight * 7 + 5, 42); // direction 8, frame 2
    ASSERT_TRUE(edited.save(QString::fromStdString(dir.file("sheet.png"))));

    ASSERT_EQ(run({"build", dir.file("sheet.png"), "--out", dir.file("edited.flc")}).status, 0) << last.err;
    const auto frames = framesOf(dir.file("edited.flc"));
    ASSERT_EQ(frames.size(), game.images.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::vector<std::uint8_t> expected = game.images[i].pixels;
        if (i == 7 * GameFixture::kFramesPerDirection + 1)
            expected[5 * GameFixture::kWidth + 4] = 42;
        EXPECT_EQ(frames[i], expected) << "frame " << i;
    }
}

TEST_F(CliStoryboard, ARenderIsMappedOntoTheGivenPalette)
{
    const GameFixture game = writeGameFixture(dir);
    writeBytes(dir.file("game.act"), encodePalette(game.palette, PaletteFormat::Act));
    // One direction of two 3 × 2 frames in true colour: one of the palette's
    // own colours, magenta, a transparent pixel and a colour next to entry 150.
    QImage render(6, 2, QImage::Format_ARGB32);
    const PaletteEntry& ordinary = game.palette[100];
    render.fill(qRgb(ordinary.red, ordinary.green, ordinary.blue));
    render.setPixel(0, 0, qRgb(255, 0, 255));
    render.setPixel(1, 0, qRgba(0, 0, 0, 0));
    const PaletteEntry& near = game.palette[150];
    render.setPixel(2, 0, qRgb(near.red ^ 1, near.green, near.blue));
    ASSERT_TRUE(render.save(QString::fromStdString(dir.file("render.png"))));

    // The palette from a palette file or from an FLC.
    for (const std::string& palette : {dir.file("game.act"), game.path}) {
        SCOPED_TRACE(palette);
        const std::string flc = dir.file("render.flc");
        ASSERT_EQ(run({"build", dir.file("render.png"), "--out", flc, "--directions", "1", "--frames-per-direction", "2",
                       "--speed", "80", "--palette", palette})
                      .status,
                  0)
            << last.err;
        EXPECT_NE(last.out.find("1 pixels took the nearest colour"), std::string::npos) << last.out;
        const auto frames = framesOf(flc);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0], (std::vector<std::uint8_t>{255, 255, 150, 100, 100, 100}));
        EXPECT_EQ(frames[1], (std::vector<std::uint8_t>(6, 100)));
    }
}

TEST_F(CliStoryboard, RefusalsLeaveNothingBehind)
{
    const GameFixture game = writeGameFixture(dir);
    ASSERT_EQ(run({"storyboard", game.path, "--out", dir.file("sheet.pcx"), "--border", "3"}).status, 0) << last.err;
    fs::create_directory(dir.file("empty"));
    QImage odd(10, 10, QImage::Format_RGB32);
    odd.fill(Qt::red);
    ASSERT_TRUE(odd.save(QString::fromStdString(dir.file("odd.png"))));
    const std::string out = dir.file("out.flc");

    struct Refusal {
        const char* reason;
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Refusal refusals[] = {
        {"the border is not on the grid", {"build", dir.file("sheet.pcx"), "--out", out, "--border", "9"}, 1,
         "is not all of the border index 9"},
        {"a true-colour sheet without a palette",
         {"build", dir.file("odd.png"), "--out", out, "--directions", "1", "--frames-per-direction", "2", "--speed", "5"},
         1, "--palette"},
        {"no layout at all", {"build", dir.file("odd.png"), "--out", out}, 1, "does not say the directions"},
        {"a grid that does not divide",
         {"build", dir.file("sheet.pcx"), "--out", out, "--frames-per-direction", "4"}, 1,
         "does not divide into 4 frames and their grid lines"},
        {"a direction count the game does not know", {"build", dir.file("sheet.pcx"), "--out", out, "--directions", "5"},
         2, "--directions takes 8 or 1"},
        {"a picture that is not one", {"build", game.path, "--out", out}, 1, ".png, .pcx or .bmp"},
        {"a plain file has no directions to split", {"split", writePlainFixture(dir, "p.flc", 3, 50), "--out-dir", dir.file("split")},
         1, "nothing to split"},
        {"a folder without a split", {"join", dir.file("empty"), "--out", out}, 1, "holds no split note"},
        {"a storyboard's note is no split", {"join", dir.path().string(), "--out", out}, 1, "not a split's"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.reason);
        EXPECT_EQ(run(r.args).status, r.status);
        EXPECT_NE(last.err.find(r.message), std::string::npos) << last.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(CliStoryboard, SplitDirectionsJoinBack)
{
    const GameFixture game = writeGameFixture(dir);
    const std::string folder = dir.file("split");
    ASSERT_EQ(run({"split", game.path, "--out-dir", folder}).status, 0) << last.err;
    for (const char* name : {"unit_1_SW.flc", "unit_4_E.flc", "unit_8_W.flc", "unit.kinetra.json"})
        EXPECT_TRUE(fs::exists(fs::path(folder) / name)) << name;

    // A FLIC editor saves the direction back: the same frames in a file of its own.
    const std::string west = (fs::path(folder) / "unit_8_W.flc").string();
    const auto westBytes = fileBytes(west);
    ASSERT_EQ(run({"join", folder, "--out", dir.file("joined.flc")}).status, 0) << last.err;
    EXPECT_EQ(fileBytes(dir.file("joined.flc")), fileBytes(game.path));
    EXPECT_EQ(fileBytes(west), westBytes);

    EXPECT_EQ(run({"split", game.path, "--out-dir", folder}).status, 1);
    EXPECT_NE(last.err.find("already holds a split"), std::string::npos) << last.err;
}

TEST_F(CliStoryboard, EveryLayoutBuildsBackFromItsNote)
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

TEST_F(CliStoryboard, ASetThatIsNotWholeBuildsNothing)
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
