#include "formats/PngFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <csetjmp>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

using kinetra::ExportPicture;
using kinetra::IndexImage;
using kinetra::Palette;
using kinetra::PaletteEntry;
using kinetra::PngChannels;
using kinetra::PngPicture;
using kinetra::PngText;
using Bytes = std::vector<std::uint8_t>;
using Kind = PngPicture::Kind;

// A PNG of any colour type, its rows given as the file stores them (packed,
// 16-bit samples big-endian), made by libpng itself and not by the code
// under test.
struct RawPng {
    int width = 0;
    int height = 0;
    int depth = 8;
    int colourType = PNG_COLOR_TYPE_GRAY;
    std::vector<Bytes> rows{};
    std::vector<png_color> palette{};
    Bytes transparentIndices{};
    png_color_16 transparentColour{};
    bool hasTransparentColour = false;
    std::vector<std::pair<std::string, std::string>> texts{};
    // Stop after the header, for pictures too large to make.
    bool headerOnly = false;
};

void appendBytes(png_structp png, png_bytep data, std::size_t length)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

bool writeRaw(png_structp png, png_infop info, RawPng& raw, std::vector<png_text>& texts)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(raw.width), png_uint_32(raw.height), raw.depth, raw.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!raw.palette.empty())
        png_set_PLTE(png, info, raw.palette.data(), int(raw.palette.size()));
    if (!raw.transparentIndices.empty())
        png_set_tRNS(png, info, raw.transparentIndices.data(), int(raw.transparentIndices.size()), nullptr);
    if (raw.hasTransparentColour)
        png_set_tRNS(png, info, nullptr, 0, &raw.transparentColour);
    if (!texts.empty())
        png_set_text(png, info, texts.data(), int(texts.size()));
    png_write_info(png, info);
    if (raw.headerOnly)
        return true;
    for (Bytes& row : raw.rows)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    return true;
}

Bytes encodeRaw(RawPng raw)
{
    Bytes out;
    std::vector<png_text> texts;
    for (auto& [key, value] : raw.texts) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = key.data();
        text.text = value.data();
        text.text_length = value.size();
        texts.push_back(text);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    const bool written = writeRaw(png, info, raw, texts);
    png_destroy_write_struct(&png, &info);
    EXPECT_TRUE(written);
    return out;
}

PngPicture decodeOrFail(const Bytes& bytes)
{
    std::string problem;
    auto picture = kinetra::decodePng(bytes, problem);
    EXPECT_TRUE(picture) << problem;
    return picture ? std::move(*picture) : PngPicture{};
}

Palette rampedPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7));
    return palette;
}

// --- Round trips through our own writer -----------------------------------

TEST(PngFile, IndexedSheetKeepsIndicesPaletteAndText)
{
    IndexImage sheet(7, 3);
    for (std::size_t i = 0; i < sheet.pixels.size(); ++i)
        sheet.pixels[i] = std::uint8_t(i * 37);
    const Palette palette = rampedPalette();
    const std::array texts{PngText{"Kinetra-Storyboard", R"({"directions":8})"}, PngText{"Other", "x"}};
    Bytes bytes;
    std::string error;
    ASSERT_TRUE(kinetra::encodeIndexedPng(sheet, palette, texts, bytes, error)) << error;

    const PngPicture read = decodeOrFail(bytes);
    EXPECT_EQ(read.kind, Kind::Indexed);
    EXPECT_EQ(read.width, 7);
    EXPECT_EQ(read.height, 3);
    EXPECT_EQ(read.indices.pixels, sheet.pixels);
    EXPECT_EQ(read.paletteSize, 256);
    EXPECT_EQ(read.palette, palette);
    ASSERT_NE(read.text("Kinetra-Storyboard"), nullptr);
    EXPECT_EQ(*read.text("Kinetra-Storyboard"), R"({"directions":8})");
    EXPECT_EQ(read.text("Missing"), nullptr);
}

