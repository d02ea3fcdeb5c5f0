#include "formats/PcxReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using kinetra::PcxHeader;
using kinetra::PcxKind;
using Bytes = std::vector<std::uint8_t>;

struct HeaderFields {
    std::uint8_t manufacturer = 10;
    std::uint8_t encoding = 1;
    std::uint8_t bitsPerPixel = 8;
    int planes = 3;
    int width = 3;
    int height = 2;
    int bytesPerLine = 4;
    int xMin = 0;
};

Bytes headerBytes(const HeaderFields& fields)
{
    Bytes header(128, 0);
    const auto put16 = [&header](std::size_t at, int value) {
        header[at] = std::uint8_t(value);
        header[at + 1] = std::uint8_t(value >> 8);
    };
    header[0] = fields.manufacturer;
    header[1] = 5;
    header[2] = fields.encoding;
    header[3] = fields.bitsPerPixel;
    put16(4, fields.xMin);
    put16(8, fields.xMin + fields.width - 1);
    put16(10, fields.height - 1);
    header[65] = std::uint8_t(fields.planes);
    put16(66, fields.bytesPerLine);
    return header;
}

PcxHeader headerOf(const HeaderFields& fields)
{
    const auto header = kinetra::readPcxHeader(headerBytes(fields));
    EXPECT_TRUE(header);
    return header.value_or(PcxHeader{});
}

