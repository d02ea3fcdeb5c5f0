// Colours onto a game palette: the entry each colour names, which near
// colours are taken for an entry, what is transparent, and the sheet
// palettes whose entries all differ enough for a quantizer to keep them.

#include "formats/DistinctPalette.h"
#include "formats/PaletteMapping.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace kinetra {
namespace {

constexpr std::uint32_t opaque(int red, int green, int blue)
{
    return 0xFF000000u | (std::uint32_t(red) << 16) | (std::uint32_t(green) << 8) | std::uint32_t(blue);
}

// Every entry a dark grey-blue far from the colours the cases use, except
// those each case sets.
Palette backgroundPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i / 4), std::uint8_t(i / 4), std::uint8_t(40 + i / 2));
    return palette;
}

TEST(IndexClass, RangesOfTheGamesPalette)
{
    const struct {
        int index;
        IndexClass expected;
    } cases[] = {
        {0, IndexClass::Civilization}, {63, IndexClass::Civilization}, {64, IndexClass::Ordinary},
        {223, IndexClass::Ordinary},   {224, IndexClass::Light},       {239, IndexClass::Light},
        {240, IndexClass::Shadow},     {254, IndexClass::Shadow},      {255, IndexClass::Transparent},
    };
    for (const auto& c : cases)
        EXPECT_EQ(indexClassOf(c.index), c.expected) << c.index;
}

TEST(PaletteColourNames, EachColourNamesItsEntry)
{
    Palette palette = backgroundPalette();
    palette[5] = PaletteEntry::fromRgb(200, 30, 30);    // civilization
    palette[100] = PaletteEntry::fromRgb(100, 200, 100); // ordinary
    palette[101] = PaletteEntry::fromRgb(100, 200, 112); // ordinary, 12 from entry 100 in blue
    palette[229] = PaletteEntry::fromRgb(160, 160, 160); // light
    palette[245] = PaletteEntry::fromRgb(160, 160, 160); // shadow, the light entry's colour
    palette[12] = PaletteEntry::fromRgb(50, 220, 220);   // civilization, and ...
    palette[150] = PaletteEntry::fromRgb(50, 220, 220);  // ... an ordinary entry of the same colour
    palette[240] = PaletteEntry::fromRgb(250, 250, 10);  // shadow, 4 from entry 241 in red
    palette[241] = PaletteEntry::fromRgb(246, 250, 10);
    palette[255] = PaletteEntry::fromRgb(0, 255, 0);     // the transparent entry need not be magenta
    palette[200] = PaletteEntry::fromRgb(220, 40, 40);   // ordinary: a red ...
    palette[201] = PaletteEntry::fromRgb(230, 20, 240);  // ... and a purple

    const struct {
        const char* what;
        std::uint32_t argb;
        int index;
        bool exact;
    } cases[] = {
        {"a civilization colour", opaque(200, 30, 30), 5, true},
        {"an ordinary colour", opaque(100, 200, 112), 101, true},
        {"a light colour the shadow entry shares: the lower", opaque(160, 160, 160), 229, true},
        {"a colour held by a civilization and an ordinary entry", opaque(50, 220, 220), 150, true},
        {"the transparent entry's own colour", opaque(0, 255, 0), 255, true},
        {"6 off in every channel keeps the civilization entry", opaque(194, 36, 24), 5, false},
        {"6 off keeps the light entry", opaque(166, 154, 160), 229, false},
        {"the nearer of two shadow entries", opaque(249, 251, 11), 240, false},
        {"half way between two entries: the first", opaque(248, 250, 10), 240, false},
        {"the nearer of two ordinary entries", opaque(100, 200, 107), 101, false},
        {"7 off is no longer the civilization entry", opaque(207, 30, 30), 200, false},
        {"magenta is transparent", opaque(255, 0, 255), 255, true},
        {"near magenta is transparent", opaque(250, 5, 251), 255, false},
        {"7 off magenta is not", opaque(248, 0, 255), 201, false},
        {"alpha 0 is transparent", 0x00C81E1Eu, 255, true},
        {"alpha below 128 is transparent", 0x7FC81E1Eu, 255, false},
        {"alpha 128 keeps its colour", 0x80C81E1Eu, 5, true},
    };
    PaletteColourNames names(palette);
    for (const auto& c : cases) {
        const PaletteColourNames::Name name = names.nameOf(c.argb);
        EXPECT_EQ(int(name.index), c.index) << c.what;
        EXPECT_EQ(name.exact, c.exact) << c.what;
    }
}

