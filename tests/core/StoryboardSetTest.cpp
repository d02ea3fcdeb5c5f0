// Every layout a unit is drawn in, in every picture format, with and
// without a grid, builds back into the same file byte for byte, and so does
// a set a paint program saved again in true colour; a set that is not whole
// is refused by the file that is wrong, and a set that cannot be written
// leaves the folder as it was.

#include "CrowdedUnit.h"
#include "PlayerCoreFixture.h"

#include "flc/CFlcAnimation.h"
#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardSet.h"
#include "io/WholeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kinetra {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::namesIn;
using test::TempFolder;

Bytes sample(const char* name)
{
    Bytes bytes;
    EXPECT_TRUE(readWholeFile(std::string(KINETRA_SAMPLES_DIR "/") + name, bytes));
    return bytes;
}

Storyboard storyboardOf(const Bytes& file, std::optional<int> border)
{
    CFlcAnimation animation;
    EXPECT_EQ(animation.LoadFromMemory(file, true), kOk);
    std::string problem;
    auto storyboard = makeStoryboard(animation, animation.header, border, problem);
    EXPECT_TRUE(storyboard) << problem;
    return storyboard ? *storyboard : Storyboard{};
}

// The file built from what `path` names: a sheet, or a set's note.
std::optional<StoryboardBuild> buildBack(const std::string& path, StoryboardLayoutKind kind, std::string& problem)
{
    if (kind != StoryboardLayoutKind::Sheet)
        return buildFromStoryboardSet(storyboardNotePath(path), {}, std::nullopt, problem);
    const auto picture = readStoryboardFile(path, problem);
    return picture ? buildFromStoryboard(*picture, {}, std::nullopt, problem) : std::nullopt;
}

constexpr StoryboardLayoutKind kLayouts[] = {StoryboardLayoutKind::Sheet, StoryboardLayoutKind::Filmstrips,
                                             StoryboardLayoutKind::Cels};

TEST(StoryboardSet, EveryLayoutFormatAndGridBuildsTheSameFile)
{
    const struct {
        const char* name;
        Bytes file;
    } units[] = {{"unit", sample("unit.flc")}, {"plain", sample("plain.flc")}, {"crowded", test::crowdedUnit()}};
    for (const auto& unit : units) {
        for (const std::optional<int> border : {std::optional<int>(), std::optional<int>(0)}) {
            const Storyboard storyboard = storyboardOf(unit.file, border);
            for (const StoryboardLayoutKind kind : kLayouts) {
                for (const char* extension : {".png", ".pcx", ".bmp"}) {
                    SCOPED_TRACE(std::string(unit.name) + extension + " " + std::string(storyboardLayoutName(kind))
                                 + (border ? " with a grid" : ""));
                    const TempFolder folder;
                    const std::string path = (folder / (std::string(unit.name) + extension)).string();
                    std::string problem;
                    std::optional<WriteFailure> refused;
                    ASSERT_TRUE(writeStoryboardSet(path, storyboard, kind, problem, refused)) << problem;
                    const auto built = buildBack(path, kind, problem);
                    ASSERT_TRUE(built) << problem;
                    EXPECT_EQ(built->file, unit.file);
                    EXPECT_EQ(built->approximated.total(), 0u);
                }
            }
        }
    }
}

// Drawn a row at a time straight from the frame block, every picture is
// the one the drawn sheet gives, byte for byte.
TEST(StoryboardSet, PicturesDrawnFromTheFramesAreThoseOfTheDrawnSheet)
{
    const struct {
        const char* name;
        Bytes file;
    } units[] = {{"unit", sample("unit.flc")}, {"plain", sample("plain.flc")}, {"crowded", test::crowdedUnit()}};
    for (const auto& unit : units) {
        CFlcAnimation animation;
        ASSERT_EQ(animation.LoadFromMemory(unit.file, true), kOk);
        for (const std::optional<int> border : {std::optional<int>(), std::optional<int>(9)}) {
            std::string problem;
            const auto frames = storyboardFramesOf(animation, animation.header, border, problem);
            const auto storyboard = makeStoryboard(animation, animation.header, border, problem);
            ASSERT_TRUE(frames && storyboard) << problem;
            for (const StoryboardLayoutKind kind : kLayouts) {
                for (const char* extension : {".png", ".pcx", ".bmp"}) {
                    SCOPED_TRACE(std::string(unit.name) + extension + " " + std::string(storyboardLayoutName(kind))
                                 + (border ? " with a grid" : ""));
                    const TempFolder streamed;
                    const TempFolder drawn;
                    const std::string name = std::string(unit.name) + extension;
                    std::optional<WriteFailure> refused;
                    ASSERT_TRUE(writeStoryboardSet((streamed / name).string(), *frames, kind, problem, refused))
                        << problem;
                    ASSERT_TRUE(writeStoryboardSet((drawn / name).string(), *storyboard, kind, problem, refused))
                        << problem;
                    const auto names = namesIn(streamed);
                    ASSERT_EQ(names, namesIn(drawn));
                    for (const std::string& file : names)
                        EXPECT_EQ(test::readFile(streamed / file), test::readFile(drawn / file)) << file;
                }
            }
        }
    }
}

