// Storyboard sheets as other programs save them as PCX: ImageMagick and
// Pillow write the pictures, the storyboard reader must give back their
// colours exactly, true colour as true colour and 8 bits as indices.

#include "TestSupport.h"

#include "formats/PngFile.h"
#include "storyboard/StoryboardFile.h"
#include "io/WholeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace kinetra {
namespace {

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

// The commands that turn the picture `from` into the PCX `to`, as a unit
// maker would with either program.
std::string imageMagickTrueColour(const std::string& from, const std::string& to)
{
    return "convert " + quoted(from) + " -type TrueColor " + quoted(to);
}

// Debian's python3 with Pillow (python3-pil); another python3 first in the
// path may lack it. `mode` is Pillow's: "RGB" or "P".
std::string pillowSave(const std::string& from, const std::string& to, const char* mode)
{
    return "/usr/bin/python3 -c \"import sys; from PIL import Image; "
           "Image.open(sys.argv[1]).convert(sys.argv[3]).save(sys.argv[2])\" "
           + quoted(from) + " " + quoted(to) + " " + mode;
}

std::string pillowTrueColour(const std::string& from, const std::string& to)
{
    return pillowSave(from, to, "RGB");
}

// False when the program is missing or fails.
bool run(const std::string& command)
{
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

// An odd width, so that the planes carry a pad byte, and colours that
// differ in every channel, including values only a run can hold.
ExportPicture colourfulPicture()
{
    ExportPicture picture{37, 11, {}, 0};
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(0xFF000000u | std::uint32_t((x * 7 + y) & 0xFF) << 16
                                     | std::uint32_t((y * 23 + 200) & 0xFF) << 8 | std::uint32_t((x * y * 5) & 0xFF));
    }
    return picture;
}

class StoryboardPcx : public ::testing::Test {
protected:
    std::string path(const char* name) const { return (folder / name).string(); }

    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("kinetra-pcx-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
};

TEST_F(StoryboardPcx, TrueColourFromOtherProgramsKeepsEveryColour)
{
    const ExportPicture picture = colourfulPicture();
    std::string problem;
    ASSERT_TRUE(writeArgbPng(path("render.png"), picture, PngChannels::Rgb, problem)) << problem;
    struct Writer {
        const char* what;
        std::string (*command)(const std::string& from, const std::string& to);
    };
    const Writer writers[] = {{"ImageMagick", imageMagickTrueColour}, {"Pillow", pillowTrueColour}};
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.what);
        const std::string pcx = path("render.pcx");
        if (!run(writer.command(path("render.png"), pcx)))
            GTEST_SKIP() << writer.what << " is not installed (tools/setup.sh installs it)";
        const auto read = readStoryboardFile(pcx, problem);
        ASSERT_TRUE(read) << problem;
        EXPECT_FALSE(read->indexed);
        EXPECT_EQ(read->width, picture.width);
        EXPECT_EQ(read->height, picture.height);
        EXPECT_EQ(read->argb, picture.pixels);
    }
}

TEST_F(StoryboardPcx, EightBitsFromPillowKeepEveryIndexAndColour)
{
    IndexImage indices(37, 5);
    Palette palette{};
    for (std::size_t i = 0; i < indices.pixels.size(); ++i)
        indices.pixels[i] = std::uint8_t(i * 11);
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i * 3), std::uint8_t(255 - i));
    std::vector<std::uint8_t> png;
    std::string problem;
    ASSERT_TRUE(encodeIndexedPng(indices, palette, {}, png, problem)) << problem;
    {
        const test::TempFile source(png, ".png");
        if (!run(pillowSave(source.path(), path("sheet.pcx"), "P")))
            GTEST_SKIP() << "Pillow is not installed (tools/setup.sh installs it)";
    }
    const auto read = readStoryboardFile(path("sheet.pcx"), problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_TRUE(read->indexed);
    EXPECT_EQ(read->indices.pixels, indices.pixels);
    EXPECT_EQ(read->palette, palette);
    EXPECT_EQ(read->paletteSize, 256);
}

TEST_F(StoryboardPcx, DamagedTrueColourDataIsRefused)
{
    std::string problem;
    ASSERT_TRUE(writeArgbPng(path("render.png"), colourfulPicture(), PngChannels::Rgb, problem)) << problem;
    if (!run(imageMagickTrueColour(path("render.png"), path("render.pcx"))))
        GTEST_SKIP() << "ImageMagick is not installed (tools/setup.sh installs it)";
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(path("render.pcx"), bytes));
    bytes.resize(bytes.size() - 40);
    const test::TempFile cut(bytes, ".pcx");
    EXPECT_FALSE(readStoryboardFile(cut.path(), problem));
    EXPECT_EQ(problem, "Cannot read the picture: the PCX's pixel data is damaged.");
}

} // namespace
} // namespace kinetra
