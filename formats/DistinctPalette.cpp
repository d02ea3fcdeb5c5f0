#include "formats/DistinctPalette.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace kinetra {

namespace {

struct Offset {
    int red = 0;
    int green = 0;
    int blue = 0;
};

bool sameColour(const PaletteEntry& a, int red, int green, int blue)
{
    constexpr int kSame = kDistinctColourStep - 1;
    return std::abs(a.red - red) <= kSame && std::abs(a.green - green) <= kSame && std::abs(a.blue - blue) <= kSame;
}

// 0, 1, -1, 2, -2, ... up to ±radius.
std::vector<int> stepsUpTo(int radius)
{
    std::vector<int> steps{0};
    for (int s = 1; s <= radius; ++s) {
        steps.push_back(s);
        steps.push_back(-s);
    }
    return steps;
}

// The moves of exactly `radius` steps in the widest channel, one channel
// before two before three, and blue before red before green where the
// eye tells the least.
std::vector<Offset> offsetsAt(int radius)
{
    std::vector<Offset> offsets;
    const std::vector<int> steps = stepsUpTo(radius);
    for (const int green : steps) {
        for (const int red : steps) {
            for (const int blue : steps) {
                if (std::max({std::abs(red), std::abs(green), std::abs(blue)}) == radius)
                    offsets.push_back({red, green, blue});
            }
        }
    }
    std::stable_sort(offsets.begin(), offsets.end(), [](const Offset& a, const Offset& b) {
        return std::abs(a.red) + std::abs(a.green) + std::abs(a.blue)
               < std::abs(b.red) + std::abs(b.green) + std::abs(b.blue);
    });
    return offsets;
}

} // namespace

Palette withDistinctColours(const Palette& palette)
{
    Palette distinct = palette;
    // An entry blocks at most two points of the nudging lattice along each
    // channel, so 255 entries can never fill all 64 steps of it.
    constexpr int kMaxRadius = 256 / kDistinctColourStep;
    const auto clearOfEarlier = [&distinct](std::size_t count, int red, int green, int blue) {
        return std::none_of(distinct.begin(), distinct.begin() + std::ptrdiff_t(count),
                            [&](const PaletteEntry& earlier) { return sameColour(earlier, red, green, blue); });
    };
    std::vector<std::vector<Offset>> offsets(1);
    for (std::size_t i = 1; i < distinct.size(); ++i) {
        const PaletteEntry own = palette[i];
        if (clearOfEarlier(i, own.red, own.green, own.blue))
            continue;
        bool placed = false;
        for (int radius = 1; radius <= kMaxRadius && !placed; ++radius) {
            if (offsets.size() <= std::size_t(radius))
                offsets.push_back(offsetsAt(radius));
            for (const Offset& offset : offsets[std::size_t(radius)]) {
                const int red = own.red + offset.red * kDistinctColourStep;
                const int green = own.green + offset.green * kDistinctColourStep;
                const int blue = own.blue + offset.blue * kDistinctColourStep;
                if (red < 0 || red > 255 || green < 0 || green > 255 || blue < 0 || blue > 255
                    || !clearOfEarlier(i, red, green, blue))
                    continue;
                distinct[i] = PaletteEntry::fromRgb(std::uint8_t(red), std::uint8_t(green), std::uint8_t(blue));
                placed = true;
                break;
            }
        }
    }
    return distinct;
}

} // namespace kinetra
