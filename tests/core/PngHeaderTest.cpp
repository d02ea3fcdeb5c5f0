// What a PNG's first 33 bytes and its size decide before anything large is
// allocated: the header as the format allows it, the file's size against
// the rows it claims, and the text chunks a small file may make libpng keep.

#include "formats/PngFile.h"

#include "PngChunks.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using kinetra::PngHeader;
using kinetra::test::PngHeaderFields;
using kinetra::test::pngClaiming;
using Bytes = std::vector<std::uint8_t>;

TEST(PngHeader, EveryDepthOfEveryColourTypeIsRead)
{
    const std::vector<std::pair<int, std::vector<int>>> allowed = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const auto& [colourType, depths] : allowed) {
        for (int depth = 0; depth <= 32; ++depth) {
            const bool valid = std::find(depths.begin(), depths.end(), depth) != depths.end();
            std::string problem;
            const auto header = kinetra::readPngHeader(
                pngClaiming({.width = 7, .height = 3, .depth = std::uint8_t(depth), .colourType = std::uint8_t(colourType),
                             .interlace = 1}),
                problem);
            ASSERT_EQ(header.has_value(), valid) << colourType << " " << depth << ": " << problem;
            if (!header)
                continue;
            EXPECT_EQ(header->width, 7u);
            EXPECT_EQ(header->height, 3u);
            EXPECT_EQ(header->depth, depth);
            EXPECT_EQ(header->colourType, colourType);
            EXPECT_TRUE(header->interlaced);
        }
    }
}

TEST(PngHeader, RefusalsNameWhatIsWrong)
{
    const Bytes good = pngClaiming({});
    const auto changed = [&good](std::size_t at, std::uint8_t value) {
        Bytes bytes = good;
        bytes[at] = value;
        return bytes;
    };
    struct Case {
        const char* what;
        Bytes head;
        const char* problem;
    };
    const Case cases[] = {
        {"nothing", {}, "it is not a PNG (the file does not begin with the PNG signature)"},
        {"half a signature", Bytes(good.begin(), good.begin() + 4), "it is not a PNG"},
        {"a GIF", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "it is not a PNG"},
        {"a signature and no more", Bytes(good.begin(), good.begin() + 8), "header chunk is missing or damaged"},
        {"a header cut short", Bytes(good.begin(), good.begin() + 32), "header chunk is missing or damaged"},
        {"a header of 12 bytes", changed(11, 12), "header chunk is missing or damaged"},
        {"another chunk first", changed(15, 'X'), "header chunk is missing or damaged"},
        {"no width", pngClaiming({.width = 0}), "a size of 0 x 1 pixels"},
        {"no height", pngClaiming({.height = 0}), "a size of 1 x 0 pixels"},
        {"a width past 31 bits", pngClaiming({.width = 0x80000000u}), "a size of 2147483648 x 1 pixels"},
        {"colour type 5", pngClaiming({.colourType = 5}), "colour type 5 at 8 bits, which the format does not have"},
        {"a compression method", changed(26, 1), "compression, filter or interlace method"},
        {"a filter method", changed(27, 1), "compression, filter or interlace method"},
        {"interlace method 2", changed(28, 2), "compression, filter or interlace method"},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_FALSE(kinetra::readPngHeader(c.head, problem)) << c.what;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
    }
}

TEST(PngHeader, RawBytesCountEveryRowOfEveryPass)
{
    const auto raw = [](PngHeaderFields fields) {
        std::string problem;
        return kinetra::readPngHeader(pngClaiming(fields), problem).value_or(PngHeader{}).rawBytes();
    };
    // A filter byte and 3 bytes a pixel.
    EXPECT_EQ(raw({.width = 10, .height = 10}), 10u * 31u);
    // Adam7 cuts 10 x 10 into passes of 2 x 2, 1 x 2, 3 x 1, 2 x 3, 5 x 2,
    // 5 x 5 and 10 x 5 pixels, each row with its own filter byte.
    EXPECT_EQ(raw({.width = 10, .height = 10, .interlace = 1}), 14u + 8u + 10u + 21u + 32u + 80u + 155u);
    // Nine 1-bit pixels fill two bytes.
    EXPECT_EQ(raw({.width = 9, .height = 4, .depth = 1, .colourType = 0}), 4u * 3u);
    EXPECT_EQ(raw({.width = 3, .height = 2, .depth = 16, .colourType = 6}), 2u * 25u);
    // One pixel still makes only the first pass.
    EXPECT_EQ(raw({.interlace = 1}), 4u);
    // The largest claim does not wrap around.
    EXPECT_GT(raw({.width = 0x7FFFFFFF, .height = 0x7FFFFFFF, .depth = 16, .colourType = 6}), 1ull << 62);
}

