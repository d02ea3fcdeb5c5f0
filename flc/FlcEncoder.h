#pragma once

// The FLC encoder: new game animations built from storyboards and split
// directions, the bundled samples, and the tests' fixture files.

#include "flc/FlcHeader.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kinetra::encoder {

using Bytes = std::vector<std::uint8_t>;

// Sub-chunks, each returned whole: the 6-byte header (size, type) and data,
// padded to an even size.
Bytes color256Chunk(const Palette& palette);
Bytes byteRunChunk(const IndexImage& image);
// The delta from `previous` to `next` (same size): line skips, packets of
// pixel pairs, and the last-pixel word on odd widths.
Bytes deltaFlcChunk(const IndexImage& previous, const IndexImage& next);
Bytes fliCopyChunk(const IndexImage& image);
// The FLI chunks: the palette with 6-bit colours, and the byte-oriented
// delta of the lines from the first to the last that change.
Bytes color64Chunk(const Palette& palette);
Bytes deltaFliChunk(const IndexImage& previous, const IndexImage& next);
Bytes blackChunk();
// Any other sub-chunk (a postage stamp, COLOR_64, ...), its data as given.
Bytes rawSubChunk(std::uint16_t type, const Bytes& data);

// Assembles a file: the header, then top-level chunks in the order added.
class FlcBuilder {
public:
    FlcBuilder(int width, int height);

    // The header written at the front; `size`, `magic`, `width`, `height`,
    // `depth`, `oframe1` and `oframe2` are filled in by `build`, the rest is
    // the caller's (frames, speed and the game's extension).
    FlcHeader header;
    // kFliMagic makes an FLI file; `header.speed` is then in 1/70 s.
    std::uint16_t magic = kFlcMagic;

    // A frame chunk holding these sub-chunks (none makes an empty frame).
    FlcBuilder& addFrame(const std::vector<Bytes>& subChunks);
    // A top-level chunk of another type, such as the prefix chunk 0xF100:
    // the 16-byte chunk header (sub-chunk count 0) with `data` behind it.
    FlcBuilder& addChunk(std::uint16_t type, const Bytes& data);

    Bytes build() const;
    bool writeTo(const std::string& path) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Bytes> m_chunks;
    std::vector<bool> m_isFrame;
};

// A game-format animation: `images` holds `directions` runs of
// `framesPerDirection` images. Each direction is opened by a BYTE_RUN key
// frame of its first image, followed by DELTA_FLC frames of every image of
// the run; the first frame chunk also carries the palette, and a DELTA_FLC
// ring frame back to the first image ends the file. `frames` in the header
// counts the animation frames only (directions × framesPerDirection).
// Images of another size than width × height, or a count that does not
// match, give an empty result.
struct GameAnimation {
    int width = 0;
    int height = 0;
    int directions = 8;
    int framesPerDirection = 0;
    std::uint32_t speed = 70;
    std::uint16_t leftOffset = 0;
    std::uint16_t topOffset = 0;
    std::uint16_t originalWidth = 240;
    std::uint16_t originalHeight = 240;
    // The header's animation time; one direction's frames at `speed` when
    // not given.
    std::optional<std::uint32_t> animationTime;
    Palette palette{};
    std::vector<IndexImage> images;
};
Bytes buildGameAnimation(const GameAnimation& animation);

// A plain FLC: a BYTE_RUN first frame with the palette, DELTA_FLC frames
// after it and a ring frame; `frames` counts the images, no extension.
// No images, or images of different sizes, give an empty result.
Bytes buildPlainFlc(const Palette& palette, const std::vector<IndexImage>& images, std::uint32_t speed);

} // namespace kinetra::encoder
