#include "imaging/PixelProbe.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace kinetra;

namespace {

// One index of each class and the edges between them, two rows of four.
const std::uint8_t kIndices[] = {12, 130, 229, 246, 255, 0, 63, 64};

// Entry i is the grey (i, i, i).
Palette greyRamp()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
    return palette;
}

const Palette kGreys = greyRamp();
const FlcFrame kFrame{4, 2, kIndices, -1};

PictureInputs pictureAt(int left, int top)
{
    PictureInputs inputs;
    inputs.frame = &kFrame;
    inputs.left = left;
    inputs.top = top;
    inputs.palette = &kGreys;
    return inputs;
}

struct ProbeCase {
    const char* name;
    int left, top;        // the frame's offsets on the picture
    int picture;          // the picture is this square
    double shownLeft;     // where the widget shows it
    int zoom;
    double x, y;          // the widget point
    std::optional<PixelProbe> expected;
};

PixelProbe pixel(int x, int y, std::uint8_t index, IndexClass indexClass, int number)
{
    return PixelProbe{x, y, index, indexClass, number, std::uint32_t(index) * 0x010101u};
}

const ProbeCase kCases[] = {
    {"unit 1x, first pixel", 10, 20, 240, 0, 1, 10, 20, pixel(0, 0, 12, IndexClass::Civilization, 12)},
    {"unit 1x, within a pixel", 10, 20, 240, 0, 1, 13.9, 20.5, pixel(3, 0, 246, IndexClass::Shadow, 9)},
    {"unit 1x, civilization 0", 10, 20, 240, 0, 1, 11, 21, pixel(1, 1, 0, IndexClass::Civilization, 0)},
    {"unit 1x, left of the frame", 10, 20, 240, 0, 1, 9.99, 20, std::nullopt},
    {"unit 1x, right of the frame", 10, 20, 240, 0, 1, 14, 20, std::nullopt},
    {"unit 1x, below the frame", 10, 20, 240, 0, 1, 10, 22, std::nullopt},
    {"unit 8x, first pixel's far corner", 10, 20, 240, 0, 8, 87.9, 167.9, pixel(0, 0, 12, IndexClass::Civilization, 12)},
    {"unit 8x, next pixel", 10, 20, 240, 0, 8, 88, 160, pixel(1, 0, 130, IndexClass::Ordinary, 130)},
    {"unit 8x, light", 10, 20, 240, 0, 8, 99, 162, pixel(2, 0, 229, IndexClass::Light, 5)},
    {"unit 8x, transparent", 10, 20, 240, 0, 8, 80, 168, pixel(0, 1, 255, IndexClass::Transparent, 0)},
    {"unit 8x, last ordinary edge", 10, 20, 240, 0, 8, 111, 175, pixel(3, 1, 64, IndexClass::Ordinary, 64)},
    {"unit 8x, past the frame", 10, 20, 240, 0, 8, 112, 160, std::nullopt},
    {"plain 1x", 0, 0, 4, 0, 1, 0, 0, pixel(0, 0, 12, IndexClass::Civilization, 12)},
    {"plain 8x", 0, 0, 4, 0, 8, 31, 15, pixel(3, 1, 64, IndexClass::Ordinary, 64)},
    {"plain 8x, civilization 63", 0, 0, 4, 0, 8, 16, 8, pixel(2, 1, 63, IndexClass::Civilization, 63)},
    {"plain shown centred", 0, 0, 4, 5, 1, 4.9, 0, std::nullopt},
    {"plain shown centred, first pixel", 0, 0, 4, 5, 1, 5, 0, pixel(0, 0, 12, IndexClass::Civilization, 12)},
    {"off the picture", 0, 0, 4, 0, 8, 32, 0, std::nullopt},
};

} // namespace

TEST(PixelProbe, NamesThePixelIndexAndClassUnderAPoint)
{
    for (const ProbeCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const double side = double(c.picture) * c.zoom;
        const PictureOnScreen shown{c.shownLeft, 0, side, side, c.picture, c.picture};
        const std::optional<PixelProbe> probe = probePicture(pictureAt(c.left, c.top), shown, c.x, c.y);
        ASSERT_EQ(probe.has_value(), c.expected.has_value());
        if (!probe)
            continue;
        EXPECT_EQ(probe->x, c.expected->x);
        EXPECT_EQ(probe->y, c.expected->y);
        EXPECT_EQ(probe->index, c.expected->index);
        EXPECT_EQ(probe->indexClass, c.expected->indexClass);
        EXPECT_EQ(probe->classNumber, c.expected->classNumber);
        EXPECT_EQ(probe->color, c.expected->color);
    }
}

TEST(PixelProbe, NothingLoadedNamesNothing)
{
    PictureInputs none;
    EXPECT_FALSE(probePicture(none, PictureOnScreen{0, 0, 240, 240, 240, 240}, 10, 10));
}

TEST(PixelProbe, ClassNumbersFollowTheLevels)
{
    const std::pair<int, int> cases[] = {{0, 0}, {63, 63}, {64, 64}, {223, 223}, {224, 0},
                                         {239, 15}, {240, 15}, {254, 1}, {255, 0}};
    for (const auto& [index, number] : cases)
        EXPECT_EQ(indexClassNumber(index), number) << index;
}

TEST(PixelProbe, MarksEveryClassButOrdinaryAndClipsToThePicture)
{
    constexpr std::uint32_t kPicture = 0xFF808080;
    const std::uint32_t civ = 0xFFFF00FF, light = 0xFFFFFF00, shadow = 0xFF0000FF, clear = 0xFF00FF00;
    EXPECT_EQ(indexClassMark(IndexClass::Civilization), civ);
    EXPECT_EQ(indexClassMark(IndexClass::Ordinary), 0u);

    // A 6 × 3 picture with the frame's top-left at (2, 1).
    std::vector<std::uint32_t> whole(6 * 3, kPicture);
    markIndexClasses(pictureAt(2, 1), whole.data(), 6, 3, 6);
    EXPECT_EQ(whole, (std::vector<std::uint32_t>{
                         kPicture, kPicture, kPicture, kPicture, kPicture, kPicture, //
                         kPicture, kPicture, civ,      kPicture, light,    shadow,   //
                         kPicture, kPicture, clear,    civ,      civ,      kPicture,
                     }));

    // A 5 × 2 picture, rows 7 pixels apart, cuts the frame's last column
    // and row; the pixels between the rows are not the picture's.
    std::vector<std::uint32_t> cut(7 * 2, kPicture);
    markIndexClasses(pictureAt(2, 1), cut.data(), 5, 2, 7);
    EXPECT_EQ(cut, (std::vector<std::uint32_t>{
                       kPicture, kPicture, kPicture, kPicture, kPicture, kPicture, kPicture, //
                       kPicture, kPicture, civ,      kPicture, light,    kPicture, kPicture,
                   }));
}
