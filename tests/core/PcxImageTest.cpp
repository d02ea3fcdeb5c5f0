#include "imaging/CPcxImage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

namespace {

using kinetra::CPcxImage;
using kinetra::CSurface;
using kinetra::kFail;
using kinetra::kOk;
using kinetra::Palette;
using kinetra::PaletteEntry;
using Bytes = std::vector<std::uint8_t>;

struct PcxShape {
    int width = 1;
    int height = 1;
    int planes = 1;
    int bytesPerLine = 0; // 0: the width
    int xMin = 0;
    int yMin = 0;
};

void putI16(Bytes& bytes, std::size_t at, int value)
{
    bytes[at] = std::uint8_t(value & 0xFF);
    bytes[at + 1] = std::uint8_t((value >> 8) & 0xFF);
}

Bytes pcxHeader(const PcxShape& shape)
{
    Bytes header(CPcxImage::kHeaderSize, 0);
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = 1;
    header[3] = 8;
    putI16(header, 4, shape.xMin);
    putI16(header, 6, shape.yMin);
    putI16(header, 8, shape.xMin + shape.width - 1);
    putI16(header, 10, shape.yMin + shape.height - 1);
    header[65] = std::uint8_t(shape.planes);
    putI16(header, 66, shape.bytesPerLine ? shape.bytesPerLine : shape.width);
    return header;
}

// The usual PCX encoding: runs of up to 63, single bytes below 0xC0 literal.
void encodePlane(std::span<const std::uint8_t> plane, Bytes& out)
{
    std::size_t i = 0;
    while (i < plane.size()) {
        std::size_t run = 1;
        while (i + run < plane.size() && run < 63 && plane[i + run] == plane[i])
            ++run;
        if (run > 1 || plane[i] >= 0xC0) {
            out.push_back(std::uint8_t(0xC0 | run));
            out.push_back(plane[i]);
        } else {
            out.push_back(plane[i]);
        }
        i += run;
    }
}

void appendPalette(Bytes& file, const Palette& palette)
{
    file.push_back(0x0C);
    for (const PaletteEntry& entry : palette) {
        file.push_back(entry.red);
        file.push_back(entry.green);
        file.push_back(entry.blue);
    }
}

// Every channel differs from the others and from the index, so a swapped
// channel or an off-by-one entry shows.
Palette distinctPalette()
{
    Palette palette;
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 37 + 11));
    return palette;
}

// A single-plane file of `pixels` (width × height, row after row), each line
// padded with zeros to BytesPerLine.
Bytes makePcx(const PcxShape& shape, const Bytes& pixels, const Palette* palette)
{
    Bytes file = pcxHeader(shape);
    const int bytesPerLine = shape.bytesPerLine ? shape.bytesPerLine : shape.width;
    for (int row = 0; row < shape.height; ++row) {
        Bytes line(std::size_t(bytesPerLine), 0);
        std::copy_n(pixels.begin() + row * shape.width, shape.width, line.begin());
        encodePlane(line, file);
    }
    if (palette)
        appendPalette(file, *palette);
    return file;
}

Bytes withData(const PcxShape& shape, const Bytes& data)
{
    Bytes file = pcxHeader(shape);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

bool isBlack(const Palette& palette)
{
    for (const PaletteEntry& entry : palette) {
        if (entry != PaletteEntry{})
            return false;
    }
    return true;
}

void expectBitmapColours(const CPcxImage& image, const Palette& expected)
{
    ASSERT_EQ(image.bitmapInfo.size(), CPcxImage::kBitmapInfoSize);
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint8_t* entry = image.bitmapInfo.data() + CPcxImage::kBitmapHeaderSize + 4 * i;
        EXPECT_EQ(entry[0], expected[i].blue) << "entry " << i;
        EXPECT_EQ(entry[1], expected[i].green) << "entry " << i;
        EXPECT_EQ(entry[2], expected[i].red) << "entry " << i;
        EXPECT_EQ(entry[3], 0) << "entry " << i;
    }
}

