// A storyboard's picture and sidecar change together or not at all: a
// sheet written over an earlier one whose picture or note cannot be
// replaced leaves the earlier pair as it was.

#include "PlayerCoreFixture.h"
#include "TestSupport.h"

#include "storyboard/StoryboardFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kinetra {
namespace {

using test::asUnprivilegedUser;
using test::namesIn;
using test::readFile;
using test::TempFolder;

// A sheet of `directions` rows of two 3 × 4 frames, its pixels `fill`.
Storyboard sheetOf(int directions, std::uint8_t fill)
{
    Storyboard storyboard;
    storyboard.layout.frameWidth = 3;
    storyboard.layout.frameHeight = 4;
    storyboard.layout.directions = directions;
    storyboard.layout.framesPerDirection = 2;
    storyboard.layout.speed = 70;
    storyboard.sheet = IndexImage(storyboard.layout.sheetWidth(), storyboard.layout.sheetHeight());
    std::fill(storyboard.sheet.pixels.begin(), storyboard.sheet.pixels.end(), fill);
    return storyboard;
}

struct Pair {
    std::vector<std::uint8_t> picture;
    std::vector<std::uint8_t> note;
};

class StoryboardFileWrite : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
        picture = (folder / (std::string("unit.") + GetParam())).string();
        note = (folder / "unit.kinetra.json").string();
        std::string problem;
        std::optional<WriteFailure> refused;
        ASSERT_TRUE(writeStoryboardFile(picture, sheetOf(8, 1), problem, refused)) << problem;
        earlier = {readFile(picture), readFile(note)};
    }

    // Writes a sheet of another layout as a user who may not write `locked`.
    bool writeOverAsUserWhoMayNotWrite(const std::string& locked)
    {
        ::chmod(picture.c_str(), 0666);
        ::chmod(note.c_str(), 0666);
        EXPECT_EQ(::chmod(locked.c_str(), 0444), 0);
        return asUnprivilegedUser([this, &locked] {
            std::string problem;
            std::optional<WriteFailure> refused;
            return !writeStoryboardFile(picture, sheetOf(1, 2), problem, refused) && refused
                && refused->path == locked && refused->error == std::errc::permission_denied;
        });
    }

    TempFolder folder;
    std::string picture;
    std::string note;
    Pair earlier;
};

TEST_P(StoryboardFileWrite, APictureThatCannotBeReplacedLeavesTheEarlierNote)
{
    EXPECT_TRUE(writeOverAsUserWhoMayNotWrite(picture));
    EXPECT_EQ(readFile(picture), earlier.picture);
    EXPECT_EQ(readFile(note), earlier.note);
    EXPECT_EQ(namesIn(folder).size(), 2u);
}

TEST_P(StoryboardFileWrite, ANoteThatCannotBeReplacedLeavesTheEarlierPicture)
{
    EXPECT_TRUE(writeOverAsUserWhoMayNotWrite(note));
    EXPECT_EQ(readFile(picture), earlier.picture);
    EXPECT_EQ(readFile(note), earlier.note);
    EXPECT_EQ(namesIn(folder).size(), 2u);
}

TEST_P(StoryboardFileWrite, ANewPictureWhoseNoteCannotBeWrittenIsNotLeft)
{
    const std::string other = (folder / (std::string("other.") + GetParam())).string();
    std::filesystem::create_directory(folder / "other.kinetra.json");
    std::string problem;
    std::optional<WriteFailure> refused;
    EXPECT_FALSE(writeStoryboardFile(other, sheetOf(1, 2), problem, refused));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->path, (folder / "other.kinetra.json").string());
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(namesIn(folder).size(), 3u);
}

TEST_P(StoryboardFileWrite, ASheetWrittenOverAnotherReadsBackWithItsOwnNote)
{
    std::string problem;
    std::optional<WriteFailure> refused;
    ASSERT_TRUE(writeStoryboardFile(picture, sheetOf(1, 2), problem, refused)) << problem;
    const auto read = readStoryboardFile(picture, problem);
    ASSERT_TRUE(read && read->note) << problem;
    EXPECT_EQ(read->note->facts.directions, 1);
    EXPECT_EQ(read->height, 4);
    EXPECT_FALSE(read->textNoteOverruled);
    EXPECT_EQ(namesIn(folder).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Formats, StoryboardFileWrite, ::testing::Values("png", "pcx", "bmp"));

} // namespace
} // namespace kinetra
