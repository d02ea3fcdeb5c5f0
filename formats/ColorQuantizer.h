#pragma once

// A fixed palette for pictures with more colours than a palette holds:
// median cut over the colour histogram of every picture, refined by k-means
// where the colours matter more than the time, then each colour mapped to
// its nearest palette entry. The same histogram always gives the same
// palette.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kinetra {

// How often a colour (0x00RRGGBB) occurs.
struct ColorCount {
    std::uint32_t rgb = 0;
    std::uint64_t count = 0;
};

// At most `maxColors` colours (0x00RRGGBB) that stand for the histogram:
// the box of colours with the widest channel range is split at the
// population median of that channel until there are `maxColors` boxes or
// no box can be split, and each box gives its population-weighted mean.
// Each colour appears once in `histogram`.
std::vector<std::uint32_t> MedianCutPalette(std::vector<ColorCount> histogram, std::size_t maxColors);

// `palette` moved by rounds of k-means (Lloyd's algorithm) over the
// weighted histogram: each colour goes to its nearest entry, each entry to
// the weighted mean of its colours, until nothing moves or `rounds` are
// done. An entry left without colours takes the colour worst served, so
// none is wasted. On shaded colours it lowers the mean error of median cut
// by a fifth to a quarter.
std::vector<std::uint32_t> RefinedPalette(const std::vector<ColorCount>& histogram,
                                          std::vector<std::uint32_t> palette, int rounds);

// Counts colours on a grid of 64 levels per channel, each cell keeping the
// mean of the colours that fell in it: millions of pixels become a
// histogram of a few thousand colours for median cut and k-means, losing
// only which colour of a cell goes to which entry. A cell that held one
// colour gives that colour exactly.
class GridHistogram {
public:
    // Up to `exactLimit` distinct colours are also kept exactly, for
    // pictures of so few that they need no choosing.
    explicit GridHistogram(std::size_t exactLimit = 0);

    void add(std::uint32_t rgb);
    // The occupied cells, in cell order.
    std::vector<ColorCount> colors() const;
    // Every colour added, rising, when they were at most `exactLimit`.
    std::optional<std::vector<std::uint32_t>> exactColors() const;

private:
    struct Cell {
        std::uint32_t count = 0;
        // The sums of the colours' offsets within the cell (0..3 a channel),
        // which no count of pixels a memory can hold overflows.
        std::uint32_t offsetSum[3] = {0, 0, 0};
        std::uint32_t first = 0;
        bool mixed = false;
    };
    void noteExact(std::uint32_t rgb);

    std::vector<Cell> m_cells;
    std::size_t m_exactLimit = 0;
    std::vector<std::uint32_t> m_exact;
    bool m_tooManyColours = false;
};

// Maps colours to the index of the nearest palette entry (squared distance
// in RGB; the lower index on a tie). Exact for every colour: the entries
// that can be nearest to some colour of a grid cell are found once per cell
// used, and a colour is measured against those alone.
class NearestColorMap {
public:
    // `palette` must not be empty; entries past 256 are never chosen.
    explicit NearestColorMap(std::vector<std::uint32_t> palette);

    std::uint8_t indexOf(std::uint32_t rgb);

private:
    void findCandidates(std::size_t cell);

    std::vector<std::uint32_t> m_palette;
    // Per cell, where its candidates start in m_candidates plus one; 0 for
    // a cell not yet used. The list is its length, then the indices rising.
    std::vector<std::uint32_t> m_cellStart;
    std::vector<std::uint16_t> m_candidates;
};

} // namespace kinetra