TEST(StoryboardSet, PicturesAreNamedByDirectionAndFrame)
{
    const Storyboard unit = storyboardOf(sample("unit.flc"), std::nullopt);
    const Storyboard plain = storyboardOf(sample("plain.flc"), std::nullopt);
    const auto filmstrips = storyboardPictureNames("out/u.BMP", StoryboardLayoutKind::Filmstrips, unit.layout);
    const auto cels = storyboardPictureNames("u.png", StoryboardLayoutKind::Cels, unit.layout);
    const auto plainCels = storyboardPictureNames("p.pcx", StoryboardLayoutKind::Cels, plain.layout);
    ASSERT_EQ(filmstrips.size(), 8u);
    EXPECT_EQ(filmstrips.front(), "u_1_SW.BMP");
    EXPECT_EQ(filmstrips.back(), "u_8_W.BMP");
    ASSERT_EQ(cels.size(), std::size_t(unit.layout.frameCount()));
    EXPECT_EQ(cels[0], "u_SW_0000.png");
    EXPECT_EQ(cels[std::size_t(unit.layout.framesPerDirection) + 1], "u_S_0001.png");
    EXPECT_EQ(plainCels.front(), "p_0000.pcx");
    EXPECT_EQ(storyboardPictureNames("p.pcx", StoryboardLayoutKind::Filmstrips, plain.layout),
              std::vector<std::string>{"p_1.pcx"});
}

// ImageMagick saves each picture again in true colour, as a paint program
// that drops the palette does.
TEST(StoryboardSet, ASetSavedAgainInTrueColourBuildsTheSameFile)
{
    const Bytes file = sample("unit.flc");
    const Storyboard storyboard = storyboardOf(file, 0);
    const struct {
        const char* extension;
        const char* format; // ImageMagick's, for true colour
    } formats[] = {{".png", "PNG24"}, {".bmp", "BMP3"}, {".pcx", "PCX"}};
    for (const StoryboardLayoutKind kind : {StoryboardLayoutKind::Filmstrips, StoryboardLayoutKind::Cels}) {
        for (const auto& format : formats) {
            SCOPED_TRACE(std::string(storyboardLayoutName(kind)) + format.extension);
            const TempFolder folder;
            const std::string path = (folder / (std::string("unit") + format.extension)).string();
            std::string problem;
            std::optional<WriteFailure> refused;
            ASSERT_TRUE(writeStoryboardSet(path, storyboard, kind, problem, refused)) << problem;
            const std::string command = "cd '" + folder.path() + "' && for f in unit_*" + format.extension
                                        + "; do convert \"$f\" -type TrueColor " + format.format
                                        + ":\"$f\" || exit 1; done 2>/dev/null";
            if (std::system(command.c_str()) != 0)
                GTEST_SKIP() << "ImageMagick is not installed (tools/setup.sh installs it)";
            const auto resaved = readPictureFile((folder / storyboardPictureNames(path, kind, storyboard.layout)[0]).string(),
                                                 problem, kMaxStoryboardPixels);
            ASSERT_TRUE(resaved) << problem;
            EXPECT_EQ(resaved->kind, PictureData::Kind::TrueColour);
            const auto built = buildFromStoryboardSet(storyboardNotePath(path), {}, std::nullopt, problem);
            ASSERT_TRUE(built) << problem;
            EXPECT_EQ(built->file, file);
        }
    }
}

