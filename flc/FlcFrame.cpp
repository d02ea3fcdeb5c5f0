#include "flc/FlcFrame.h"

#include <algorithm>
#include <cstdlib>

#include <sys/mman.h>

namespace kinetra {

namespace {

// Below this a block comes from the heap; above it straight from the system.
constexpr std::size_t kMappedBlockSize = 1024 * 1024;
// Blocks stay in ordinary pages. Asking for huge pages once paid on a
// machine just started (30 ms of CPU against 50 for a load of 640 x 480 x
// 300), but where memory has been in use a while the kernel compacts it to
// find each huge page while the decoder waits: 900 ms against 90.

// The pages are made present as the decoder first writes them, not all
// ahead: a block is sized for the frames the file's chunks could make, and
// a load that stops early (a thumbnail, a file shorter than its chunks
// claim) pays only for what it wrote. Asking for them ahead saved no CPU.
std::uint8_t* mapBlock(std::size_t size)
{
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
    return static_cast<std::uint8_t*>(memory);
}

} // namespace

std::unique_ptr<FrameBlock> FrameBlock::allocate(std::size_t frameSize, std::size_t capacity)
{
    if (frameSize == 0 || capacity == 0 || capacity > SIZE_MAX / frameSize)
        return nullptr;
    const std::size_t size = frameSize * capacity;
    const bool mapped = size >= kMappedBlockSize;
    // Not zeroed on the heap: every slot is written whole before it is read.
    auto* memory = mapped ? mapBlock(size) : static_cast<std::uint8_t*>(std::malloc(size));
    if (!memory)
        return nullptr;
    return std::unique_ptr<FrameBlock>(new FrameBlock(memory, frameSize, capacity, mapped));
}

FrameBlock::FrameBlock(std::uint8_t* memory, std::size_t frameSize, std::size_t capacity, bool mapped)
    : m_memory(memory), m_frameSize(frameSize), m_capacity(capacity), m_mapped(mapped)
{
}

FrameBlock::~FrameBlock()
{
    if (m_mapped)
        munmap(m_memory, m_frameSize * m_capacity);
    else
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