TEST(PngHeader, FileSizeMustFitTheRowsItClaims)
{
    std::string problem;
    const auto header = kinetra::readPngHeader(pngClaiming({.width = 1000, .height = 1000}), problem);
    ASSERT_TRUE(header);
    const std::uint64_t raw = 1000 * 3001;
    ASSERT_EQ(header->rawBytes(), raw);
    struct Case {
        std::uint64_t size;
        bool fits;
        const char* problem;
    };
    const Case cases[] = {
        {0, false, "a PNG of 1000 x 1000 pixels cannot fit in 0 bytes"},
        {raw / 1032 - 1, false, "cannot fit in 2906 bytes"},
        {raw / 1032, true, ""},
        {raw + raw / 64 + 16 * 1024 * 1024, true, ""},
        {raw + raw / 64 + 16 * 1024 * 1024 + 1, false, "bytes are far more than a PNG of 1000 x 1000 pixels holds"},
    };
    for (const Case& c : cases) {
        problem.clear();
        EXPECT_EQ(kinetra::pngFileSizeFits(*header, c.size, problem), c.fits) << c.size;
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
}

// The header and the start of an image data chunk, where libpng stops
// reading the header's chunks.
Bytes headerBeforeImageData(const PngHeaderFields& fields)
{
    Bytes bytes = pngClaiming(fields);
    bytes.resize(bytes.size() - 12);
    bytes.insert(bytes.end(), {0, 0, 0, 16, 'I', 'D', 'A', 'T'});
    return bytes;
}

TEST(PngHeader, DecodingRefusesAClaimTheDataCannotHold)
{
    // 8192 x 8192 RGBA inflates from no fewer than 260000 bytes.
    std::string problem;
    EXPECT_FALSE(kinetra::decodePng(headerBeforeImageData({.width = 8192, .height = 8192, .colourType = 6}), problem));
    EXPECT_EQ(problem, "Cannot read the picture: a PNG of 8192 x 8192 pixels cannot fit in 41 bytes.");
    EXPECT_FALSE(kinetra::decodePng(headerBeforeImageData({.width = 300, .height = 200}), problem, 299 * 200));
    EXPECT_EQ(problem, "The picture is too large.");
}

TEST(PngHeader, ReadingAsksTheCallerBeforeTheRest)
{
    kinetra::ExportPicture picture{3, 2, std::vector<std::uint32_t>(6, 0xFF102030)};
    const kinetra::test::TempFile file({}, ".png");
    std::string problem;
    ASSERT_TRUE(kinetra::writeArgbPng(file.path(), picture, kinetra::PngChannels::Rgb, problem)) << problem;

    std::vector<std::string> seen;
    const auto refuse = [&seen](const PngHeader& header, std::string& why) {
        seen.push_back(std::to_string(header.width) + " x " + std::to_string(header.height));
        why = "refused by its size";
        return false;
    };
    EXPECT_FALSE(kinetra::readPngFile(file.path(), problem, refuse));
    EXPECT_EQ(problem, "refused by its size");
    EXPECT_EQ(seen, std::vector<std::string>{"3 x 2"});

    // A file that is no PNG never reaches the caller.
    const kinetra::test::TempFile notPng(Bytes(64, 'x'), ".png");
    EXPECT_FALSE(kinetra::readPngFile(notPng.path(), problem, refuse));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_NE(problem.find("it is not a PNG"), std::string::npos) << problem;

    const auto accept = [](const PngHeader&, std::string&) { return true; };
    const auto read = kinetra::readPngFile(file.path(), problem, accept);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->argb, picture.pixels);
}

TEST(PngHeader, TextChunksStayWithinTheirBounds)
{
    const kinetra::IndexImage image(2, 2);
    std::vector<kinetra::PngText> texts;
    for (int i = 0; i < 40; ++i)
        texts.push_back({"Comment" + std::to_string(i), "text " + std::to_string(i)});
    Bytes bytes;
    std::string problem;
    ASSERT_TRUE(kinetra::encodeIndexedPng(image, kinetra::Palette{}, texts, bytes, problem)) << problem;

    // The first fourteen chunks are kept (libpng keeps two fewer than the
    // count it is given), the rest passed over.
    auto read = kinetra::decodePng(bytes, problem);
    ASSERT_TRUE(read) << problem;
    ASSERT_EQ(read->texts.size(), 14u);
    EXPECT_EQ(read->texts.back().value, "text 13");

    // Two kilobytes that inflate to two mebibytes, more than a note can be,
    // are passed over too, and the picture still reads.
    const std::string large(2 * 1024 * 1024, 'x');
    Bytes packed(compressBound(uLong(large.size())));
    uLongf packedSize = uLongf(packed.size());
    ASSERT_EQ(compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(large.data()), uLong(large.size())), Z_OK);
    Bytes chunk{'L', 'a', 'r', 'g', 'e', 0, 0};
    chunk.insert(chunk.end(), packed.begin(), packed.begin() + std::ptrdiff_t(packedSize));
    Bytes withLarge;
    const std::array<kinetra::PngText, 1> note{kinetra::PngText{"Note", "kept"}};
    ASSERT_TRUE(kinetra::encodeIndexedPng(image, kinetra::Palette{}, note, bytes, problem)) << problem;
    withLarge.assign(bytes.begin(), bytes.begin() + kinetra::kPngHeadSize);
    kinetra::test::appendPngChunk(withLarge, "zTXt", chunk);
    withLarge.insert(withLarge.end(), bytes.begin() + kinetra::kPngHeadSize, bytes.end());
    read = kinetra::decodePng(withLarge, problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->text("Large"), nullptr);
    ASSERT_NE(read->text("Note"), nullptr);
    EXPECT_EQ(*read->text("Note"), "kept");
}

} // namespace
