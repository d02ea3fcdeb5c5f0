// Renders to game frames: each pixel's class by the rules (a pixel in, its
// index out), the palette a conversion makes, and the generated renders of
// tools/MakeRenders.cpp, whose every pixel says what it was drawn as, with
// their colours measured against ImageMagick's quantizer.

#include "TestSupport.h"

#include "formats/PngFile.h"
#include "storyboard/ColourText.h"
#include "storyboard/RenderConversion.h"
#include "storyboard/Storyboard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {
namespace {

constexpr std::uint32_t kKey = 0x2850FF; // hue 226 degrees, saturation 0.84

std::uint32_t argb(std::uint32_t alpha, std::uint32_t rgb)
{
    return (alpha << 24) | rgb;
}

// 0-63 greys of luma 4 * i, so a team pixel's entry is its luma / 4;
// ordinary entries whose nearest is plain to see.
Palette tablePalette()
{
    Palette palette{};
    for (int i = 0; i < 64; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(4 * i), std::uint8_t(4 * i), std::uint8_t(4 * i));
    for (int i = 64; i < 224; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(255, 0, 0);
    palette[64] = PaletteEntry::fromRgb(0, 0, 0);
    palette[65] = PaletteEntry::fromRgb(255, 255, 255);
    palette[66] = PaletteEntry::fromRgb(65, 65, 65);
    palette[67] = PaletteEntry::fromRgb(40, 80, 255);
    for (int i = 224; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(9, 9, 9);
    return palette;
}

std::optional<RenderConversion> convertOne(std::uint32_t pixel, const std::optional<Palette>& palette,
                                           const RenderOptions& options)
{
    const std::vector<ExportPicture> frames{{1, 1, {pixel}, 0}};
    std::string problem;
    auto converted = convertRenders(frames, palette, options, problem);
    EXPECT_TRUE(converted) << problem;
    return converted;
}

struct PixelCase {
    const char* what;
    std::uint32_t pixel;
    bool team;
    int index; // onto tablePalette()
};

const PixelCase kPixelCases[] = {
    {"clear", argb(0, 0x000000), true, 255},
    {"clear white", argb(0, 0xFFFFFF), true, 255},
    {"faint light colour", argb(100, 0xFFFFFF), true, 255},
    {"faintest shadow rounds up to level 1", argb(1, 0x000000), true, 254},
    {"shadow at alpha 100 is level 6", argb(100, 0x101010), true, 249},
    {"shadow at alpha 200 is level 12", argb(200, 0x202020), true, 243},
    {"shadow at alpha 254 is level 15", argb(254, 0x000000), true, 240},
    {"shadow at luma 64 exactly", argb(200, 0x404040), true, 243},
    {"luma 65 is no shadow", argb(200, 0x414141), true, 66},
    {"half-transparent light colour is clear", argb(127, 0x414141), true, 255},
    {"alpha 128 is opaque", argb(128, 0x414141), true, 66},
    {"opaque black is ordinary", argb(255, 0x000000), true, 64},
    {"opaque white is ordinary", argb(255, 0xFFFFFF), true, 65},
    {"team key takes the entry of its luma", argb(255, kKey), true, 22},
    {"team key, darker", argb(255, 0x102080), true, 9},
    {"team hue 17 degrees off", argb(255, 0x3C28FF), true, 17},
    {"team hue 19 degrees off", argb(255, 0x4428FF), true, 18},
    {"team hue 21 degrees off", argb(255, 0x4C28FF), false, 67},
    {"team hue, saturation a fifth of the key's", argb(255, 0xDDE0FF), false, 65},
    {"team hue, saturation a third of the key's", argb(255, 0xAAB9FF), true, 47},
    {"without a team colour the key is ordinary", argb(255, kKey), false, 67},
    {"a dark team pixel half drawn is a shadow", argb(200, 0x081040), true, 243},
    {"a light team pixel half clear is clear", argb(100, kKey), true, 255},
};

TEST(RenderPixels, EachPixelTakesTheIndexOfItsClass)
{
    for (const PixelCase& c : kPixelCases) {
        SCOPED_TRACE(c.what);
        RenderOptions options;
        const bool keyed = c.team || std::string(c.what).find("team hue") != std::string::npos;
        if (keyed && std::string(c.what) != "without a team colour the key is ordinary")
            options.teamColour = kKey;
        const auto mapped = convertOne(c.pixel, tablePalette(), options);
        ASSERT_TRUE(mapped);
        EXPECT_EQ(mapped->frames[0].pixels[0], c.index);
        EXPECT_EQ(mapped->palette, tablePalette());

        // A generated palette puts the pixel in the same class, and shadow
        // and transparent pixels at the same index.
        const auto generated = convertOne(c.pixel, std::nullopt, options);
        ASSERT_TRUE(generated);
        const std::uint8_t index = generated->frames[0].pixels[0];
        EXPECT_EQ(indexClassOf(index), indexClassOf(c.index));
        if (indexClassOf(c.index) != IndexClass::Ordinary && indexClassOf(c.index) != IndexClass::Civilization) {
            EXPECT_EQ(index, c.index);
        }
        EXPECT_EQ(generated->pixelsPerClass[std::size_t(indexClassOf(c.index))], 1u);
    }
}

TEST(RenderPixels, TheToleranceWidensTheTeamHue)
{
    RenderOptions options;
    options.teamColour = kKey;
    options.teamToleranceDegrees = 30;
    EXPECT_EQ(convertOne(argb(255, 0x4C28FF), tablePalette(), options)->frames[0].pixels[0], 19);
    options.teamToleranceDegrees = 0;
    EXPECT_EQ(convertOne(argb(255, kKey), tablePalette(), options)->frames[0].pixels[0], 22);
    EXPECT_EQ(convertOne(argb(255, 0x2A50FF), tablePalette(), options)->frames[0].pixels[0], 67);
}

TEST(RenderPixels, RefusalsSayWhy)
{
    struct Case {
        std::vector<ExportPicture> frames;
        std::optional<std::uint32_t> team;
        double tolerance;
        const char* problem;
    };
    const ExportPicture good{2, 1, {0, 0}, 0};
    const Case cases[] = {
        {{}, std::nullopt, 20, "There are no frames to convert."},
        {{good, {2, 2, {0, 0, 0}, 0}}, std::nullopt, 20, "Frame 2 holds 3 pixels, not 2 x 2."},
        {{{0, 0, {}, 0}}, std::nullopt, 20, "Frame 1 holds 0 pixels, not 0 x 0."},
        {{good}, 0x808080, 20, "The team colour #808080 is a grey: team parts are told from the rest by their hue."},
        {{good}, kKey, 181, "The team colour's tolerance must lie between 0 and 180 degrees."},
        {{good}, kKey, -1, "The team colour's tolerance must lie between 0 and 180 degrees."},
        {{good}, kKey, std::numeric_limits<double>::quiet_NaN(),
         "The team colour's tolerance must lie between 0 and 180 degrees."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        RenderOptions options;
        options.teamColour = c.team;
        options.teamToleranceDegrees = c.tolerance;
        std::string problem;
        EXPECT_FALSE(convertRenders(c.frames, std::nullopt, options, problem));
        EXPECT_EQ(problem, c.problem);
    }
}

TEST(ColourText, ReadsOnlySevenCharacterHexColours)
{
    struct Case {
        const char* text;
        std::optional<std::uint32_t> colour;
    };
    const Case cases[] = {
        {"#2850FF", 0x2850FF}, {"#abcdef", 0xABCDEF}, {"#000000", 0x000000}, {"#FFFFFF", 0xFFFFFF},
        {"2850FF", std::nullopt}, {"#2850F", std::nullopt}, {"#2850FF0", std::nullopt}, {"#-12345", std::nullopt},
        {"#+12345", std::nullopt}, {"#2850FG", std::nullopt}, {"# 2850F", std::nullopt}, {"", std::nullopt},
        {"#0x1234", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseColourText(c.text), c.colour) << c.text;
        if (c.colour) {
            EXPECT_EQ(parseColourText(colourText(*c.colour)), c.colour) << c.text;
        }
    }
    EXPECT_EQ(colourText(0xABCDEF), "#ABCDEF");
    EXPECT_EQ(colourText(0x000001), "#000001");
}

// Colourful opaque frames of more colours than 160, with a shadow and a
// clear corner.
std::vector<ExportPicture> colourfulFrames()
{
    std::vector<ExportPicture> frames;
    for (int f = 0; f < 3; ++f) {
        ExportPicture frame{40, 30, {}, 0};
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                const std::uint32_t rgb = (std::uint32_t(x * 6 + f * 20) << 16) | (std::uint32_t(y * 8) << 8)
                                        | std::uint32_t(100 + x + y);
                frame.pixels.push_back(x < 4 ? 0 : y < 3 ? argb(90, 0x000000) : argb(255, rgb));
            }
        }
        frames.push_back(frame);
    }
    return frames;
}

TEST(RenderPalette, KeepsTheCivilizationLightShadowAndTransparentEntries)
{
    const std::optional<Palette> own = defaultUnitPalette();
    ASSERT_TRUE(own);
    Palette civilization{};
    for (int i = 0; i < 256; ++i)
        civilization[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), 7, std::uint8_t(255 - i));
    for (const bool givenColours : {false, true}) {
        SCOPED_TRACE(givenColours ? "civilization colours given" : "Kinetra's own");
        RenderOptions options;
        if (givenColours)
            options.civilizationColours = civilization;
        std::string problem;
        const auto converted = convertRenders(colourfulFrames(), std::nullopt, options, problem);
        ASSERT_TRUE(converted) << problem;
        const Palette& civ = givenColours ? civilization : *own;
        for (std::size_t i = 0; i < 64; ++i)
            EXPECT_EQ(converted->palette[i], civ[i]) << i;
        for (std::size_t i = 224; i < 256; ++i)
            EXPECT_EQ(converted->palette[i], (*own)[i]) << i;
        // Every ordinary entry serves some pixel: none is wasted.
        std::vector<bool> used(256, false);
        for (const IndexImage& frame : converted->frames)
            for (const std::uint8_t index : frame.pixels)
                used[index] = true;
        for (std::size_t i = 64; i < 224; ++i)
            EXPECT_TRUE(used[i]) << i;
        EXPECT_EQ(converted->pixelsPerClass[std::size_t(IndexClass::Transparent)], 3u * 4 * 30);
        EXPECT_EQ(converted->pixelsPerClass[std::size_t(IndexClass::Shadow)], 3u * 36 * 3);
        EXPECT_EQ(converted->pixelsPerClass[std::size_t(IndexClass::Ordinary)], 3u * 36 * 27);
        EXPECT_GT(converted->meanOrdinaryError, 0);
        EXPECT_GE(converted->largestOrdinaryError, converted->meanOrdinaryError);
    }
}

TEST(RenderPalette, FewColoursAreKeptExactly)
{
    // Two colours a level apart, as a flat-shaded render's ramp has them.
    std::vector<ExportPicture> frames{
        {4, 1, {argb(255, 0x123456), argb(255, 0xFEDCBA), argb(255, 0x123456), argb(255, 0x123457)}, 0}};
    std::string problem;
    const auto converted = convertRenders(frames, std::nullopt, {}, problem);
    ASSERT_TRUE(converted) << problem;
    EXPECT_EQ(converted->meanOrdinaryError, 0);
    const std::vector<std::uint8_t>& pixels = converted->frames[0].pixels;
    EXPECT_EQ(converted->palette[pixels[0]].rgb(), 0x123456u);
    EXPECT_EQ(converted->palette[pixels[1]].rgb(), 0xFEDCBAu);
    EXPECT_EQ(pixels[2], pixels[0]);
    EXPECT_EQ(converted->palette[pixels[3]].rgb(), 0x123457u);
}

// The renders of tools/MakeRenders.cpp, made once for all the tests below.
class GeneratedRenders : public ::testing::Test {
protected:
    struct Set {
        std::vector<ExportPicture> frames;
        std::vector<IndexImage> kinds;
    };
    enum Kind : std::uint8_t { kTransparent, kShadow, kTeam, kOrdinary, kMixed };