std::uint32_t readU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) | (std::uint32_t(at[3]) << 24);
}

// Pixel values that never repeat along a row and never equal the palette
// marker, so a misplaced marker lookup cannot find one by accident.
Bytes patternPixels(int width, int height)
{
    Bytes pixels(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t value = std::uint8_t((x * 3 + y * 50 + 1) & 0xFF);
            if (value == 0x0C)
                value = 0xFC;
            pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = value;
        }
    }
    return pixels;
}

// Checks every pixel of a locked surface against the image through `palette`.
void expectSurfaceShows(CSurface& surface, const Bytes& pixels, const Palette& palette)
{
    std::uint8_t* bits = nullptr;
    int pitch = 0;
    ASSERT_EQ(surface.Lock(bits, pitch), kOk);
    int mismatches = 0;
    for (int y = 0; y < surface.height; ++y) {
        for (int x = 0; x < surface.width; ++x) {
            const PaletteEntry& colour = palette[pixels[std::size_t(y) * std::size_t(surface.width) + std::size_t(x)]];
            const std::uint8_t* at = bits + std::size_t(y) * std::size_t(pitch) + 4 * std::size_t(x);
            if (at[0] != colour.blue || at[1] != colour.green || at[2] != colour.red || at[3] != 0xFF) {
                if (++mismatches <= 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
            }
        }
    }
    surface.Unlock();
    EXPECT_EQ(mismatches, 0);
}

// A device whose surfaces have three unused pixels after every row, filled
// with a sentinel that drawing must leave alone.
class PaddedDevice : public kinetra::CDrawDevice {
public:
    static constexpr int kPad = 3;
    static constexpr std::uint32_t kSentinel = 0x5A5A5A5Au;

    std::unique_ptr<kinetra::PlatformSurface> CreateSurface(int w, int h) override
    {
        auto surface = std::make_unique<kinetra::PlatformSurface>();
        const std::size_t count = std::size_t(w + kPad) * std::size_t(h);
        surface->width = w;
        surface->height = h;
        surface->pitch = (w + kPad) * 4;
        surface->pixels = std::make_unique<std::uint32_t[]>(count);
        std::fill_n(surface->pixels.get(), count, kSentinel);
        return surface;
    }
};

TEST(PcxImageLoad, PaletteResourceDecodesOneIndexAndFullPalette)
{
    const Palette palette = distinctPalette();
    Bytes file = withData({.width = 1, .height = 1, .bytesPerLine = 2}, {0x07, 0xC1, 0xFF});
    appendPalette(file, palette);
    const kinetra::test::TempFile temp(file, ".pcx");

    CPcxImage image;
    ASSERT_EQ(image.Load(temp.path()), kOk);
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.pixels, Bytes{0x07});
    EXPECT_EQ(image.palette, palette);
    EXPECT_EQ(image.fileData, file);
    EXPECT_TRUE(std::equal(image.header.begin(), image.header.end(), file.begin()));

    ASSERT_EQ(image.bitmapInfo.size(), CPcxImage::kBitmapInfoSize);
    const std::uint8_t* info = image.bitmapInfo.data();
    EXPECT_EQ(readU32(info), 40u);
    EXPECT_EQ(readU32(info + 4), 1u);
    EXPECT_EQ(readU32(info + 8), 1u);
    EXPECT_EQ(readU32(info + 12), 0x00080001u); // one plane, 8 bits a pixel
    for (std::size_t i = 16; i < CPcxImage::kBitmapHeaderSize; ++i)
        EXPECT_EQ(info[i], 0) << "header byte " << i;
    expectBitmapColours(image, palette);
}

TEST(PcxImageLoad, SignedOriginGivesWidthAndHeight)
{
    const PcxShape shape{.width = 4, .height = 2, .xMin = -2, .yMin = -1};
    const Bytes pixels = patternPixels(4, 2);
    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(makePcx(shape, pixels, nullptr)), kOk);
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels, pixels);
}

