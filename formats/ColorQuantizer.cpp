#include "formats/ColorQuantizer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace kinetra {

namespace {

int channel(std::uint32_t rgb, std::size_t c)
{
    return int((rgb >> (16 - 8 * c)) & 0xFF); // 0 red, 1 green, 2 blue
}

// A run [begin, end) of the histogram.
struct ColorBox {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::array<int, 3> low{};
    std::array<int, 3> high{};

    std::size_t widestChannel() const
    {
        std::size_t widest = 0;
        for (std::size_t c = 1; c < 3; ++c) {
            if (high[c] - low[c] > high[widest] - low[widest])
                widest = c;
        }
        return widest;
    }
    int range() const { return high[widestChannel()] - low[widestChannel()]; }
};

ColorBox makeBox(const std::vector<ColorCount>& colors, std::size_t begin, std::size_t end)
{
    ColorBox box{begin, end, {255, 255, 255}, {0, 0, 0}};
    for (std::size_t i = begin; i < end; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            box.low[c] = std::min(box.low[c], channel(colors[i].rgb, c));
            box.high[c] = std::max(box.high[c], channel(colors[i].rgb, c));
        }
    }
    return box;
}

// Splits at the population median of the widest channel, keeping at least
// one colour on each side.
std::pair<ColorBox, ColorBox> splitBox(std::vector<ColorCount>& colors, const ColorBox& box)
{
    const std::size_t c = box.widestChannel();
    const auto first = colors.begin() + std::ptrdiff_t(box.begin);
    const auto last = colors.begin() + std::ptrdiff_t(box.end);
    // The whole colour breaks ties, so the order never depends on the sort.
    std::sort(first, last, [c](const ColorCount& a, const ColorCount& b) {
        const int va = channel(a.rgb, c);
        const int vb = channel(b.rgb, c);
        return va != vb ? va < vb : a.rgb < b.rgb;
    });
    std::uint64_t total = 0;
    for (auto it = first; it != last; ++it)
        total += it->count;
    std::uint64_t running = 0;
    std::size_t middle = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
        running += colors[i].count;
        middle = i + 1;
        if (running * 2 >= total)
            break;
    }
    return {makeBox(colors, box.begin, middle), makeBox(colors, middle, box.end)};
}

std::uint32_t meanColor(const std::vector<ColorCount>& colors, const ColorBox& box)
{
    std::array<std::uint64_t, 3> sums{};
    std::uint64_t total = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        const std::uint64_t weight = std::max<std::uint64_t>(colors[i].count, 1);
        for (std::size_t c = 0; c < 3; ++c)
            sums[c] += weight * std::uint64_t(channel(colors[i].rgb, c));
        total += weight;
    }
    std::uint32_t rgb = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        const std::uint64_t mean = (sums[c] + total / 2) / total;
        rgb |= std::uint32_t(std::min<std::uint64_t>(mean, 255)) << (16 - 8 * c);
    }
    return rgb;
}

} // namespace

std::vector<std::uint32_t> MedianCutPalette(std::vector<ColorCount> histogram, std::size_t maxColors)
{
    std::vector<std::uint32_t> palette;
    if (histogram.empty() || maxColors == 0)
        return palette;
    std::sort(histogram.begin(), histogram.end(),
              [](const ColorCount& a, const ColorCount& b) { return a.rgb < b.rgb; });

    std::vector<ColorBox> boxes{makeBox(histogram, 0, histogram.size())};
    while (boxes.size() < maxColors) {
        // The widest box that holds more than one colour; the first on a tie.
        std::size_t chosen = boxes.size();
        int widest = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const int range = boxes[i].range();
            if (boxes[i].end - boxes[i].begin > 1 && range > widest) {
                chosen = i;
                widest = range;
            }
        }
        if (chosen == boxes.size())
            break;
        auto [lower, upper] = splitBox(histogram, boxes[chosen]);
        boxes[chosen] = lower;
        boxes.push_back(upper);
    }

    palette.reserve(boxes.size());
    for (const ColorBox& box : boxes)
        palette.push_back(meanColor(histogram, box));
    return palette;
}

NearestColorMap::NearestColorMap(std::vector<std::uint32_t> palette) : m_palette(std::move(palette)) {}

std::uint8_t NearestColorMap::indexOf(std::uint32_t rgb)
{
    rgb &= 0x00FFFFFFu;
    if (const auto cached = m_cache.find(rgb); cached != m_cache.end())
        return cached->second;
    std::size_t best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < m_palette.size() && i < 256; ++i) {
        int distance = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const int d = channel(rgb, c) - channel(m_palette[i], c);
            distance += d * d;
        }
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    const auto index = std::uint8_t(best);
    m_cache.emplace(rgb, index);
    return index;
}

} // namespace kinetra