// A 3 x 2 picture in planes of 4 bytes (one of padding): literal bytes,
// runs, and values of 0xC0 and above that only a run can carry.
Bytes trueColourFile()
{
    Bytes file = headerBytes({});
    const Bytes data{
        // row 0: red 10 20 30, green a run of 0xC8, blue 0xC1 0x05 0x06
        10, 20, 30, 0,   0xC4, 0xC8,   0xC1, 0xC1, 5, 6, 0,
        // row 1: red a run of 0xFF and a pad, green 1 2 3, blue a run of 0
        0xC3, 0xFF, 0,   1, 2, 3, 0,   0xC4, 0,
    };
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

TEST(PcxReader, TrueColourTakesEachPixelFromItsThreePlanes)
{
    const Bytes file = trueColourFile();
    const auto pixels = kinetra::decodePcxTrueColour(file, headerOf({}));
    ASSERT_TRUE(pixels);
    EXPECT_EQ(*pixels, (std::vector<std::uint32_t>{0xFF0AC8C1, 0xFF14C805, 0xFF1EC806, 0xFFFF0100, 0xFFFF0200,
                                                   0xFFFF0300}));
}

TEST(PcxReader, TrueColourRefusesWhatItCannotDecode)
{
    const Bytes good = trueColourFile();
    for (std::size_t length = 0; length < good.size(); ++length) {
        const auto header = kinetra::readPcxHeader(Bytes(good.begin(), good.begin() + std::ptrdiff_t(length)));
        EXPECT_FALSE(header && kinetra::decodePcxTrueColour(Bytes(good.begin(), good.begin() + std::ptrdiff_t(length)),
                                                            *header))
            << length;
    }
    struct Case {
        const char* what;
        HeaderFields fields;
        Bytes data;
    };
    const Case cases[] = {
        {"a run past the plane's end", {.height = 1}, {0xC5, 1, 0xC4, 2, 0xC4, 3}},
        {"one plane of 8 bits", {.planes = 1, .height = 1}, {0xC4, 1}},
        {"four planes", {.planes = 4, .height = 1}, Bytes(8, 0xC4)},
        {"24 bits in one plane", {.bitsPerPixel = 24, .planes = 1, .height = 1}, Bytes(6, 0xC4)},
        {"more lines than the data holds", {.width = 60000, .height = 60000, .bytesPerLine = 60000}, Bytes(64, 0xFF)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = headerBytes(c.fields);
        file.insert(file.end(), c.data.begin(), c.data.end());
        EXPECT_FALSE(kinetra::decodePcxTrueColour(file, headerOf(c.fields)));
    }
}

TEST(PcxReader, KindsAreTheTwoTheFormatDefines)
{
    struct Case {
        HeaderFields fields;
        std::optional<PcxKind> kind;
        const char* problem;
    };
    const Case cases[] = {
        {{.planes = 1}, PcxKind::Indexed, ""},
        {{.planes = 3}, PcxKind::TrueColour, ""},
        {{.manufacturer = 0}, std::nullopt, "it is not a PCX picture (its first byte is 0, not 10)"},
        {{.encoding = 0}, std::nullopt, "the PCX's encoding byte is 0"},
        {{.encoding = 2}, std::nullopt, "the PCX's encoding byte is 2"},
        {{.bitsPerPixel = 0, .planes = 1}, std::nullopt, "has 0 bits per pixel in 1 plane"},
        {{.bitsPerPixel = 1, .planes = 1}, std::nullopt, "has 1 bit per pixel in 1 plane"},
        {{.bitsPerPixel = 1, .planes = 4}, std::nullopt, "has 1 bit per pixel in 4 planes"},
        {{.bitsPerPixel = 4, .planes = 1}, std::nullopt, "has 4 bits per pixel in 1 plane"},
        {{.bitsPerPixel = 24, .planes = 1}, std::nullopt, "has 24 bits per pixel in 1 plane"},
        {{.planes = 2}, std::nullopt, "has 8 bits per pixel in 2 planes"},
        {{.planes = 4}, std::nullopt, "has 8 bits per pixel in 4 planes"},
        {{.planes = 0}, std::nullopt, "has 8 bits per pixel in 0 planes"},
        {{.bytesPerLine = 2}, std::nullopt, "lines of 2 bytes cannot hold its 3 pixels"},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_EQ(kinetra::pcxKindOf(headerOf(c.fields), problem), c.kind) << c.problem;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
}

TEST(PcxReader, HeaderGivesTheSizeFromItsCorners)
{
    const PcxHeader header = headerOf({.width = 700, .height = 2, .bytesPerLine = 700, .xMin = -5});
    EXPECT_EQ(header.width, 700);
    EXPECT_EQ(header.planes, 3);
    EXPECT_EQ(header.decodedBytes(), 3u * 700u * 2u);
    // The widest side the corners can give.
    EXPECT_EQ(headerOf({.width = 65536}).width, 65536);
    EXPECT_FALSE(kinetra::readPcxHeader(Bytes(127, 10)));
}

TEST(PcxReader, FileSizeMustFitTheHeader)
{
    // 3 planes of 4 bytes, 2 lines: 24 decoded bytes.
    const PcxHeader header = headerOf({});
    struct Case {
        std::uint64_t size;
        bool fits;
        const char* problem;
    };
    const Case cases[] = {
        {127, false, "a PCX of 3 x 2 pixels cannot fit in 127 bytes"},
        {128, false, "cannot fit in 128 bytes"},
        // One byte of data may run to 63.
        {129, true, ""},
        // Each byte a run of one, and a palette block.
        {128 + 48 + 769, true, ""},
        {128 + 48 + 770, false, "the file's 946 bytes are far more than a PCX of 3 x 2 pixels holds"},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_EQ(kinetra::pcxFileSizeFits(header, c.size, problem), c.fits) << c.size;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
}

TEST(PcxReader, PaletteBlockIsTheMarkerAndColoursAtTheEnd)
{
    Bytes file = headerBytes({.planes = 1});
    file.insert(file.end(), {0xC3, 7});
    EXPECT_FALSE(kinetra::hasPcxPaletteBlock(file));
    file.push_back(0x0C);
    file.resize(file.size() + 768, 0);
    EXPECT_TRUE(kinetra::hasPcxPaletteBlock(file));
    file.push_back(0);
    EXPECT_FALSE(kinetra::hasPcxPaletteBlock(file));
}

} // namespace