TEST(PaletteColourNames, FarColoursTakeTheNearestOrdinaryEntry)
{
    Palette palette = backgroundPalette();
    palette[3] = PaletteEntry::fromRgb(255, 255, 255);   // civilization white
    palette[230] = PaletteEntry::fromRgb(250, 250, 240); // light
    palette[180] = PaletteEntry::fromRgb(220, 220, 220); // the nearest ordinary entry to white
    PaletteColourNames names(palette);
    // Nearer to the civilization and light entries, but out of their reach.
    EXPECT_EQ(int(names.nameOf(opaque(255, 255, 247)).index), 180);
    EXPECT_EQ(int(names.nameOf(opaque(241, 241, 241)).index), 180);
}

TEST(PaletteMapping, CountsApproximatedPixelsByTheirEntrysClass)
{
    Palette palette = backgroundPalette();
    palette[5] = PaletteEntry::fromRgb(200, 30, 30);
    palette[229] = PaletteEntry::fromRgb(160, 160, 160);
    palette[250] = PaletteEntry::fromRgb(90, 90, 100);
    const std::vector<std::uint32_t> pixels{
        opaque(200, 30, 30),   opaque(201, 30, 30), // civilization: exact, near
        opaque(160, 160, 165), opaque(161, 160, 160), // light: two near
        opaque(90, 90, 104),                        // shadow, near
        opaque(250, 5, 251),   0x00000000u,         // near magenta, fully transparent
        opaque(255, 128, 0),                        // far from everything: ordinary
    };
    const MappedPicture mapped = mapToPalette(pixels, 4, 2, palette);
    ASSERT_EQ(mapped.image.pixels.size(), pixels.size());
    EXPECT_EQ(std::vector(mapped.image.pixels.begin(), mapped.image.pixels.begin() + 7),
              (std::vector<std::uint8_t>{5, 5, 229, 229, 250, 255, 255}));
    EXPECT_EQ(indexClassOf(mapped.image.pixels[7]), IndexClass::Ordinary);
    EXPECT_EQ(mapped.approximated.of(IndexClass::Civilization), 1u);
    EXPECT_EQ(mapped.approximated.of(IndexClass::Ordinary), 1u);
    EXPECT_EQ(mapped.approximated.of(IndexClass::Light), 2u);
    EXPECT_EQ(mapped.approximated.of(IndexClass::Shadow), 1u);
    EXPECT_EQ(mapped.approximated.of(IndexClass::Transparent), 1u);
    EXPECT_EQ(mapped.approximated.total(), 6u);
    EXPECT_FALSE(mapped.grey);

    EXPECT_TRUE(mapToPalette(pixels, 3, 3, palette).image.pixels.empty()) << "fewer pixels than the size";
}

TEST(PaletteMapping, AnIndexedPictureIsMappedThroughItsOwnColours)
{
    Palette palette = backgroundPalette();
    palette[7] = PaletteEntry::fromRgb(10, 200, 30);
    palette[240] = PaletteEntry::fromRgb(90, 90, 90);
    palette[255] = PaletteEntry::fromRgb(255, 0, 255);
    // A converter's palette: compacted to the three colours used, reordered.
    Palette own{};
    own[0] = palette[255];
    own[1] = palette[240];
    own[2] = PaletteEntry::fromRgb(12, 198, 30); // moved by a lossy step
    IndexImage picture(3, 2);
    picture.pixels = {2, 1, 0, 0, 0, 1};
    const MappedPicture mapped = mapToPalette(picture, own, palette);
    EXPECT_EQ(mapped.image.pixels, (std::vector<std::uint8_t>{7, 240, 255, 255, 255, 240}));
    EXPECT_EQ(mapped.approximated.total(), 1u);
    EXPECT_EQ(mapped.approximated.of(IndexClass::Civilization), 1u);
    EXPECT_FALSE(mapped.grey);

    // Only greys in use: the picture reads as grey whatever else its
    // palette holds.
    picture.pixels = {1, 1, 1, 1, 1, 1};
    EXPECT_TRUE(mapToPalette(picture, own, palette).grey);
}