TEST(PcxImageLoad, MissingOrEmptyPathFails)
{
    CPcxImage image;
    EXPECT_EQ(image.Load(""), kFail);
    EXPECT_EQ(image.Load("/nonexistent/kinetra/ntp00.pcx"), kFail);
    EXPECT_TRUE(image.fileData.empty());
    EXPECT_TRUE(image.pixels.empty());
}

TEST(PcxImageLoad, FreeThenLoadAgain)
{
    const Palette palette = distinctPalette();
    Bytes small = withData({.width = 1, .height = 1, .bytesPerLine = 2}, {0x07, 0xC1, 0xFF});
    appendPalette(small, palette);
    const Bytes pixels = patternPixels(5, 3);
    const kinetra::test::TempFile first(small, ".pcx");
    const kinetra::test::TempFile second(makePcx({.width = 5, .height = 3}, pixels, nullptr), ".pcx");

    CPcxImage image;
    ASSERT_EQ(image.Load(first.path()), kOk);
    image.Free();
    EXPECT_TRUE(image.fileData.empty());
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_TRUE(image.bitmapInfo.empty());
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);

    ASSERT_EQ(image.Load(second.path()), kOk);
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.pixels, pixels);
    EXPECT_TRUE(isBlack(image.palette));

    // Loading over a loaded image, and after a failed load, starts afresh.
    ASSERT_EQ(image.Load(first.path()), kOk);
    EXPECT_EQ(image.pixels, Bytes{0x07});
    EXPECT_EQ(image.Load(""), kFail);
    ASSERT_EQ(image.Load(second.path()), kOk);
    EXPECT_EQ(image.pixels, pixels);
}

TEST(PcxImageDecode, RunLengthZeroConsumesItsValueAndWritesNothing)
{
    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(withData({.width = 3, .height = 1}, {0xC0, 0x55, 0x01, 0xC2, 0x09})), kOk);
    EXPECT_EQ(image.pixels, (Bytes{0x01, 0x09, 0x09}));
}

TEST(PcxImageDecode, RunMayEndExactlyAtPlaneEndButNotCrossIt)
{
    const PcxShape shape{.width = 2, .height = 2};
    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(withData(shape, {0xC2, 0x05, 0x06, 0x07})), kOk);
    EXPECT_EQ(image.pixels, (Bytes{0x05, 0x05, 0x06, 0x07}));

    EXPECT_EQ(image.LoadFromMemory(withData(shape, {0xC3, 0x05, 0x06, 0x07})), kFail);
    EXPECT_EQ(image.LoadFromMemory(withData(shape, {0x01, 0x02, 0xFF, 0x06})), kFail);
    // A failed load leaves nothing half made.
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(image.width, 0);
}

