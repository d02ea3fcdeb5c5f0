#include "imaging/PixelProbe.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

using namespace kinetra;

namespace {

// One index of each class and the edges between them, two rows of four.
const std::uint8_t kIndices[] = {12, 130, 229, 246, 255, 0, 63, 224};
const FlcFrame kFrame{4, 2, kIndices, -1};

// Entry i is the grey (i, i, i).
const Palette kGreys = [] {
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
    return palette;
}();

PictureInputs frameAt(int left, int top)
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
    int left, top; // the frame's offsets on the picture
    int picture;   // the picture's side
    double shownLeft;
    int zoom;
    double x, y;   // the widget point
    std::optional<PixelProbe> expected;
};

PixelProbe pixel(int x, int y, std::uint8_t index, IndexClass indexClass, int number)
{
    return PixelProbe{x, y, index, indexClass, number, std::uint32_t(index) * 0x010101u};
}

const ProbeCase kCases[] = {
    {"unit 1x, first pixel", 10, 20, 240, 0, 1, 10, 20, pixel(0, 0, 12, IndexClass::Civilization, 12)},
    {"unit 1x, inside a pixel", 10, 20, 240, 0, 1, 13.9, 20.5, pixel(3, 0, 246, IndexClass::Shadow, 9)},
    {"unit 1x, left of the frame", 10, 20, 240, 0, 1, 9.99, 20, std::nullopt},
    {"unit 8x, far corner", 10, 20, 240, 0, 8, 87.9, 167.9, pixel(0, 0, 12, IndexClass::Civilization, 12)},
    {"unit 8x, light", 10, 20, 240, 0, 8, 99, 162, pixel(2, 0, 229, IndexClass::Light, 5)},
    {"unit 8x, transparent", 10, 20, 240, 0, 8, 80, 168, pixel(0, 1, 255, IndexClass::Transparent, 0)},
    {"unit 8x, past the frame", 10, 20, 240, 0, 8, 112, 160, std::nullopt},
    {"plain 8x, civilization 63", 0, 0, 4, 0, 8, 16, 8, pixel(2, 1, 63, IndexClass::Civilization, 63)},
    {"plain shown centred", 0, 0, 4, 5, 1, 4.9, 0, std::nullopt},
    {"plain shown centred, first pixel", 0, 0, 4, 5, 1, 5, 0, pixel(0, 0, 12, IndexClass::Civilization, 12)},
};

} // namespace

TEST(PixelProbe, NamesThePixelIndexAndClassUnderAPoint)
{
    for (const ProbeCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const double side = double(c.picture) * c.zoom;
        const PictureOnScreen shown{c.shownLeft, 0, side, side, c.picture, c.picture};
        const std::optional<PixelProbe> probe = probePicture(frameAt(c.left, c.top), shown, c.x, c.y);
        ASSERT_EQ(probe.has_value(), c.expected.has_value());
        if (probe) {
            const PixelProbe& e = *c.expected;
            EXPECT_EQ(std::tie(probe->x, probe->y, probe->index, probe->classNumber, probe->color),
                      std::tie(e.x, e.y, e.index, e.classNumber, e.color));
            EXPECT_EQ(probe->indexClass, e.indexClass);
        }
    }
    EXPECT_FALSE(probePicture(PictureInputs{}, PictureOnScreen{0, 0, 240, 240, 240, 240}, 10, 10));
}

TEST(PixelProbe, MarksEveryClassButOrdinaryAndClipsToThePicture)
{
    constexpr std::uint32_t o = 0xFF808080; // the picture
    const std::uint32_t civ = 0xFFFF00FF, light = 0xFFFFFF00, shadow = 0xFF0000FF, clear = 0xFF00FF00;
    // A 6 × 3 picture with the frame's top-left at (2, 1).
    std::vector<std::uint32_t> whole(6 * 3, o);
    markIndexClasses(frameAt(2, 1), whole.data(), 6, 3, 6);
    EXPECT_EQ(whole, (std::vector<std::uint32_t>{o, o, o,     o,   o,   o,  //
                                                 o, o, civ,   o,   light, shadow, //
                                                 o, o, clear, civ, civ,   light}));
    // A 5 × 2 picture, rows 7 pixels apart, cuts the frame's last column and
    // row; the pixels between the rows are not the picture's.
    std::vector<std::uint32_t> cut(7 * 2, o);
    markIndexClasses(frameAt(2, 1), cut.data(), 5, 2, 7);
    EXPECT_EQ(cut, (std::vector<std::uint32_t>{o, o, o, o, o, o, o, //
                                               o, o, civ, o, light, o, o}));
}