TEST(PngFile, IndexedRowsMadeAsTheyAreWrittenGiveTheSameFile)
{
    const Palette palette = rampedPalette();
    const std::array texts{PngText{"Kinetra-Storyboard", R"({"columns":6})"}};
    for (const auto& [width, height] : {std::pair(1, 1), std::pair(7, 3), std::pair(3000, 2), std::pair(5, 400)}) {
        IndexImage sheet(width, height);
        for (std::size_t i = 0; i < sheet.pixels.size(); ++i)
            sheet.pixels[i] = std::uint8_t(i * 37 / 5);
        for (const std::size_t textCount : {std::size_t(0), texts.size()}) {
            const std::span<const PngText> chosen(texts.data(), textCount);
            Bytes whole;
            Bytes streamed;
            std::string error;
            ASSERT_TRUE(kinetra::encodeIndexedPng(sheet, palette, chosen, whole, error)) << error;
            ASSERT_TRUE(kinetra::encodeIndexedPng(kinetra::rowsOf(sheet), palette, chosen, kinetra::appendingTo(streamed),
                                                  error))
                << error;
            const PngPicture read = decodeOrFail(streamed);
            EXPECT_EQ(read.indices.pixels, sheet.pixels) << width << "x" << height;
            EXPECT_EQ(read.palette, palette);
            EXPECT_EQ(read.texts.size(), textCount);
            // With text both go through libpng, byte for byte; without, the
            // whole picture is compressed by libdeflate instead.
            if (textCount > 0) {
                EXPECT_EQ(streamed, whole) << width << "x" << height;
            }
        }
    }
}

struct ArgbCase {
    const char* name;
    PngChannels channels;
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint32_t> expected;
};

TEST(PngFile, TrueColourRoundTrips)
{
    const std::vector<ArgbCase> cases{
        {"varied alpha", PngChannels::Rgba,
         {0x00000000, 0x01FF0000, 0x7F00FF00, 0x800000FF, 0xFE123456, 0xFFFFFFFF},
         {0x00000000, 0x01FF0000, 0x7F00FF00, 0x800000FF, 0xFE123456, 0xFFFFFFFF}},
        // A surface's fourth byte is no alpha: left out, everything opaque.
        {"without alpha", PngChannels::Rgb,
         {0xFF102030, 0x00405060, 0x12FFFFFF, 0xFF000000, 0xFFABCDEF, 0x00000001},
         {0xFF102030, 0xFF405060, 0xFFFFFFFF, 0xFF000000, 0xFFABCDEF, 0xFF000001}},
    };
    for (const ArgbCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExportPicture picture;
        picture.width = 3;
        picture.height = 2;
        picture.pixels = c.pixels;
        Bytes bytes;
        std::string error;
        ASSERT_TRUE(kinetra::encodeArgbPng(picture, c.channels, bytes, error)) << error;
        // Colour type: RGB is 2, RGBA 6 (the IHDR's tenth data byte).
        ASSERT_GT(bytes.size(), 25u);
        EXPECT_EQ(bytes[25], c.channels == PngChannels::Rgba ? 6 : 2);
        const PngPicture read = decodeOrFail(bytes);
        EXPECT_EQ(read.kind, Kind::TrueColour);
        EXPECT_EQ(read.argb, c.expected);
    }
}

TEST(PngFile, WritesWholeOrNotAtAll)
{
    ExportPicture picture;
    picture.width = 2;
    picture.height = 2;
    picture.pixels = {1, 2, 3};
    std::string error;
    Bytes bytes;
    EXPECT_FALSE(kinetra::encodeArgbPng(picture, PngChannels::Rgba, bytes, error));

    picture.pixels.push_back(4);
    const auto folder = std::filesystem::temp_directory_path() / "kinetra-png-missing-folder";
    const std::string path = (folder / "sheet.png").string();
    EXPECT_FALSE(kinetra::writeArgbPng(path, picture, PngChannels::Rgba, error));
    EXPECT_EQ(error, "Cannot write the file '" + path + "': No such file or directory.");
    EXPECT_FALSE(std::filesystem::exists(folder));

    const kinetra::test::TempFile file({}, ".png");
    ASSERT_TRUE(kinetra::writeArgbPng(file.path(), picture, PngChannels::Rgba, error)) << error;
    std::string problem;
    const auto read = kinetra::readPngFile(file.path(), problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->argb, picture.pixels);
}