TEST(PcxImageDecode, PaddingBeyondWidthIsDropped)
{
    // Lines carry BytesPerLine bytes; only the first width of them are pixels.
    const PcxShape shape{.width = 3, .height = 2, .bytesPerLine = 4};
    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(withData(shape, {1, 2, 3, 0x7E, 4, 5, 6, 0x7E})), kOk);
    EXPECT_EQ(image.pixels, (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(PcxImageDecode, MultiPlaneKeepsPlaneZeroWithinPixels)
{
    const int width = 4;
    const int height = 3;
    const int planes = 3;
    const int bytesPerLine = 5;
    Bytes file = pcxHeader({.width = width, .height = height, .planes = planes, .bytesPerLine = bytesPerLine});
    Bytes expected;
    for (int row = 0; row < height; ++row) {
        for (int plane = 0; plane < planes; ++plane) {
            Bytes line(bytesPerLine);
            for (int x = 0; x < bytesPerLine; ++x)
                line[std::size_t(x)] = std::uint8_t(plane * 100 + row * 10 + x);
            encodePlane(line, file);
            if (plane == 0)
                expected.insert(expected.end(), line.begin(), line.begin() + width);
        }
    }
    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(file), kOk);
    EXPECT_EQ(image.pixels.size(), std::size_t(width * height));
    EXPECT_EQ(image.pixels, expected);
}

TEST(PcxImagePalette, MissingMarkerLoadsWithBlackPalette)
{
    const Palette palette = distinctPalette();
    Bytes withMarker = withData({.width = 1, .height = 1, .bytesPerLine = 2}, {0x07, 0xC1, 0xFF});
    appendPalette(withMarker, palette);
    Bytes withoutMarker = withMarker;
    withoutMarker[withoutMarker.size() - CPcxImage::kPaletteBlockSize] = 0x0B;

    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(withMarker), kOk);
    ASSERT_EQ(image.palette, palette);
    // The colours of the image before must not survive into this one.
    ASSERT_EQ(image.LoadFromMemory(withoutMarker), kOk);
    EXPECT_EQ(image.pixels, Bytes{0x07});
    EXPECT_TRUE(isBlack(image.palette));
    expectBitmapColours(image, Palette{});
}

TEST(PcxImageHostile, TruncatedAtEveryLength)
{
    const PcxShape shape{.width = 5, .height = 3};
    const Palette palette = distinctPalette();
    const Bytes pixels = patternPixels(5, 3);
    const Bytes file = makePcx(shape, pixels, &palette);
    const std::size_t dataEnd = file.size() - CPcxImage::kPaletteBlockSize;

    CPcxImage image;
    for (std::size_t length = 0; length <= file.size(); ++length) {
        SCOPED_TRACE(length);
        const auto prefix = std::span<const std::uint8_t>(file).first(length);
        if (length < dataEnd) {
            EXPECT_EQ(image.LoadFromMemory(prefix), kFail);
            continue;
        }
        ASSERT_EQ(image.LoadFromMemory(prefix), kOk);
        EXPECT_EQ(image.pixels, pixels);
        if (length == file.size())
            EXPECT_EQ(image.palette, palette);
        else
            EXPECT_TRUE(isBlack(image.palette));
    }
}

TEST(PcxImageHostile, RejectsImpossibleHeaders)
{
    struct Case {
        const char* what;
        std::size_t offset;
        int value;
    };
    const Case cases[] = {
        {"Xmax below Xmin", 8, -1},
        {"Ymax below Ymin", 10, -1},
        {"no planes", 65, 0},
        {"negative planes", 65, 0x80},
        {"BytesPerLine below width", 66, 3},
        {"negative BytesPerLine", 66, -4},
    };
    const PcxShape shape{.width = 4, .height = 2};
    const Bytes good = makePcx(shape, patternPixels(4, 2), nullptr);
    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(good), kOk);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = good;
        if (c.offset == 65)
            file[c.offset] = std::uint8_t(c.value);
        else
            putI16(file, c.offset, c.value);
        EXPECT_EQ(image.LoadFromMemory(file), kFail);
    }
}

// A valid all-zero image of the given size, encoded in runs of 63.
Bytes blankPcx(int width, int height)
{
    Bytes file = pcxHeader({.width = width, .height = height});
    Bytes line;
    encodePlane(Bytes(std::size_t(width), 0), line);
    for (int row = 0; row < height; ++row)
        file.insert(file.end(), line.begin(), line.end());
    return file;
}

TEST(PcxImageHostile, PixelCeilingIsInclusive)
{
    CPcxImage image;
    ASSERT_EQ(16384u * 4096u, CPcxImage::kMaxPixels);
    EXPECT_EQ(image.LoadFromMemory(blankPcx(16384, 4097)), kFail);
    ASSERT_EQ(image.LoadFromMemory(blankPcx(16384, 4096)), kOk);
    EXPECT_EQ(image.pixels.size(), CPcxImage::kMaxPixels);
}

