#include "formats/ColorQuantizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
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

namespace {

using Centre = std::array<float, 3>;

float squaredDistance(const Centre& a, const Centre& b)
{
    const float dr = a[0] - b[0];
    const float dg = a[1] - b[1];
    const float db = a[2] - b[2];
    return dr * dr + dg * dg + db * db;
}

Centre centreOf(std::uint32_t rgb)
{
    return {float(channel(rgb, 0)), float(channel(rgb, 1)), float(channel(rgb, 2))};
}

std::uint32_t rgbOf(const Centre& centre)
{
    std::uint32_t rgb = 0;
    for (std::size_t c = 0; c < 3; ++c)
        rgb |= std::uint32_t(std::clamp(std::lround(centre[c]), 0L, 255L)) << (16 - 8 * c);
    return rgb;
}

// The nearest centre; the lower index on a tie.
std::size_t nearestCentre(const std::vector<Centre>& centres, const Centre& colour, float& distance)
{
    std::size_t best = 0;
    distance = std::numeric_limits<float>::max();
    for (std::size_t k = 0; k < centres.size(); ++k) {
        const float d = squaredDistance(colour, centres[k]);
        if (d < distance) {
            best = k;
            distance = d;
        }
    }
    return best;
}

// A quarter of the squared distance from each centre to its nearest other
// centre: a colour nearer than that to its own centre cannot be nearer to
// any other (the triangle inequality), so most colours skip the search.
std::vector<float> keepingReach(const std::vector<Centre>& centres)
{
    std::vector<float> reach(centres.size(), std::numeric_limits<float>::max());
    for (std::size_t a = 0; a < centres.size(); ++a) {
        for (std::size_t b = a + 1; b < centres.size(); ++b) {
            const float quarter = squaredDistance(centres[a], centres[b]) / 4;
            reach[a] = std::min(reach[a], quarter);
            reach[b] = std::min(reach[b], quarter);
        }
    }
    return reach;
}

} // namespace

std::vector<std::uint32_t> RefinedPalette(const std::vector<ColorCount>& histogram,
                                          std::vector<std::uint32_t> palette, int rounds)
{
    if (palette.empty() || histogram.empty())
        return palette;
    std::vector<Centre> centres;
    centres.reserve(palette.size());
    for (const std::uint32_t rgb : palette)
        centres.push_back(centreOf(rgb));
    std::vector<Centre> colours;
    colours.reserve(histogram.size());
    for (const ColorCount& colour : histogram)
        colours.push_back(centreOf(colour.rgb));

    constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> owner(colours.size(), kNone);
    std::vector<float> distance(colours.size(), 0);
    for (int round = 0; round < rounds; ++round) {
        const std::vector<float> reach = keepingReach(centres);
        bool moved = false;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            if (owner[i] != kNone) {
                distance[i] = squaredDistance(colours[i], centres[owner[i]]);
                if (distance[i] < reach[owner[i]])
                    continue;
            }
            const std::size_t nearest = nearestCentre(centres, colours[i], distance[i]);
            moved = moved || nearest != owner[i];
            owner[i] = nearest;
        }
        if (!moved)
            break;

        std::vector<std::array<double, 3>> sums(centres.size(), {0, 0, 0});
        std::vector<double> weights(centres.size(), 0);
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const double weight = double(std::max<std::uint64_t>(histogram[i].count, 1));
            for (std::size_t c = 0; c < 3; ++c)
                sums[owner[i]][c] += weight * colours[i][c];
            weights[owner[i]] += weight;
        }
        for (std::size_t k = 0; k < centres.size(); ++k) {
            if (weights[k] > 0) {
                for (std::size_t c = 0; c < 3; ++c)
                    centres[k][c] = float(sums[k][c] / weights[k]);
                continue;
            }
            // The colour that costs the most where it is, unless every
            // colour already sits on a centre.
            std::size_t worst = kNone;
            double worstCost = 0;
            for (std::size_t i = 0; i < colours.size(); ++i) {
                const double cost = double(distance[i]) * double(std::max<std::uint64_t>(histogram[i].count, 1));
                if (cost > worstCost) {
                    worst = i;
                    worstCost = cost;
                }
            }
            if (worst == kNone)
                continue;
            centres[k] = colours[worst];
            distance[worst] = 0;
            owner[worst] = kNone;
        }
    }

    for (std::size_t k = 0; k < centres.size(); ++k)
        palette[k] = rgbOf(centres[k]);
    return palette;
}

