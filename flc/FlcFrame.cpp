#include "flc/FlcFrame.h"

#include <algorithm>
#include <cstdlib>

namespace kinetra {

std::unique_ptr<FrameBlock> FrameBlock::allocate(std::size_t frameSize, std::size_t capacity)
{
    if (frameSize == 0 || capacity == 0 || capacity > SIZE_MAX / frameSize)
        return nullptr;
    // malloc, not calloc: every slot is written whole before it is read, and
    // a large block comes straight from the system as untouched pages.
    auto* memory = static_cast<std::uint8_t*>(std::malloc(frameSize * capacity));
    if (!memory)
        return nullptr;
    return std::unique_ptr<FrameBlock>(new FrameBlock(memory, frameSize, capacity));
}

FrameBlock::FrameBlock(std::uint8_t* memory, std::size_t frameSize, std::size_t capacity)
    : m_memory(memory), m_frameSize(frameSize), m_capacity(capacity)
{
}

FrameBlock::~FrameBlock()
{
    std::free(m_memory);
}

std::uint8_t* FrameBlock::append()
{
    if (m_used == m_capacity)
        return nullptr;
    return m_memory + m_frameSize * m_used++;
}

PixelTable pixelTableOf(const Palette& palette)
{
    PixelTable table;
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = palette[i].pixel();
    return table;
}

std::vector<std::uint32_t> framePixels(const FlcFrame& frame, const Palette& palette)
{
    const PixelTable table = pixelTableOf(palette);
    std::vector<std::uint32_t> pixels(frame.size());
    std::transform(frame.pixels().begin(), frame.pixels().end(), pixels.begin(),
                   [&table](std::uint8_t index) { return table[index]; });
    return pixels;
}

} // namespace kinetra
