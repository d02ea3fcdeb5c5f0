#pragma once

#include "flc/Color256Layout.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "io/ByteReader.h"

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
// A game unit's COLOR_256 chunk is taken as one full packet of 256 colours,
// whatever its size field says: 6 header + 2 packet count + 2 packet head +
// 768.
inline constexpr std::size_t kColor256ChunkSize = 778;

// Each decoder reads only from `in` (the chunk's data behind its 6-byte
// header) and writes only inside `image`. They return false on data that
// ends early or would write outside a line or the image; the image may then
// be partly changed.

// Image chunks.
bool decodeByteRun(ByteReader& in, IndexView image);
bool decodeDeltaFlc(ByteReader& in, IndexView image);
// The older FLI files' delta: the first line, the line count, then for each
// line a packet count and packets of a column skip and a signed count,
// positive for that many literal bytes, negative for one byte repeated.
bool decodeDeltaFli(ByteReader& in, IndexView image);
bool decodeFliCopy(ByteReader& in, IndexView image);
void decodeBlack(IndexView image);

// COLOR_256: packets of colours placed as `reading` says (Color256Layout.h).
// Colours that would land past entry 255 fail, and then no entry changes.
bool decodeColor256(ByteReader& in, Palette& palette, PacketReading reading);
// COLOR_64, the FLI palette: the same packets with 6-bit colour values,
// widened to 8 bits as (v << 2) | (v >> 4).
bool decodeColor64(ByteReader& in, Palette& palette, PacketReading reading);
// An 8-bit colour value as COLOR_64 stores it.
constexpr std::uint8_t toColor64(std::uint8_t value) { return std::uint8_t(value >> 2); }

} // namespace kinetra
