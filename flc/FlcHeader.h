#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kinetra {

inline constexpr std::uint16_t kFlcMagic = 0xAF12;
// The older FLI files: 320 × 200 in their day, the speed in 1/70 s.
inline constexpr std::uint16_t kFliMagic = 0xAF11;
// The magic numbers Kinetra takes a file by: FLC or FLI.
constexpr bool IsFlcOrFliMagic(std::uint16_t magic) { return magic == kFlcMagic || magic == kFliMagic; }
// An FLI header's speed is a word counting 1/70 s; the program works in
// milliseconds, rounded to the nearest.
inline constexpr std::uint32_t kFliTicksPerSecond = 70;
inline constexpr std::uint32_t kMaxFliTicks = 0xFFFF;
constexpr std::uint32_t fliTicksToMilliseconds(std::uint32_t ticks)
{
    return (ticks * 1000 + kFliTicksPerSecond / 2) / kFliTicksPerSecond;
}
inline constexpr std::size_t kFlcHeaderSize = 128;
// The standard FLIC fields fill the first 88 bytes; the game's extension lives
// in the 40 bytes behind them.
inline constexpr std::size_t kFlcStandardHeaderSize = 88;

// The 128-byte FLC header. `raw` keeps the bytes as read, so the fields that
// carry no meaning here (reserved areas, the FLIC creation data) survive a
// round trip; the named fields are decoded from it one by one.
struct FlcHeader {
    std::uint32_t size = 0;
    std::uint16_t magic = 0;
    std::int16_t frames = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint16_t depth = 0;
    std::uint16_t flags = 0;
    std::uint32_t speed = 0;
    std::uint32_t created = 0;
    std::uint32_t creator = 0;
    std::uint32_t updated = 0;
    std::uint32_t updater = 0;
    std::uint16_t aspectX = 0;
    std::uint16_t aspectY = 0;
    std::uint32_t oframe1 = 0;
    std::uint32_t oframe2 = 0;
    // The game's extension.
    std::uint16_t directions = 0;
    std::uint16_t framesPerDirection = 0;
    std::uint16_t leftOffset = 0;
    std::uint16_t topOffset = 0;
    std::uint16_t originalWidth = 0;
    std::uint16_t originalHeight = 0;
    std::uint32_t animationTime = 0;

    std::array<std::uint8_t, kFlcHeaderSize> raw{};

    // Decodes the fields from 128 bytes.
    static FlcHeader parse(std::span<const std::uint8_t, kFlcHeaderSize> bytes);
    // `raw` with the named fields written over it.
    std::array<std::uint8_t, kFlcHeaderSize> serialize() const;
};

} // namespace kinetra
