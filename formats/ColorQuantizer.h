#pragma once

// A fixed palette for pictures with more colours than a palette holds:
// median cut over the colour histogram of every picture, then each colour
// mapped to its nearest palette entry (no dithering). The same histogram
// always gives the same palette.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
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

// Maps colours to the index of the nearest palette entry (squared distance
// in RGB; the lower index on a tie), remembering the answers.
class NearestColorMap {
public:
    explicit NearestColorMap(std::vector<std::uint32_t> palette);

    // `palette` must not be empty.
    std::uint8_t indexOf(std::uint32_t rgb);

private:
    std::vector<std::uint32_t> m_palette;
    std::unordered_map<std::uint32_t, std::uint8_t> m_cache;
};

} // namespace kinetra