// --- Files other programs write -------------------------------------------

TEST(PngFile, GreyOfEightBitsReadsAsGreyIndices)
{
    const PngPicture read = decodeOrFail(encodeRaw({.width = 3, .height = 1, .rows = {{0, 128, 255}}}));
    EXPECT_EQ(read.kind, Kind::Grey);
    EXPECT_EQ(read.indices.pixels, (Bytes{0, 128, 255}));
    EXPECT_EQ(read.paletteSize, 256);
    EXPECT_EQ(read.palette[128], PaletteEntry::fromRgb(128, 128, 128));
}

TEST(PngFile, NarrowGreyReadsAsIndicesOverItsRamp)
{
    // 4 bits: 0x0, 0x5, 0xA, 0xF.
    const PngPicture read =
        decodeOrFail(encodeRaw({.width = 4, .height = 1, .depth = 4, .rows = {{0x05, 0xAF}}}));
    EXPECT_EQ(read.kind, Kind::Indexed);
    EXPECT_EQ(read.indices.pixels, (Bytes{0, 5, 10, 15}));
    EXPECT_EQ(read.paletteSize, 16);
    EXPECT_EQ(read.palette[5], PaletteEntry::fromRgb(85, 85, 85));
    EXPECT_EQ(read.palette[15], PaletteEntry::fromRgb(255, 255, 255));
}

TEST(PngFile, OneBitGreyIsWhiteAtZeroAndBlackAtOne)
{
    // Bits 1, 0, 1, 1: white, black, white, white.
    const PngPicture read = decodeOrFail(encodeRaw({.width = 4, .height = 1, .depth = 1, .rows = {{0xB0}}}));
    EXPECT_EQ(read.kind, Kind::Indexed);
    EXPECT_EQ(read.indices.pixels, (Bytes{0, 1, 0, 0}));
    EXPECT_EQ(read.paletteSize, 2);
    EXPECT_EQ(read.palette[0], PaletteEntry::fromRgb(255, 255, 255));
    EXPECT_EQ(read.palette[1], PaletteEntry::fromRgb(0, 0, 0));
}

TEST(PngFile, TransparentGreyIsIndexedWithItsGreyBlack)
{
    RawPng raw{.width = 2, .height = 1, .rows = {{5, 6}}};
    raw.transparentColour.gray = 5;
    raw.hasTransparentColour = true;
    const PngPicture read = decodeOrFail(encodeRaw(raw));
    EXPECT_EQ(read.kind, Kind::Indexed);
    EXPECT_EQ(read.indices.pixels, (Bytes{5, 6}));
    EXPECT_EQ(read.palette[5], PaletteEntry::fromRgb(0, 0, 0));
    EXPECT_EQ(read.palette[6], PaletteEntry::fromRgb(6, 6, 6));
}

TEST(PngFile, PaletteWithAlphaKeepsIndicesAndColours)
{
    RawPng raw{.width = 4, .height = 1, .depth = 2, .colourType = PNG_COLOR_TYPE_PALETTE};
    // Indices 0, 1, 2, 3; the palette has three colours, so 3 reads as 0.
    raw.rows = {{0x1B}};
    raw.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    raw.transparentIndices = {0, 128};
    const PngPicture read = decodeOrFail(encodeRaw(raw));
    EXPECT_EQ(read.kind, Kind::Indexed);
    EXPECT_EQ(read.indices.pixels, (Bytes{0, 1, 2, 0}));
    EXPECT_EQ(read.paletteSize, 3);
    EXPECT_EQ(read.palette[0], PaletteEntry::fromRgb(10, 20, 30));
    EXPECT_EQ(read.palette[2], PaletteEntry::fromRgb(70, 80, 90));
}

struct TrueColourCase {
    const char* name;
    RawPng raw;
    std::vector<std::uint32_t> expected;
};