// Another unit's palette onto the first's: colours find their entries, but
// never across a class, and the game's levels stay the levels they were.
TEST(PaletteMapping, TranslationKeepsEveryIndexInItsClass)
{
    Palette onto = backgroundPalette();
    onto[12] = PaletteEntry::fromRgb(50, 220, 220);  // civilization, and ...
    onto[150] = PaletteEntry::fromRgb(50, 220, 220); // ... an ordinary entry of the same colour
    onto[30] = PaletteEntry::fromRgb(200, 30, 30);
    onto[100] = PaletteEntry::fromRgb(100, 200, 100);
    onto[101] = PaletteEntry::fromRgb(200, 30, 34); // ordinary, near civilization entry 30
    Palette own = backgroundPalette();
    own[3] = onto[12];                                 // civilization
    own[70] = onto[12];                                // ordinary, of the same colour
    own[71] = onto[100];                               // ordinary, moved to another entry
    own[72] = PaletteEntry::fromRgb(200, 30, 30);      // ordinary, civilization entry 30's colour
    own[9] = PaletteEntry::fromRgb(100, 200, 100);     // civilization, ordinary entry 100's colour:
                                                       // the nearest civilization colour is entry 12's
    for (int level = 224; level < 256; ++level)        // levels all black, as many units have them
        own[std::size_t(level)] = PaletteEntry::fromRgb(0, 0, 0);

    const PaletteTranslation table = translationKeepingClasses(own, onto);
    const struct {
        int index;
        int expected;
        bool exact;
    } cases[] = {
        {3, 12, true}, {70, 150, true}, {71, 100, true}, {72, 101, false}, {9, 12, false},
        {224, 224, true}, {239, 239, true}, {240, 240, true}, {247, 247, true}, {255, 255, true},
        // Entries that kept their colour keep their place, even where an
        // earlier entry has that colour too.
        {40, 40, true}, {41, 41, true}, {181, 181, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(table[std::size_t(c.index)].index, c.expected) << c.index;
        EXPECT_EQ(table[std::size_t(c.index)].exact, c.exact) << c.index;
        EXPECT_EQ(indexClassOf(table[std::size_t(c.index)].index), indexClassOf(c.index)) << c.index;
    }

    IndexImage picture(3, 1);
    picture.pixels = {72, 9, 247};
    const MappedPicture mapped = mapThrough(picture, own, table);
    EXPECT_EQ(mapped.image.pixels, (std::vector<std::uint8_t>{101, 12, 247}));
    EXPECT_EQ(mapped.approximated.of(IndexClass::Ordinary), 1u);
    EXPECT_EQ(mapped.approximated.of(IndexClass::Civilization), 1u);
}

// Entries closer than the step in every channel.
bool tooClose(const PaletteEntry& a, const PaletteEntry& b)
{
    return std::abs(a.red - b.red) < kDistinctColourStep && std::abs(a.green - b.green) < kDistinctColourStep
        && std::abs(a.blue - b.blue) < kDistinctColourStep;
}

void expectAllApart(const Palette& palette)
{
    for (std::size_t i = 0; i < palette.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(tooClose(palette[i], palette[j])) << "entries " << j << " and " << i;
    }
}

TEST(DistinctPalette, LaterEntriesOfOneColourMoveTheLeast)
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7));
    ASSERT_EQ(withDistinctColours(palette), palette) << "entries already apart keep their colours";

    // A cluster at one grey; entry 0 stays where it is.
    palette[0] = PaletteEntry::fromRgb(10, 10, 10);
    palette[1] = PaletteEntry::fromRgb(10, 10, 10);
    palette[2] = PaletteEntry::fromRgb(10, 10, 10);
    palette[3] = PaletteEntry::fromRgb(12, 11, 10);
    palette[4] = PaletteEntry::fromRgb(10, 10, 13);
    const Palette distinct = withDistinctColours(palette);
    EXPECT_EQ(distinct[0], PaletteEntry::fromRgb(10, 10, 10));
    EXPECT_EQ(distinct[1], PaletteEntry::fromRgb(10, 10, 14)) << "blue first, by one step";
    EXPECT_EQ(distinct[2], PaletteEntry::fromRgb(10, 10, 6)) << "then the other way";
    EXPECT_EQ(distinct[3], PaletteEntry::fromRgb(16, 11, 10)) << "blue both ways taken: red";
    EXPECT_EQ(distinct[4], PaletteEntry::fromRgb(6, 10, 13));
    expectAllApart(distinct);
    EXPECT_EQ(withDistinctColours(distinct), distinct) << "a sheet's palette is its own";
}

TEST(DistinctPalette, EveryEntryOfOneColourFindsAPlace)
{
    for (const PaletteEntry colour :
         {PaletteEntry::fromRgb(0, 0, 0), PaletteEntry::fromRgb(255, 255, 255), PaletteEntry::fromRgb(255, 0, 255)}) {
        Palette palette{};
        palette.fill(colour);
        const Palette distinct = withDistinctColours(palette);
        EXPECT_EQ(distinct[0], colour);
        expectAllApart(distinct);
        // The moves are whole steps in every channel.
        for (const PaletteEntry& entry : distinct) {
            EXPECT_EQ(std::abs(entry.red - colour.red) % kDistinctColourStep, 0);
            EXPECT_EQ(std::abs(entry.green - colour.green) % kDistinctColourStep, 0);
            EXPECT_EQ(std::abs(entry.blue - colour.blue) % kDistinctColourStep, 0);
        }
    }
}

} // namespace
} // namespace kinetra
