#include "flc/FlcChunks.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace kinetra;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Runs a decoder over `data` and reports how many bytes it read.
template <typename Decode>
bool decode(const Bytes& data, IndexImage& image, std::size_t& read, Decode fn)
{
    ByteReader in(data);
    const bool ok = fn(in, image);
    read = in.position();
    return ok;
}

IndexImage filled(int w, int h, std::uint8_t value)
{
    IndexImage image(w, h);
    std::fill(image.pixels.begin(), image.pixels.end(), value);
    return image;
}

} // namespace

TEST(ByteRunTest, RunThenLiteralFillsTheLine)
{
    IndexImage image(4, 1);
    std::size_t read = 0;
    ASSERT_TRUE(decode({0x01, 0x03, 0x07, 0xFF, 0x09}, image, read, decodeByteRun));
    EXPECT_EQ(image.pixels, (Bytes{7, 7, 7, 9}));
    EXPECT_EQ(read, 5u); // 11 with the chunk header
}

TEST(ByteRunTest, MinusOneTwentyEightCopiesOneTwentyEightLiterals)
{
    IndexImage image(128, 1);
    Bytes data{0x00, 0x80};
    for (int i = 0; i < 128; ++i)
        data.push_back(std::uint8_t(i));
    std::size_t read = 0;
    ASSERT_TRUE(decode(data, image, read, decodeByteRun));
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(image.pixels[i], i);
}

TEST(ByteRunTest, EachLineStartsAtItsOwnRow)
{
    IndexImage image(3, 2);
    std::size_t read = 0;
    ASSERT_TRUE(decode({0x01, 0x03, 0x05, 0x02, 0x02, 0x06, 0xFF, 0x08}, image, read, decodeByteRun));
    EXPECT_EQ(image.pixels, (Bytes{5, 5, 5, 6, 6, 8}));
}

TEST(ByteRunTest, ZeroCountWritesNothingAndReadsOn)
{
    IndexImage image(2, 1);
    std::size_t read = 0;
    ASSERT_TRUE(decode({0x01, 0x00, 0x02, 0x04}, image, read, decodeByteRun));
    EXPECT_EQ(image.pixels, (Bytes{4, 4}));
}

TEST(ByteRunTest, RefusesRunsPastTheLineAndDataThatEndsEarly)
{
    IndexImage image(4, 2);
    std::size_t read = 0;
    EXPECT_FALSE(decode({0x01, 0x05, 0x07}, image, read, decodeByteRun)) << "run of 5 on a 4-wide line";
    EXPECT_FALSE(decode({0x01, 0xFB, 1, 2, 3, 4, 5}, image, read, decodeByteRun)) << "5 literals on a 4-wide line";
    EXPECT_FALSE(decode({0x01, 0x04, 0x07}, image, read, decodeByteRun)) << "second line missing";
    EXPECT_FALSE(decode({0x01, 0xFC, 1, 2}, image, read, decodeByteRun)) << "literals cut short";
}

TEST(DeltaFlcTest, PacketOfPairsLandsAfterTheColumnSkip)
{
    auto image = filled(4, 1, 0x11);
    std::size_t read = 0;
    ASSERT_TRUE(decode({0x01, 0x00, 0x01, 0x00, 0x01, 0x01, 0xAA, 0xBB}, image, read, decodeDeltaFlc));
    EXPECT_EQ(image.pixels, (Bytes{0x11, 0xAA, 0xBB, 0x11}));
    EXPECT_EQ(read, 8u); // 14 with the chunk header
}

TEST(DeltaFlcTest, NegativeCountRepeatsOneWord)
{
    auto image = filled(4, 1, 0x11);
    std::size_t read = 0;
    ASSERT_TRUE(decode({0x01, 0x00, 0x01, 0x00, 0x01, 0xFF, 0xAA, 0xBB}, image, read, decodeDeltaFlc));
    EXPECT_EQ(image.pixels, (Bytes{0x11, 0xAA, 0xBB, 0x11}));

    IndexImage wide(256, 1);
    ASSERT_TRUE(decode({0x01, 0x00, 0x01, 0x00, 0x00, 0x80, 0x01, 0x02}, wide, read, decodeDeltaFlc));
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(wide.pixels[x], x % 2 == 0 ? 1 : 2) << x;
}

TEST(DeltaFlcTest, LineSkipAndLastPixelWord)
{
    auto image = filled(3, 4, 0);
    // Two lines: skip 2 lines, then line 2 gets its last pixel 0x44 and a
    // packet; line 3 only a packet.
    const Bytes data{0x02, 0x00,
                     0xFE, 0xFF,             // skip 2 lines
                     0x44, 0x80,             // last pixel of line 2
                     0x01, 0x00, 0x00, 0x01, 0x21, 0x22,
                     0x01, 0x00, 0x01, 0x01, 0x31, 0x32};
    std::size_t read = 0;
    ASSERT_TRUE(decode(data, image, read, decodeDeltaFlc));
    EXPECT_EQ(image.pixels, (Bytes{0, 0, 0, 0, 0, 0, 0x21, 0x22, 0x44, 0, 0x31, 0x32}));
    EXPECT_EQ(read, data.size());
}