TEST(PngFile, OtherKindsReadAsArgb)
{
    RawPng transparentRgb{.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_RGB,
                          .rows = {{1, 2, 3, 4, 5, 6}}};
    transparentRgb.transparentColour = {0, 1, 2, 3, 0};
    transparentRgb.hasTransparentColour = true;
    const std::vector<TrueColourCase> cases{
        {"grey and alpha",
         {.width = 2, .height = 1, .colourType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {{0x40, 0x80, 0xFF, 0x00}}},
         {0x80404040, 0x00FFFFFF}},
        // 16-bit samples to the nearest 8-bit value: 0x0080 / 257 is just
        // under a half, 0x0081 / 257 just over.
        {"16-bit grey",
         {.width = 3, .height = 1, .depth = 16, .rows = {{0x00, 0x80, 0x00, 0x81, 0xFF, 0xFF}}},
         {0xFF000000, 0xFF010101, 0xFFFFFFFF}},
        {"16-bit RGBA",
         {.width = 1, .height = 1, .depth = 16, .colourType = PNG_COLOR_TYPE_RGB_ALPHA,
          .rows = {{0x12, 0x34, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x00}}},
         {0x8012FF00}},
        {"RGB with a transparent colour", transparentRgb, {0x00010203, 0xFF040506}},
    };
    for (const TrueColourCase& c : cases) {
        SCOPED_TRACE(c.name);
        const PngPicture read = decodeOrFail(encodeRaw(c.raw));
        EXPECT_EQ(read.kind, Kind::TrueColour);
        EXPECT_EQ(read.argb, c.expected);
    }
}

TEST(PngFile, Latin1TextReadsAsUtf8)
{
    RawPng raw{.width = 1, .height = 1, .rows = {{0}}};
    raw.texts = {{"Kinetra-Storyboard", "caf\xE9"}};
    const PngPicture read = decodeOrFail(encodeRaw(raw));
    ASSERT_NE(read.text("Kinetra-Storyboard"), nullptr);
    EXPECT_EQ(*read.text("Kinetra-Storyboard"), "caf\xC3\xA9");
}

// --- Refusals ---------------------------------------------------------------

TEST(PngFile, EveryTruncationFailsCleanly)
{
    const Bytes whole = encodeRaw({.width = 5, .height = 4, .colourType = PNG_COLOR_TYPE_RGB,
                                   .rows = std::vector<Bytes>(4, Bytes(15, 0x5A))});
    for (std::size_t length = 0; length < whole.size(); ++length) {
        std::string problem;
        EXPECT_FALSE(kinetra::decodePng(std::span(whole.data(), length), problem)) << length;
        EXPECT_FALSE(problem.empty()) << length;
    }
}

TEST(PngFile, DamagedBytesFailCleanly)
{
    const Bytes whole = encodeRaw({.width = 5, .height = 4, .rows = std::vector<Bytes>(4, Bytes(5, 0x33))});
    // A wrong signature, a wrong header CRC, a header with an impossible
    // colour type (CRC wrong as well), image data that is no zlib stream.
    const std::vector<std::pair<const char*, std::size_t>> damages{
        {"signature", 1}, {"header CRC", 29}, {"colour type", 25}, {"image data", 41}};
    for (const auto& [what, at] : damages) {
        SCOPED_TRACE(what);
        Bytes bytes = whole;
        bytes[at] ^= 0xFF;
        std::string problem;
        EXPECT_FALSE(kinetra::decodePng(bytes, problem));
        EXPECT_FALSE(problem.empty());
    }
}

TEST(PngFile, EnormousSizeIsRefusedBeforeItsRows)
{
    // A header claiming 100000 x 100000 RGBA pixels (40 GB), then the start
    // of an image data chunk.
    Bytes bytes = encodeRaw({.width = 100000, .height = 100000, .colourType = PNG_COLOR_TYPE_RGB_ALPHA,
                             .headerOnly = true});
    const Bytes dataStart{0, 0, 0, 16, 'I', 'D', 'A', 'T'};
    bytes.insert(bytes.end(), dataStart.begin(), dataStart.end());
    std::string problem;
    EXPECT_FALSE(kinetra::decodePng(bytes, problem));
    EXPECT_EQ(problem, "The picture is too large.");
}

} // namespace
