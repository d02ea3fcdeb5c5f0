#pragma once

// Pictures mapped onto a game palette by their colours: a render, or a sheet
// that a paint program saved in true colour or with a palette of its own.

#include "flc/IndexImage.h"
#include "flc/Palette.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>

namespace kinetra {

// What the game does with the pixels of each range of palette indices.
enum class IndexClass { Civilization, Ordinary, Light, Shadow, Transparent };
inline constexpr std::size_t kIndexClassCount = 5;

constexpr IndexClass indexClassOf(int index)
{
    return index < 64 ? IndexClass::Civilization
         : index < 224 ? IndexClass::Ordinary
         : index < 240 ? IndexClass::Light
         : index < 255 ? IndexClass::Shadow
                       : IndexClass::Transparent;
}

// A colour at most this far from an entry's in every channel is taken for
// that entry: antialiasing, resampling and lossy steps move colours so far.
inline constexpr int kNearColourDistance = 6;

// Pixels whose colour is not the colour of the entry they took, counted by
// the class of that entry.
struct ApproximatedPixels {
    std::array<std::size_t, kIndexClassCount> byClass{};

    std::size_t total() const;
    std::size_t of(IndexClass indexClass) const { return byClass[std::size_t(indexClass)]; }
};

// The entries that colours name on one palette, remembered per colour.
// Alpha below 128 is transparent (index 255). A colour within
// kNearColourDistance in every channel of an entry takes the nearest such
// entry (squared distance; on a tie an ordinary entry, then the lowest),
// whatever its class; magenta #FF00FF counts as an entry 255 of its own.
// Any other colour takes the nearest ordinary entry (64–223).
class PaletteColourNames {
public:
    struct Name {
        std::uint8_t index = 0;
        // The colour is the entry's own, or fully transparent, or magenta.
        bool exact = false;
    };

    explicit PaletteColourNames(const Palette& palette);

    Name nameOf(std::uint32_t argb);

private:
    Name nameOfColour(std::uint32_t rgb) const;

    Palette m_palette;
    std::unordered_map<std::uint32_t, Name> m_names;
};

struct MappedPicture {
    IndexImage image;
    ApproximatedPixels approximated;
    // Every pixel that is not transparent is a grey (red = green = blue).
    bool grey = true;
};

// Maps 0xAARRGGBB pixels, row after row, onto `palette` by their colours.
// An empty image when the pixels do not fill the size.
MappedPicture mapToPalette(std::span<const std::uint32_t> argb, int width, int height, const Palette& palette);

// Maps an indexed picture onto `palette` by the colours its own palette
// `colours` gives its indices.
MappedPicture mapToPalette(const IndexImage& indices, const Palette& colours, const Palette& palette);

// The entry of another palette that each of 256 indices takes.
using PaletteTranslation = std::array<PaletteColourNames::Name, 256>;

// Each index of a picture whose palette is `colours` onto `palette`, by its
// colour as mapToPalette maps it, but within its class: a light, shadow or
// transparent index, which the game draws by its level whatever colour the
// palette gives it, keeps its index; so does any other whose colour is the
// same in both; the rest take the nearest entry of their own class, their
// colour's own where there is one.
PaletteTranslation translationKeepingClasses(const Palette& colours, const Palette& palette);

// An indexed picture whose palette is `colours` through `translation`.
MappedPicture mapThrough(const IndexImage& indices, const Palette& colours, const PaletteTranslation& translation);

} // namespace kinetra