TEST(DeltaFlcTest, ZeroCountReadsAWordAndWritesNothing)
{
    auto image = filled(2, 1, 9);
    std::size_t read = 0;
    ASSERT_TRUE(decode({0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x55, 0x66}, image, read, decodeDeltaFlc));
    EXPECT_EQ(image.pixels, (Bytes{9, 9}));
    EXPECT_EQ(read, 8u);
}

TEST(DeltaFlcTest, RefusesWritesOutsideTheImage)
{
    IndexImage image(4, 2);
    std::size_t read = 0;
    EXPECT_FALSE(decode({0x01, 0x00, 0x01, 0x00, 0x03, 0x01, 1, 2}, image, read, decodeDeltaFlc))
        << "pair straddling the line end";
    EXPECT_FALSE(decode({0x01, 0x00, 0x01, 0x00, 0x00, 0x03, 1, 2, 3, 4, 5, 6}, image, read, decodeDeltaFlc))
        << "three pairs on a 4-wide line";
    EXPECT_FALSE(decode({0x01, 0x00, 0xFE, 0xFF, 0x01, 0x00, 0x00, 0x01, 1, 2}, image, read, decodeDeltaFlc))
        << "packets on a line past the last";
    EXPECT_FALSE(decode({0x01, 0x00, 0xFD, 0xFF, 0x00, 0x00}, image, read, decodeDeltaFlc)) << "skip past the end";
    EXPECT_FALSE(decode({0x03, 0x00, 0x00, 0x00, 0x00, 0x00}, image, read, decodeDeltaFlc)) << "lines missing";
    EXPECT_FALSE(decode({0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 1}, image, read, decodeDeltaFlc)) << "pairs cut short";
}

TEST(DeltaFlcTest, ManySkipWordsStayBounded)
{
    IndexImage image(2, 2);
    Bytes data{0x01, 0x00};
    for (int i = 0; i < 1000; ++i) {
        data.push_back(0x00);
        data.push_back(0xC0); // skip 16384 lines each
    }
    std::size_t read = 0;
    EXPECT_FALSE(decode(data, image, read, decodeDeltaFlc));
}