TEST(StoryboardSet, ASetThatIsNotWholeIsRefusedByTheFileThatIsWrong)
{
    const Storyboard storyboard = storyboardOf(sample("unit.flc"), std::nullopt);
    const struct {
        const char* what;
        void (*damage)(const fs::path& folder, StoryboardNote& note);
        const char* problem;
    } cases[] = {
        {"a picture missing", [](const fs::path& f, StoryboardNote&) { fs::remove(f / "u_3_SE.png"); },
         "u.kinetra.json names the picture 'u_3_SE.png', which is not in its folder."},
        {"a name that is no file", [](const fs::path&, StoryboardNote& n) { n.pictures[7] = "gone.png"; },
         "u.kinetra.json names the picture 'gone.png', which is not in its folder."},
        {"a picture named twice", [](const fs::path&, StoryboardNote& n) { n.pictures[7] = n.pictures[0]; },
         "u.kinetra.json names the picture 'u_1_SW.png' more than once."},
        {"one picture too many",
         [](const fs::path& f, StoryboardNote& n) {
             fs::copy_file(f / "u_8_W.png", f / "u_9.png");
             n.pictures.push_back("u_9.png");
         },
         "u.kinetra.json names 9 pictures, but its 8 directions take 8: 'u_9.png' is one too many."},
        {"one picture too few", [](const fs::path&, StoryboardNote& n) { n.pictures.pop_back(); },
         "u.kinetra.json names 7 pictures, but its 8 directions take 8."},
        {"a picture of another size", [](const fs::path&, StoryboardNote&) {}, nullptr},
        {"a note of no pictures", [](const fs::path&, StoryboardNote& n) { n.pictures.clear(); },
         "u.kinetra.json names no pictures."},
        {"a sheet's note", [](const fs::path&, StoryboardNote& n) { n.layoutKind = StoryboardLayoutKind::Sheet; },
         "u.kinetra.json is a sheet's note; build from the sheet beside it."},
        {"a picture that is none", [](const fs::path& f, StoryboardNote&) { test::writeFile(f / "u_5_NE.png", {1, 2}); },
         "u_5_NE.png: Cannot read the picture: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        const std::string path = (folder / "u.png").string();
        std::string problem;
        std::optional<WriteFailure> refused;
        ASSERT_TRUE(writeStoryboardSet(path, storyboard, StoryboardLayoutKind::Filmstrips, problem, refused)) << problem;
        const std::string notePath = storyboardNotePath(path);
        auto note = readStoryboardNoteFile(notePath, problem);
        ASSERT_TRUE(note) << problem;
        c.damage(folder.path(), *note);
        const std::string text = writeStoryboardNote(*note);
        test::writeFile(notePath, Bytes(text.begin(), text.end()));
        if (!c.problem) {
            // The second filmstrip replaced by another unit's sheet.
            const Storyboard smaller = storyboardOf(sample("plain.flc"), std::nullopt);
            std::vector<std::uint8_t> bytes;
            ASSERT_TRUE(encodeIndexedPicture(PictureFormat::Png, smaller.sheet, smaller.palette, {}, bytes, problem));
            test::writeFile(folder / "u_2_S.png", bytes);
        }
        EXPECT_FALSE(buildFromStoryboardSet(notePath, {}, std::nullopt, problem));
        if (c.problem)
            EXPECT_EQ(problem.rfind(c.problem, 0), 0u) << problem;
        else
            EXPECT_EQ(problem.rfind("u_2_S.png: the picture is ", 0), 0u) << problem;
    }
}

TEST(StoryboardSet, ASetThatCannotBeWrittenWholeLeavesNothing)
{
    const Storyboard storyboard = storyboardOf(sample("unit.flc"), std::nullopt);
    for (const char* taken : {"u_4_E.bmp", "u.kinetra.json"}) {
        SCOPED_TRACE(taken);
        const TempFolder folder;
        fs::create_directory(folder / taken);
        std::string problem;
        std::optional<WriteFailure> refused;
        EXPECT_FALSE(writeStoryboardSet((folder / "u.bmp").string(), storyboard, StoryboardLayoutKind::Filmstrips,
                                        problem, refused));
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->path, (folder / taken).string());
        EXPECT_EQ(namesIn(folder), std::vector<std::string>{taken});
    }
}

} // namespace
} // namespace kinetra