namespace {

// The grid both the histogram and the nearest-entry map use: 64 levels a
// channel, cells 4 wide.
constexpr int kCellBits = 6;
constexpr int kCellWidth = 256 >> kCellBits;
constexpr std::size_t kCellCount = std::size_t(1) << (3 * kCellBits);

std::size_t cellOf(std::uint32_t rgb)
{
    return (std::size_t((rgb >> 18) & 0x3F) << 12) | (std::size_t((rgb >> 10) & 0x3F) << 6)
         | std::size_t((rgb >> 2) & 0x3F);
}

// The lowest value of channel c (0 red, 1 green, 2 blue) in the cell.
int cellLow(std::size_t cell, std::size_t c)
{
    return int((cell >> (12 - 6 * c)) & 0x3F) * kCellWidth;
}

// Past this a cell's mean no longer moves; its sums stay within 32 bits.
constexpr std::uint32_t kFullCell = 1u << 30;

} // namespace

GridHistogram::GridHistogram(std::size_t exactLimit) : m_cells(kCellCount), m_exactLimit(exactLimit) {}

void GridHistogram::noteExact(std::uint32_t rgb)
{
    const auto at = std::lower_bound(m_exact.begin(), m_exact.end(), rgb);
    if (at != m_exact.end() && *at == rgb)
        return;
    if (m_exact.size() == m_exactLimit) {
        m_tooManyColours = true;
        m_exact = {};
        return;
    }
    m_exact.insert(at, rgb);
}

void GridHistogram::add(std::uint32_t rgb)
{
    rgb &= 0x00FFFFFFu;
    Cell& cell = m_cells[cellOf(rgb)];
    // A colour its cell began with has been noted already.
    if (!m_tooManyColours && (cell.count == 0 || cell.first != rgb))
        noteExact(rgb);
    if (cell.count == 0)
        cell.first = rgb;
    else if (cell.count == kFullCell)
        return;
    else if (cell.first != rgb)
        cell.mixed = true;
    ++cell.count;
    cell.offsetSum[0] += (rgb >> 16) & (kCellWidth - 1);
    cell.offsetSum[1] += (rgb >> 8) & (kCellWidth - 1);
    cell.offsetSum[2] += rgb & (kCellWidth - 1);
}

std::vector<ColorCount> GridHistogram::colors() const
{
    std::vector<ColorCount> colors;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const Cell& cell = m_cells[i];
        if (cell.count == 0)
            continue;
        if (!cell.mixed) {
            colors.push_back({cell.first, cell.count});
            continue;
        }
        std::uint32_t rgb = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const std::uint32_t mean = std::uint32_t(cellLow(i, c)) + (cell.offsetSum[c] + cell.count / 2) / cell.count;
            rgb |= std::min<std::uint32_t>(mean, 255) << (16 - 8 * c);
        }
        colors.push_back({rgb, cell.count});
    }
    return colors;
}

std::optional<std::vector<std::uint32_t>> GridHistogram::exactColors() const
{
    if (m_tooManyColours)
        return std::nullopt;
    return m_exact;
}

NearestColorMap::NearestColorMap(std::vector<std::uint32_t> palette)
    : m_palette(std::move(palette)), m_cellStart(kCellCount, 0)
{
    if (m_palette.size() > 256)
        m_palette.resize(256);
}

void NearestColorMap::findCandidates(std::size_t cell)
{
    // An entry can be nearest to some colour of the cell only when its
    // nearest point of the cell is no further than the furthest point of
    // the entry that is worst at its worst.
    std::array<int, 256> nearest{};
    int bound = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < m_palette.size(); ++i) {
        int near = 0;
        int far = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const int low = cellLow(cell, c);
            const int high = low + kCellWidth - 1;
            const int v = channel(m_palette[i], c);
            const int in = v < low ? low - v : v > high ? v - high : 0;
            const int out = std::max(std::abs(v - low), std::abs(v - high));
            near += in * in;
            far += out * out;
        }
        nearest[i] = near;
        bound = std::min(bound, far);
    }
    const std::size_t start = m_candidates.size();
    m_candidates.push_back(0);
    for (std::size_t i = 0; i < m_palette.size(); ++i) {
        if (nearest[i] <= bound)
            m_candidates.push_back(std::uint16_t(i));
    }
    m_candidates[start] = std::uint16_t(m_candidates.size() - start - 1);
    m_cellStart[cell] = std::uint32_t(start + 1);
}

std::uint8_t NearestColorMap::indexOf(std::uint32_t rgb)
{
    const std::size_t cell = cellOf(rgb);
    if (m_cellStart[cell] == 0)
        findCandidates(cell);
    const std::uint16_t* list = m_candidates.data() + m_cellStart[cell] - 1;
    const std::size_t count = list[0];
    if (count == 1)
        return std::uint8_t(list[1]);
    std::size_t best = list[1];
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t k = 1; k <= count; ++k) {
        int distance = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const int d = channel(rgb, c) - channel(m_palette[list[k]], c);
            distance += d * d;
        }
        if (distance < bestDistance) {
            best = list[k];
            bestDistance = distance;
        }
    }
    return std::uint8_t(best);
}

} // namespace kinetra
