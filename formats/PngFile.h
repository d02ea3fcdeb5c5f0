#pragma once

// PNG pictures through libpng: the export pictures and storyboard sheets
// written, storyboard sheets (and whatever a paint program made of them)
// read back.

#include "flc/CFlcAnimation.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "formats/ExportPicture.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kinetra {

// Pictures larger than this are refused before anything is allocated: an
// animation can never hold more.
inline constexpr std::uint64_t kMaxPngPixels = CFlcAnimation::kMaxTotalPixels;

// How a 32-bit picture is stored: with its alpha, or without (the alpha
// bytes of a surface's pixels mean nothing).
enum class PngChannels { Rgb, Rgba };

// A text chunk. Keys are 1 to 79 Latin-1 characters.
struct PngText {
    std::string key;
    std::string value;
};

// A PNG as read.
struct PngPicture {
    enum class Kind {
        // A palette PNG, or grey with fewer than 8 bits or a transparent grey:
        // its indices and `paletteSize` colours, alpha dropped. An index past
        // the palette reads as 0; a 1-bit grey PNG is white at index 0 and
        // black at 1; the transparent grey is black; in short, as Qt read
        // them, so sheets read as they always have.
        Indexed,
        // 8-bit grey without transparency: the grey values as indices, with
        // the grey ramp as the palette.
        Grey,
        // Anything else: 0xAARRGGBB pixels in `argb`, 16-bit samples rounded
        // to 8 bits, a transparent colour given alpha 0.
        TrueColour,
    };
    int width = 0;
    int height = 0;
    Kind kind = Kind::TrueColour;
    IndexImage indices;
    Palette palette{};
    int paletteSize = 0;
    std::vector<std::uint32_t> argb;
    // Text chunks in file order: tEXt and zTXt converted from Latin-1, iTXt
    // as it is, all UTF-8.
    std::vector<PngText> texts;

    // The last text under `key`, or nothing.
    const std::string* text(std::string_view key) const;
};

// Encodes `picture` (its pixels must fill its size). False with libpng's
// reason in `error`.
bool encodeArgbPng(const ExportPicture& picture, PngChannels channels, std::vector<std::uint8_t>& out,
                   std::string& error);
// An 8-bit palette PNG of all 256 entries of `palette`, with `texts`.
bool encodeIndexedPng(const IndexImage& image, const Palette& palette, std::span<const PngText> texts,
                      std::vector<std::uint8_t>& out, std::string& error);

// Encodes and writes in one step, nothing left behind on failure; false with
// a sentence saying why in `error` (cannotWriteMessage when writing failed).
bool writeArgbPng(const std::string& path, const ExportPicture& picture, PngChannels channels, std::string& error);

// Nothing, with a sentence saying why in `problem`, for bytes that are not a
// whole PNG, a picture over kMaxPngPixels, or when memory runs out.
std::optional<PngPicture> decodePng(std::span<const std::uint8_t> bytes, std::string& problem);
std::optional<PngPicture> readPngFile(const std::string& path, std::string& problem);

} // namespace kinetra
