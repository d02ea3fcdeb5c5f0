#include "formats/PaletteMapping.h"

#include <limits>
#include <unordered_map>

namespace kinetra {

namespace {

constexpr std::uint8_t kTransparentIndex = 255;
constexpr int kFirstOrdinary = 64;
constexpr int kLastOrdinary = 223;
constexpr std::uint32_t kMagenta = 0x00FF00FF;

bool isOrdinary(int index)
{
    return index >= kFirstOrdinary && index <= kLastOrdinary;
}

int nearestOrdinary(std::uint32_t rgb, const Palette& palette)
{
    const int red = int((rgb >> 16) & 0xFF);
    const int green = int((rgb >> 8) & 0xFF);
    const int blue = int(rgb & 0xFF);
    int best = kFirstOrdinary;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = kFirstOrdinary; i <= kLastOrdinary; ++i) {
        const PaletteEntry& entry = palette[std::size_t(i)];
        const int dr = entry.red - red;
        const int dg = entry.green - green;
        const int db = entry.blue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

} // namespace

MappedPicture mapToPalette(std::span<const std::uint32_t> argb, int width, int height, const Palette& palette)
{
    MappedPicture mapped;
    if (width < 1 || height < 1 || argb.size() < std::size_t(width) * std::size_t(height))
        return mapped;

    // Exact colours first: an ordinary entry wins over any other, then the
    // lowest index.
    std::unordered_map<std::uint32_t, std::uint8_t> exact;
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t rgb = palette[std::size_t(i)].rgb();
        const auto found = exact.find(rgb);
        if (found == exact.end() || (isOrdinary(i) && !isOrdinary(found->second)))
            exact[rgb] = std::uint8_t(i);
    }

    mapped.image = IndexImage(width, height);
    // Renders hold few distinct colours next to their pixel count; the
    // nearest search runs once for each.
    std::unordered_map<std::uint32_t, std::uint8_t> nearest;
    for (std::size_t i = 0; i < mapped.image.pixels.size(); ++i) {
        const std::uint32_t pixel = argb[i];
        const std::uint32_t rgb = pixel & 0x00FFFFFF;
        std::uint8_t index = kTransparentIndex;
        if ((pixel >> 24) != 0 && rgb != kMagenta) {
            if (const auto found = exact.find(rgb); found != exact.end()) {
                index = found->second;
            } else {
                const auto [at, added] = nearest.try_emplace(rgb, std::uint8_t(0));
                if (added)
                    at->second = std::uint8_t(nearestOrdinary(rgb, palette));
                index = at->second;
                ++mapped.approximated;
            }
        }
        mapped.image.pixels[i] = index;
    }
    return mapped;
}

} // namespace kinetra
