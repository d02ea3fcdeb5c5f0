#include "formats/PaletteMapping.h"

#include <cstdlib>
#include <limits>
#include <numeric>

namespace kinetra {

namespace {

constexpr std::uint8_t kTransparentIndex = 255;
constexpr int kFirstOrdinary = 64;
constexpr int kLastOrdinary = 223;
constexpr std::uint32_t kMagenta = 0x00FF00FF;
constexpr std::uint32_t kOpaqueAlpha = 128;

int red(std::uint32_t rgb) { return int((rgb >> 16) & 0xFF); }
int green(std::uint32_t rgb) { return int((rgb >> 8) & 0xFF); }
int blue(std::uint32_t rgb) { return int(rgb & 0xFF); }

bool isGrey(std::uint32_t rgb)
{
    return red(rgb) == green(rgb) && green(rgb) == blue(rgb);
}

bool isOrdinary(int index)
{
    return indexClassOf(index) == IndexClass::Ordinary;
}

// Squared distance, or -1 when a channel is further than `within`.
int distanceWithin(std::uint32_t a, std::uint32_t b, int within)
{
    const int dr = red(a) - red(b);
    const int dg = green(a) - green(b);
    const int db = blue(a) - blue(b);
    if (std::abs(dr) > within || std::abs(dg) > within || std::abs(db) > within)
        return -1;
    return dr * dr + dg * dg + db * db;
}

// The entry of [first, last] whose colour is nearest (the lowest on a tie).
PaletteColourNames::Name nearestAmong(std::uint32_t rgb, const Palette& palette, int first, int last)
{
    int best = first;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = first; i <= last; ++i) {
        const int distance = distanceWithin(rgb, palette[std::size_t(i)].rgb(), 255);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return {std::uint8_t(best), bestDistance == 0};
}

} // namespace

std::size_t ApproximatedPixels::total() const
{
    return std::accumulate(byClass.begin(), byClass.end(), std::size_t(0));
}

PaletteColourNames::PaletteColourNames(const Palette& palette) : m_palette(palette) {}

PaletteColourNames::Name PaletteColourNames::nameOf(std::uint32_t argb)
{
    if ((argb >> 24) < kOpaqueAlpha)
        return {kTransparentIndex, (argb >> 24) == 0};
    const std::uint32_t rgb = argb & 0x00FFFFFF;
    const auto [at, added] = m_names.try_emplace(rgb);
    if (added)
        at->second = nameOfColour(rgb);
    return at->second;
}

PaletteColourNames::Name PaletteColourNames::nameOfColour(std::uint32_t rgb) const
{
    // The nearest entry within reach, then magenta, then the nearest
    // ordinary colour.
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < int(m_palette.size()); ++i) {
        const int distance = distanceWithin(rgb, m_palette[std::size_t(i)].rgb(), kNearColourDistance);
        if (distance < 0)
            continue;
        if (distance < bestDistance || (distance == bestDistance && isOrdinary(i) && !isOrdinary(best))) {
            best = i;
            bestDistance = distance;
        }
    }
    if (const int distance = distanceWithin(rgb, kMagenta, kNearColourDistance);
        distance >= 0 && distance < bestDistance)
        return {kTransparentIndex, distance == 0};
    if (best >= 0)
        return {std::uint8_t(best), bestDistance == 0};
    return {nearestAmong(rgb, m_palette, kFirstOrdinary, kLastOrdinary).index, false};
}

MappedPicture mapToPalette(std::span<const std::uint32_t> argb, int width, int height, const Palette& palette)
{
    MappedPicture mapped;
    if (width < 1 || height < 1 || argb.size() < std::size_t(width) * std::size_t(height))
        return mapped;
    mapped.image = IndexImage(width, height);
    PaletteColourNames names(palette);
    for (std::size_t i = 0; i < mapped.image.pixels.size(); ++i) {
        const PaletteColourNames::Name name = names.nameOf(argb[i]);
        mapped.image.pixels[i] = name.index;
        if (!name.exact)
            ++mapped.approximated.byClass[std::size_t(indexClassOf(name.index))];
        if ((argb[i] >> 24) >= kOpaqueAlpha && !isGrey(argb[i] & 0x00FFFFFF))
            mapped.grey = false;
    }
    return mapped;
}

MappedPicture mapToPalette(const IndexImage& indices, const Palette& colours, const Palette& palette)
{
    // One name for each of the 256 colours the indices can have.
    PaletteColourNames names(palette);
    PaletteTranslation table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = names.nameOf(colours[i].pixel());
    return mapThrough(indices, colours, table);
}

PaletteTranslation translationKeepingClasses(const Palette& colours, const Palette& palette)
{
    PaletteColourNames names(palette);
    PaletteTranslation table{};
    for (int i = 0; i < int(table.size()); ++i) {
        const IndexClass own = indexClassOf(i);
        PaletteColourNames::Name& name = table[std::size_t(i)];
        if (own != IndexClass::Civilization && own != IndexClass::Ordinary) {
            name = {std::uint8_t(i), true};
            continue;
        }
        const PaletteEntry colour = colours[std::size_t(i)];
        if (colour.rgb() == palette[std::size_t(i)].rgb()) {
            name = {std::uint8_t(i), true};
            continue;
        }
        name = names.nameOf(colour.pixel());
        if (indexClassOf(name.index) != own)
            name = own == IndexClass::Civilization ? nearestAmong(colour.rgb(), palette, 0, kFirstOrdinary - 1)
                                                   : nearestAmong(colour.rgb(), palette, kFirstOrdinary, kLastOrdinary);
    }
    return table;
}

MappedPicture mapThrough(const IndexImage& indices, const Palette& colours, const PaletteTranslation& table)
{
    MappedPicture mapped;
    mapped.image = IndexImage(indices.width, indices.height);
    for (std::size_t i = 0; i < indices.pixels.size(); ++i) {
        const std::uint8_t own = indices.pixels[i];
        mapped.image.pixels[i] = table[own].index;
        if (!table[own].exact)
            ++mapped.approximated.byClass[std::size_t(indexClassOf(table[own].index))];
        if (!isGrey(colours[own].rgb()))
            mapped.grey = false;
    }
    return mapped;
}

} // namespace kinetra