TEST(PcxImageHostile, DimensionsTheDataCannotHoldFail)
{
    CPcxImage image;
    EXPECT_EQ(image.LoadFromMemory(withData({.width = 8000, .height = 8000}, {0xFF, 0x00, 0xFF, 0x00})), kFail);
    EXPECT_EQ(image.LoadFromMemory(withData({.width = 32767, .height = 32767}, Bytes(4096, 0xC1))), kFail);
}

TEST(PcxImageDraw, BackgroundFillsSurfaceThroughPalette)
{
    kinetra::test::ScopedScreen screen;
    const Palette palette = distinctPalette();
    const Bytes pixels = patternPixels(240, 240);
    const kinetra::test::TempFile temp(makePcx({.width = 240, .height = 240}, pixels, &palette), ".pcx");

    CPcxImage image;
    ASSERT_EQ(image.Load(temp.path()), kOk);
    EXPECT_EQ(image.pixels.size(), 57600u);
    EXPECT_EQ(image.pixels, pixels);

    CSurface surface;
    ASSERT_EQ(surface.Create(240, 240), kOk);
    ASSERT_EQ(image.DrawToSurface(surface), kOk);
    expectSurfaceShows(surface, pixels, palette);
}

TEST(PcxImageDraw, RespectsRowPitch)
{
    const Palette palette = distinctPalette();
    const Bytes pixels = patternPixels(5, 3);
    CPcxImage image;
    ASSERT_EQ(image.LoadFromMemory(makePcx({.width = 5, .height = 3}, pixels, &palette)), kOk);

    PaddedDevice device;
    CSurface surface;
    ASSERT_EQ(surface.CreateOn(device, 5, 3), kOk);
    ASSERT_EQ(image.DrawToSurface(surface), kOk);
    expectSurfaceShows(surface, pixels, palette);

    const kinetra::PlatformSurface* memory = surface.Memory();
    const int stride = memory->pitch / 4;
    for (int y = 0; y < 3; ++y) {
        for (int x = 5; x < stride; ++x)
            EXPECT_EQ(memory->pixels[std::size_t(y * stride + x)], PaddedDevice::kSentinel) << x << ", " << y;
    }
}

TEST(PcxImageDraw, RefusesSurfacesThatDoNotFit)
{
    kinetra::test::ScopedScreen screen;
    CPcxImage image;
    CSurface matching;
    ASSERT_EQ(matching.Create(4, 3), kOk);
    EXPECT_EQ(image.DrawToSurface(matching), kFail) << "nothing loaded";

    ASSERT_EQ(image.LoadFromMemory(makePcx({.width = 4, .height = 3}, patternPixels(4, 3), nullptr)), kOk);
    CSurface uncreated;
    EXPECT_EQ(image.DrawToSurface(uncreated), kFail);
    for (const auto& [w, h] : {std::pair{3, 4}, std::pair{4, 4}, std::pair{5, 3}, std::pair{240, 240}}) {
        CSurface other;
        ASSERT_EQ(other.Create(w, h), kOk);
        ASSERT_EQ(other.Fill(0x123456), kOk);
        EXPECT_EQ(image.DrawToSurface(other), kFail) << w << " x " << h;
        std::uint8_t* bits = nullptr;
        int pitch = 0;
        // Still unlocked and untouched.
        ASSERT_EQ(other.Lock(bits, pitch), kOk);
        EXPECT_EQ(readU32(bits), 0xFF123456u);
        other.Unlock();
    }

    std::uint8_t* bits = nullptr;
    int pitch = 0;
    ASSERT_EQ(matching.Lock(bits, pitch), kOk);
    EXPECT_EQ(image.DrawToSurface(matching), kFail) << "surface busy";
    matching.Unlock();
    EXPECT_EQ(image.DrawToSurface(matching), kOk);
}

} // namespace
