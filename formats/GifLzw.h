#pragma once

// The compressed pixels of one GIF image, as they follow its image
// descriptor: the LZW minimum code size, the codes in data sub-blocks of at
// most 255 bytes, and the empty block that ends them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kinetra {

// A view of `height` rows of `width` colour indices, row y starting at
// pixels + y * stride.
struct GifIndexRows {
    const std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
    int width = 0;
    int height = 0;
};

// Appends the image data of `rows` to `out`, for a colour table of
// 2^bitsPerPixel entries (1 to 8, at least the highest index's bits; higher
// bits of an index are dropped). The dictionary starts over at 4095 codes, as
// giflib's and ffmpeg's encoders do, so every decoder that reads theirs reads
// this.
void AppendGifImageData(const GifIndexRows& rows, int bitsPerPixel, std::vector<std::uint8_t>& out);

} // namespace kinetra
