// The quantizer's parts on their own: the nearest entry found through the
// grid against a search of every entry, k-means against median cut, and
// the grid histogram's cells.

#include "formats/ColorQuantizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace kinetra {
namespace {

std::uint32_t scrambled(std::uint32_t i)
{
    return (i * 2654435761u) ^ (i >> 7);
}

int squaredDistance(std::uint32_t a, std::uint32_t b)
{
    int sum = 0;
    for (const int shift : {16, 8, 0}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

std::size_t searchEveryEntry(const std::vector<std::uint32_t>& palette, std::uint32_t rgb)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < palette.size(); ++i) {
        if (squaredDistance(rgb, palette[i]) < squaredDistance(rgb, palette[best]))
            best = i;
    }
    return best;
}

TEST(NearestColorMap, AgreesWithASearchOfEveryEntry)
{
    struct Case {
        const char* what;
        std::vector<std::uint32_t> palette;
    };
    std::vector<std::uint32_t> scattered, clustered, withTies;
    for (std::uint32_t i = 0; i < 160; ++i)
        scattered.push_back(scrambled(i) & 0x00FFFFFFu);
    for (std::uint32_t i = 0; i < 200; ++i) // all within a few levels of mid grey
        clustered.push_back(0x7C7C7Cu + ((scrambled(i) & 0x070707u)));
    for (std::uint32_t i = 0; i < 64; ++i) // every entry twice: the lower must win
        withTies.insert(withTies.end(), {scrambled(i) & 0x00F0F0F0u, scrambled(i) & 0x00F0F0F0u});
    const Case cases[] = {{"scattered", scattered}, {"clustered", clustered}, {"ties", withTies},
                          {"one entry", {0x123456}}, {"past 256 entries", std::vector<std::uint32_t>(300, 0x010203)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NearestColorMap nearest(c.palette);
        const std::vector<std::uint32_t> searched(c.palette.begin(), c.palette.begin() + std::min<std::ptrdiff_t>(
                                                                                           std::ptrdiff_t(c.palette.size()), 256));
        std::size_t wrong = 0;
        for (std::uint32_t i = 0; i < 40000; ++i) {
            const std::uint32_t rgb = i < 256 ? i * 0x010101u : scrambled(i + 12345) & 0x00FFFFFFu;
            wrong += nearest.indexOf(rgb) != searchEveryEntry(searched, rgb);
        }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(RefinedPalette, LowersTheErrorOfMedianCutAndKeepsItsSize)
{
    // Shaded parts, as renders give: ramps of a few hues from dark to
    // light, each shade with a little noise, the middle shades commonest.
    std::vector<ColorCount> histogram;
    const std::uint32_t hues[] = {0xE0A070, 0x70A040, 0x9090A0, 0xD0B040, 0x805030};
    for (const std::uint32_t hue : hues) {
        for (std::uint32_t shade = 20; shade <= 100; shade += 2) {
            for (std::uint32_t noise = 0; noise < 6; ++noise) {
                std::uint32_t rgb = 0;
                for (const int shift : {16, 8, 0}) {
                    const std::uint32_t level = ((hue >> shift) & 0xFF) * shade / 100 + (scrambled(noise + shade) >> shift) % 7;
                    rgb |= std::min<std::uint32_t>(level, 255) << shift;
                }
                histogram.push_back({rgb, 1 + (shade % 40) * (shade % 40)});
            }
        }
    }
    const auto meanError = [&histogram](const std::vector<std::uint32_t>& palette) {
        double sum = 0, weight = 0;
        for (const ColorCount& colour : histogram) {
            const std::uint32_t entry = palette[searchEveryEntry(palette, colour.rgb)];
            sum += double(colour.count) * std::sqrt(double(squaredDistance(colour.rgb, entry)));
            weight += double(colour.count);
        }
        return sum / weight;
    };
    const std::vector<std::uint32_t> cut = MedianCutPalette(histogram, 32);
    const std::vector<std::uint32_t> refined = RefinedPalette(histogram, cut, 20);
    ASSERT_EQ(refined.size(), cut.size());
    EXPECT_LT(meanError(refined), meanError(cut) * 0.85);
    EXPECT_EQ(RefinedPalette(histogram, cut, 20), refined);
    EXPECT_EQ(RefinedPalette(histogram, cut, 0), cut);
    EXPECT_TRUE(RefinedPalette(histogram, {}, 5).empty());
}

TEST(RefinedPalette, AnEntryWithoutColoursTakesTheWorstServedOne)
{
    const std::vector<ColorCount> histogram{{0x000000, 10}, {0x0A0A0A, 10}, {0xFFFFFF, 1}};
    // The second entry starts where nothing is near it.
    const std::vector<std::uint32_t> refined = RefinedPalette(histogram, {0x050505, 0x050505}, 5);
    std::vector<std::uint32_t> sorted = refined;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::uint32_t>{0x050505, 0xFFFFFF}));
}

TEST(GridHistogram, KeepsALoneColourExactlyAndAveragesACell)
{
    GridHistogram histogram;
    for (int i = 0; i < 3; ++i)
        histogram.add(0xFF123456); // alpha is no part of the colour
    histogram.add(0x00808080);
    histogram.add(0x00838383); // the same cell of 4 levels a channel
    histogram.add(0x00818283);
    const std::vector<ColorCount> colours = histogram.colors();
    ASSERT_EQ(colours.size(), 2u);
    // Cell order: the grey cell comes after the bluish one.
    EXPECT_EQ(colours[0].rgb, 0x123456u);
    EXPECT_EQ(colours[0].count, 3u);
    EXPECT_EQ(colours[1].rgb, 0x818282u); // (128+131+129)/3, (128+131+130)/3, (128+131+131)/3 rounded
    EXPECT_EQ(colours[1].count, 3u);
    EXPECT_TRUE(GridHistogram().colors().empty());
}

TEST(GridHistogram, KeepsColoursExactlyUpToItsLimit)
{
    struct Case {
        std::size_t limit;
        std::vector<std::uint32_t> added;
        std::optional<std::vector<std::uint32_t>> exact;
    };
    const Case cases[] = {
        {3, {0x808080, 0x818181, 0x808080, 0x010203}, std::vector<std::uint32_t>{0x010203, 0x808080, 0x818181}},
        {2, {0x808080, 0x818181, 0x808080, 0x010203}, std::nullopt},
        {2, {0x808080, 0x808080, 0x808080}, std::vector<std::uint32_t>{0x808080}},
        {0, {0x808080}, std::nullopt},
        {5, {}, std::vector<std::uint32_t>{}},
    };
    for (const Case& c : cases) {
        GridHistogram histogram(c.limit);
        for (const std::uint32_t rgb : c.added)
            histogram.add(rgb);
        EXPECT_EQ(histogram.exactColors(), c.exact) << c.limit << " " << c.added.size();
    }
}

} // namespace
} // namespace kinetra
