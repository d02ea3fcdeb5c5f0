#pragma once

// giflib reading a GIF held in memory: the tests' independent reader of the
// GIF files the core writes.

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kinetra::test {

struct GifBytes {
    const std::vector<std::uint8_t>* bytes = nullptr;
    std::size_t position = 0;
};

// giflib's read callback; the GifBytes is `UserData`.
inline int readGifBytes(GifFileType* gif, GifByteType* into, int length)
{
    auto* source = static_cast<GifBytes*>(gif->UserData);
    const std::size_t count = std::min(std::size_t(length), source->bytes->size() - source->position);
    std::memcpy(into, source->bytes->data() + source->position, count);
    source->position += count;
    return int(count);
}

} // namespace kinetra::test
