#pragma once

// PNG pictures through libpng: the export pictures and storyboard sheets
// written (palette pictures held whole and without text compressed by
// libdeflate, pictures made a row at a time by zlib as they are written),
// storyboard sheets (and whatever a paint program made of them) read back.

#include "flc/CFlcAnimation.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "formats/ExportPicture.h"
#include "formats/PictureRows.h"
#include "io/ByteSink.h"

#include <cstdint>
#include <functional>
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

// What the signature and header chunk at the start of a PNG say, read
// before anything else of the file.
struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    int colourType = 0;
    bool interlaced = false;

    std::uint64_t pixels() const { return std::uint64_t(width) * height; }
    // The bytes its rows inflate to, a filter byte before each row (and each
    // row of each pass when interlaced).
    std::uint64_t rawBytes() const;
};
// The signature and the header chunk.
inline constexpr std::size_t kPngHeadSize = 33;

// The header at the start of a PNG file; nothing, with a sentence saying
// why in `problem`, for bytes without the signature, without the header
// chunk, or with a size, depth and colour type the format does not allow.
std::optional<PngHeader> readPngHeader(std::span<const std::uint8_t> head, std::string& problem);

// Whether a file of `fileSize` bytes fits its header: large enough to hold
// the rows (deflate packs at most 1032 bytes into one) and no larger than
// the rows stored whole with room for the chunks paint programs add. False
// with a sentence saying why in `problem`.
bool pngFileSizeFits(const PngHeader& header, std::uint64_t fileSize, std::string& problem);

// Encodes `picture` (its pixels must fill its size). False with libpng's
// reason in `error`.
bool encodeArgbPng(const ExportPicture& picture, PngChannels channels, std::vector<std::uint8_t>& out,
                   std::string& error);
// An 8-bit palette PNG of all 256 entries of `palette`, with `texts`.
bool encodeIndexedPng(const IndexImage& image, const Palette& palette, std::span<const PngText> texts,
                      std::vector<std::uint8_t>& out, std::string& error);
// The same with each row made as it is written into `sink`, never the
// whole picture held.
bool encodeIndexedPng(const IndexRows& rows, const Palette& palette, std::span<const PngText> texts,
                      const ByteSink& sink, std::string& error);

// An 8-bit picture as a palette PNG whose palette holds only the entries
// `indices` (width × height, row after row) use, in palette order, at the
// fewest bits a pixel that number needs: each pixel reads back as the
// colour of its entry in `palette`, as encodeArgbPng of those colours would.
bool encodeUsedColoursPng(std::span<const std::uint8_t> indices, int width, int height, const Palette& palette,
                          std::vector<std::uint8_t>& out, std::string& error);

// As encodeArgbPng, but a picture of at most 256 colours (as `channels`
// keeps them) becomes a palette PNG of just those colours, their alpha in
// tRNS, at the fewest bits a pixel that number needs: it decodes to the
// same pixels, in far fewer bytes but for the smallest pictures.
bool encodeSmallestPng(const ExportPicture& picture, PngChannels channels, std::vector<std::uint8_t>& out,
                       std::string& error);
// The same of a picture made a row at a time, written into `sink`: its rows
// are asked for twice, for its colours and then to be written, and only
// one is held. It decodes to the same pixels, in the same colour type and
// depth; the bytes differ, compressed by zlib where the whole picture's
// palette form is compressed by libdeflate.
bool encodeSmallestPng(const ArgbRows& rows, PngChannels channels, const ByteSink& sink, std::string& error);

// Encodes and writes in one step, nothing left behind on failure; false with
// a sentence saying why in `error` (cannotWriteMessage when writing failed).
bool writeArgbPng(const std::string& path, const ExportPicture& picture, PngChannels channels, std::string& error);

// Nothing, with a sentence saying why in `problem`, for bytes that are not a
// whole PNG, a picture over `maxPixels`, or when memory runs out.
std::optional<PngPicture> decodePng(std::span<const std::uint8_t> bytes, std::string& problem,
                                    std::uint64_t maxPixels = kMaxPngPixels);

// The caller's own say on a header before the rest of the file is read; it
// may refuse with a sentence in `problem`.
using PngHeaderCheck = std::function<bool(const PngHeader& header, std::string& problem)>;
// Reads the signature and the header first, so that a file that is no PNG,
// one the caller refuses by its header and one whose size does not fit its
// header are refused before the rest is read; then decodes the whole file.
std::optional<PngPicture> readPngFile(const std::string& path, std::string& problem, const PngHeaderCheck& check = {});

} // namespace kinetra
