#pragma once

#include "flc/Palette.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kinetra {

// One decoded frame: width × height palette indices, row after row with no
// gap, kept in the animation's frame block. Colours come from a palette only
// when the frame is drawn, so a palette change never touches the indices.
struct FlcFrame {
    std::int16_t width = 0;
    std::int16_t height = 0;
    const std::uint8_t* indices = nullptr;
    // Which of the animation's earlier colours it is drawn with; -1 for the
    // display palette.
    std::int32_t earlierColours = -1;

    std::size_t size() const { return std::size_t(std::max<int>(width, 0)) * std::size_t(std::max<int>(height, 0)); }
    std::span<const std::uint8_t> pixels() const { return {indices, indices ? size() : 0}; }
};

// The frames of one animation in one allocation, one slot after another,
// sized for the frames the file's chunks can make.
class FrameBlock {
public:
    // Null when the memory cannot be had.
    static std::unique_ptr<FrameBlock> allocate(std::size_t frameSize, std::size_t capacity);
    ~FrameBlock();
    FrameBlock(const FrameBlock&) = delete;
    FrameBlock& operator=(const FrameBlock&) = delete;

    // The next free slot of frameSize bytes, or null when all are taken.
    std::uint8_t* append();

private:
    FrameBlock(std::uint8_t* memory, std::size_t frameSize, std::size_t capacity, bool mapped);

    std::uint8_t* m_memory = nullptr;
    std::size_t m_frameSize = 0;
    std::size_t m_capacity = 0;
    std::size_t m_used = 0;
    bool m_mapped = false;
};

// The 32-bit pixel (blue, green, red, 255) of every palette entry: how a
// frame's indices become a picture.
using PixelTable = std::array<std::uint32_t, 256>;
PixelTable pixelTableOf(const Palette& palette);

// The frame as 32-bit pixels through `palette`, row after row.
std::vector<std::uint32_t> framePixels(const FlcFrame& frame, const Palette& palette);

} // namespace kinetra