    static const Set& renders()
    {
        static const Set set = make();
        return set;
    }

    static RenderOptions teamOptions()
    {
        RenderOptions options;
        options.teamColour = kKey;
        return options;
    }

private:
    static Set make()
    {
        Set set;
        const std::filesystem::path folder
            = std::filesystem::temp_directory_path() / ("kinetra-renders-" + std::to_string(::getpid()));
        const std::string command = std::string(KINETRA_MAKE_RENDERS) + " '" + folder.string() + "'";
        if (std::system(command.c_str()) != 0) {
            ADD_FAILURE() << "make_renders failed";
            return set;
        }
        for (const char* direction : kUnitDirectionNames) {
            for (int f = 0; f < 12; ++f) {
                char name[40];
                std::snprintf(name, sizeof name, "render_%s_%04d.png", direction, f);
                std::string problem;
                auto picture = readPngFile((folder / name).string(), problem);
                auto kinds = readPngFile((folder / "kinds" / name).string(), problem);
                if (!picture || !kinds || picture->kind != PngPicture::Kind::TrueColour) {
                    ADD_FAILURE() << name << ": " << problem;
                    continue;
                }
                set.frames.push_back({picture->width, picture->height, std::move(picture->argb), 0});
                set.kinds.push_back(std::move(kinds->indices));
            }
        }
        std::filesystem::remove_all(folder);
        return set;
    }
};

TEST_F(GeneratedRenders, ShadowTeamAndOrdinaryPixelsKeepTheirClass)
{
    ASSERT_EQ(renders().frames.size(), 96u);
    for (const bool dither : {false, true}) {
        SCOPED_TRACE(dither ? "dithered" : "plain");
        RenderOptions options = teamOptions();
        options.dither = dither;
        std::string problem;
        const auto converted = convertRenders(renders().frames, std::nullopt, options, problem);
        ASSERT_TRUE(converted) << problem;
        std::array<std::size_t, 5> wrong{};
        std::array<std::size_t, 5> seen{};
        for (std::size_t f = 0; f < converted->frames.size(); ++f) {
            EXPECT_EQ(converted->frames[f].width, renders().frames[f].width);
            EXPECT_EQ(converted->frames[f].height, renders().frames[f].height);
            for (std::size_t i = 0; i < converted->frames[f].pixels.size(); ++i) {
                const IndexClass got = indexClassOf(converted->frames[f].pixels[i]);
                const std::uint8_t kind = renders().kinds[f].pixels[i];
                ++seen[kind];
                const bool right = kind == kTransparent ? got == IndexClass::Transparent
                                 : kind == kShadow      ? got == IndexClass::Shadow
                                 : kind == kTeam        ? got == IndexClass::Civilization
                                 : kind == kOrdinary    ? got == IndexClass::Ordinary
                                                        : true;
                if (!right)
                    ++wrong[kind];
            }
        }
        EXPECT_EQ(wrong, (std::array<std::size_t, 5>{}));
        for (const Kind kind : {kTransparent, kShadow, kTeam, kOrdinary})
            EXPECT_GT(seen[kind], 10000u) << int(kind);
        EXPECT_EQ(converted->pixelsPerClass[std::size_t(IndexClass::Light)], 0u);
    }
}

TEST_F(GeneratedRenders, DitheringTouchesOnlyOrdinaryPixels)
{
    std::string problem;
    RenderOptions options = teamOptions();
    const auto plain = convertRenders(renders().frames, std::nullopt, options, problem);
    options.dither = true;
    const auto dithered = convertRenders(renders().frames, std::nullopt, options, problem);
    ASSERT_TRUE(plain && dithered) << problem;
    EXPECT_EQ(plain->palette, dithered->palette);
    std::size_t changed = 0;
    for (std::size_t f = 0; f < plain->frames.size(); ++f) {
        for (std::size_t i = 0; i < plain->frames[f].pixels.size(); ++i) {
            const std::uint8_t a = plain->frames[f].pixels[i];
            const std::uint8_t b = dithered->frames[f].pixels[i];
            if (indexClassOf(a) != IndexClass::Ordinary) {
                EXPECT_EQ(a, b);
            }
            changed += a != b;
        }
    }
    EXPECT_GT(changed, 0u);
    EXPECT_EQ(plain->pixelsPerClass, dithered->pixelsPerClass);
}

TEST_F(GeneratedRenders, MappingOntoTheGeneratedPaletteGivesTheSameFrames)
{
    std::string problem;
    const auto generated = convertRenders(renders().frames, std::nullopt, teamOptions(), problem);
    ASSERT_TRUE(generated) << problem;
    const auto mapped = convertRenders(renders().frames, generated->palette, teamOptions(), problem);
    ASSERT_TRUE(mapped) << problem;
    EXPECT_EQ(mapped->palette, generated->palette);
    for (std::size_t f = 0; f < mapped->frames.size(); ++f)
        EXPECT_EQ(mapped->frames[f].pixels, generated->frames[f].pixels) << f;
    EXPECT_DOUBLE_EQ(mapped->meanOrdinaryError, generated->meanOrdinaryError);
}

double distance(std::uint32_t a, std::uint32_t b)
{
    double sum = 0;
    for (const int shift : {16, 8, 0}) {
        const double d = double((a >> shift) & 0xFF) - double((b >> shift) & 0xFF);
        sum += d * d;
    }
    return std::sqrt(sum);
}

TEST_F(GeneratedRenders, OrdinaryColoursAreNoWorseThanImageMagicks)
{
    std::string problem;
    const auto converted = convertRenders(renders().frames, std::nullopt, teamOptions(), problem);
    ASSERT_TRUE(converted) << problem;
    // The pixels it took as ordinary, as raw RGB for ImageMagick: rows of
    // 1024 (its policy refuses wider pictures), the last one filled up
    // with the first pixels again, which only the error below leaves out.
    std::vector<std::uint32_t> ordinary;
    for (std::size_t f = 0; f < converted->frames.size(); ++f) {
        for (std::size_t i = 0; i < converted->frames[f].pixels.size(); ++i) {
            if (indexClassOf(converted->frames[f].pixels[i]) == IndexClass::Ordinary)
                ordinary.push_back(renders().frames[f].pixels[i] & 0x00FFFFFFu);
        }
    }
    ASSERT_EQ(ordinary.size(), converted->pixelsPerClass[std::size_t(IndexClass::Ordinary)]);
    constexpr std::size_t kRow = 1024;
    const std::size_t rows = (ordinary.size() + kRow - 1) / kRow;
    std::vector<std::uint8_t> raw;
    for (std::size_t i = 0; i < rows * kRow; ++i) {
        const std::uint32_t rgb = ordinary[i % ordinary.size()];
        raw.insert(raw.end(), {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)});
    }
    const test::TempFile in(raw, ".rgb");
    const std::string out = in.path() + ".out.rgb";
    const std::string command = "convert -size " + std::to_string(kRow) + "x" + std::to_string(rows) + " -depth 8 'rgb:" + in.path()
                              + "' -colors 160 +dither -depth 8 'rgb:" + out + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "ImageMagick is not installed (tools/setup.sh installs it)";
    std::ifstream file(out, std::ios::binary);
    std::vector<char> quantized((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove(out);
    ASSERT_EQ(quantized.size(), raw.size());
    double sum = 0;
    for (std::size_t i = 0; i < ordinary.size(); ++i) {
        const auto byte = [&](std::size_t k) { return std::uint32_t(std::uint8_t(quantized[3 * i + k])); };
        sum += distance(ordinary[i], (byte(0) << 16) | (byte(1) << 8) | byte(2));
    }
    const double imageMagick = sum / double(ordinary.size());
    RecordProperty("ImageMagickMeanError", std::to_string(imageMagick));
    RecordProperty("MeanError", std::to_string(converted->meanOrdinaryError));
    std::printf("mean ordinary error %.3f (largest %.1f), ImageMagick's %.3f, over %zu pixels\n",
                converted->meanOrdinaryError, converted->largestOrdinaryError, imageMagick, ordinary.size());
    EXPECT_LE(converted->meanOrdinaryError, imageMagick);
}

} // namespace
} // namespace kinetra