TEST(FliCopyAndBlackTest, CopyNeedsTheWholeImage)
{
    IndexImage image(2, 2);
    std::size_t read = 0;
    ASSERT_TRUE(decode({1, 2, 3, 4, 5}, image, read, decodeFliCopy));
    EXPECT_EQ(image.pixels, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(read, 4u);
    EXPECT_FALSE(decode({1, 2, 3}, image, read, decodeFliCopy));

    decodeBlack(image);
    EXPECT_EQ(image.pixels, (Bytes{0, 0, 0, 0}));
}

TEST(Color256Test, CountZeroFillsEveryEntryFromZero)
{
    Bytes data{0x01, 0x00, 0x05, 0x00};
    for (int i = 0; i < 256; ++i) {
        data.push_back(std::uint8_t(i));
        data.push_back(std::uint8_t(255 - i));
        data.push_back(0x40);
    }
    Palette palette{};
    ByteReader in(data);
    ASSERT_TRUE(decodeColor256(in, palette, PacketReading::kGameUnit));
    EXPECT_EQ(palette[0], PaletteEntry::fromRgb(0, 255, 0x40));
    EXPECT_EQ(palette[255], PaletteEntry::fromRgb(255, 0, 0x40));
    EXPECT_EQ(palette[255].rgb(), 0x00FF0040u);
}

TEST(Color256Test, SkipByteIsTheStartIndexOfEachPacket)
{
    Palette palette{};
    const Bytes data{0x02, 0x00, 0x10, 0x01, 1, 2, 3, 0x08, 0x02, 4, 5, 6, 7, 8, 9};
    ByteReader in(data);
    ASSERT_TRUE(decodeColor256(in, palette, PacketReading::kGameUnit));
    EXPECT_EQ(palette[0x10], PaletteEntry::fromRgb(1, 2, 3));
    EXPECT_EQ(palette[8], PaletteEntry::fromRgb(4, 5, 6));
    EXPECT_EQ(palette[9], PaletteEntry::fromRgb(7, 8, 9));
}

TEST(Color256Test, RefusesColoursPastTheLastEntryAndShortData)
{
    Palette palette{};
    Bytes pastEnd{0x01, 0x00, 0xFF, 0x02, 1, 2, 3, 4, 5, 6};
    ByteReader in(pastEnd);
    EXPECT_FALSE(decodeColor256(in, palette, PacketReading::kGameUnit));
    EXPECT_EQ(palette[255], PaletteEntry{});

    Bytes shortData{0x01, 0x00, 0x00, 0x00, 1, 2, 3};
    ByteReader shortIn(shortData);
    EXPECT_FALSE(decodeColor256(shortIn, palette, PacketReading::kGameUnit));
}

// The same packets read both ways: as the game takes its units' palettes,
// and as the published format (and FLIC players) take other files'.
TEST(Color256Test, PacketsLandWhereTheirReadingPlacesThem)
{
    using Entries = std::vector<std::pair<std::size_t, PaletteEntry>>;
    constexpr auto kGame = PacketReading::kGameUnit;
    constexpr auto kPublished = PacketReading::kPublished;
    constexpr auto rgb = PaletteEntry::fromRgb;
    struct Case {
        const char* what;
        PacketReading reading;
        Bytes data;
        bool ok;
        Entries set; // every entry that is not zero afterwards
    };
    const Case cases[] = {
        {"one colour at skip 5", kPublished, {1, 0, 5, 1, 10, 20, 30}, true, {{5, rgb(10, 20, 30)}}},
        {"the second skip counts on from the first packet's end", kPublished,
         {2, 0, 2, 1, 1, 2, 3, 3, 2, 4, 5, 6, 7, 8, 9}, true,
         {{2, rgb(1, 2, 3)}, {6, rgb(4, 5, 6)}, {7, rgb(7, 8, 9)}}},
        {"the same packets, each skip an index", kGame, {2, 0, 2, 1, 1, 2, 3, 3, 2, 4, 5, 6, 7, 8, 9}, true,
         {{2, rgb(1, 2, 3)}, {3, rgb(4, 5, 6)}, {4, rgb(7, 8, 9)}}},
        {"two packets of skip 0 fill entries 0 and 1", kPublished, {2, 0, 0, 1, 1, 2, 3, 0, 1, 4, 5, 6}, true,
         {{0, rgb(1, 2, 3)}, {1, rgb(4, 5, 6)}}},
        {"a packet cut short by the chunk's end is not read, nor any behind it", kPublished,
         {3, 0, 0, 1, 1, 2, 3, 0, 2, 4, 5, 6}, true, {{0, rgb(1, 2, 3)}}},
        {"more packets promised than the chunk holds", kPublished, {9, 0, 4, 1, 1, 2, 3, 0}, true,
         {{4, rgb(1, 2, 3)}}},
        {"a game unit's packet cut short fails", kGame, {2, 0, 0, 1, 1, 2, 3, 0, 2, 4, 5, 6}, false, {}},
        {"a count word cut short fails", kPublished, {1}, false, {}},
        {"counting on past entry 255 fails, and no entry changes", kPublished,
         {2, 0, 254, 1, 1, 2, 3, 1, 1, 4, 5, 6}, false, {}},
        {"the same packets as indices fit", kGame, {2, 0, 254, 1, 1, 2, 3, 1, 1, 4, 5, 6}, true,
         {{254, rgb(1, 2, 3)}, {1, rgb(4, 5, 6)}}},
    };
    for (const Case& c : cases) {
        Palette palette{};
        ByteReader in(c.data);
        EXPECT_EQ(decodeColor256(in, palette, c.reading), c.ok) << c.what;
        Palette expected{};
        for (const auto& [entry, colour] : c.set)
            expected[entry] = colour;
        EXPECT_EQ(palette, expected) << c.what;
    }

    // A count of 0 is 256 colours from where the skips have got to: from
    // entry 0 they fit, from any later one they run past entry 255.
    Bytes whole{1, 0, 0, 0};
    for (int i = 0; i < 256; ++i)
        whole.insert(whole.end(), {std::uint8_t(i), 0, 0});
    Palette palette{};
    ByteReader fromZero(whole);
    ASSERT_TRUE(decodeColor256(fromZero, palette, kPublished));
    EXPECT_EQ(palette[200], rgb(200, 0, 0));
    whole[2] = 1;
    ByteReader fromOne(whole);
    EXPECT_FALSE(decodeColor256(fromOne, palette, kPublished));
    ByteReader asGameUnit(whole);
    EXPECT_TRUE(decodeColor256(asGameUnit, palette, kGame)) << "a game unit's count of 0 starts at entry 0";
}

TEST(Color64Test, PublishedPacketsCountOnAndWidenTheirSixBits)
{
    const Bytes data{2, 0, 1, 1, 63, 0, 32, 2, 1, 1, 2, 3};
    Palette palette{};
    ByteReader in(data);
    ASSERT_TRUE(decodeColor64(in, palette, PacketReading::kPublished));
    EXPECT_EQ(palette[1], PaletteEntry::fromRgb(255, 0, 130));
    EXPECT_EQ(palette[4], PaletteEntry::fromRgb(4, 8, 12));
    EXPECT_EQ(palette[2], PaletteEntry{});
}
