#pragma once

#include "flc/ByteReader.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"

#include <cstdint>

namespace kinetra {

// Chunk types of the FLC format.
enum FlcChunkType : std::uint16_t {
    kChunkColor256 = 4,
    kChunkDeltaFlc = 7,
    kChunkColor64 = 11,
    kChunkDeltaFli = 12,
    kChunkBlack = 13,
    kChunkByteRun = 15,
    kChunkFliCopy = 16,
    kChunkPostageStamp = 18,
    kChunkPrefix = 0xF100,
    kChunkFrame = 0xF1FA,
};

inline constexpr std::size_t kFrameChunkHeaderSize = 16;
inline constexpr std::size_t kSubChunkHeaderSize = 6;
// Every palette chunk is taken as one full packet of 256 colours, whatever
// its size field says: 6 header + 2 packet count + 2 packet head + 768.
inline constexpr std::size_t kColor256ChunkSize = 778;

// Each decoder reads only from `in` (the chunk's data behind its 6-byte
// header) and writes only inside `image`. They return false on data that
// ends early or would write outside a line or the image; the image may then
// be partly changed.

// Image chunks.
bool decodeByteRun(ByteReader& in, IndexImage& image);
bool decodeDeltaFlc(ByteReader& in, IndexImage& image);
bool decodeFliCopy(ByteReader& in, IndexImage& image);
void decodeBlack(IndexImage& image);

// COLOR_256: packets of colours placed at their skip byte's index; a count
// of 0 stands for all 256. Colours that would land past entry 255 fail.
bool decodeColor256(ByteReader& in, Palette& palette);

} // namespace kinetra
