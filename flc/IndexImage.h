#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace kinetra {

// A writable window onto width × height palette indices, row after row with
// no gap; what the chunk decoders draw into.
struct IndexView {
    int width = 0;
    int height = 0;
    std::uint8_t* pixels = nullptr;

    std::size_t size() const { return std::size_t(width) * std::size_t(height); }
    std::uint8_t* row(int y) const { return pixels + std::size_t(y) * std::size_t(width); }
};

// An 8-bit image of palette indices, row after row with no gap.
struct IndexImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    IndexImage() = default;
    // Zero-filled; throws std::bad_alloc when the memory cannot be had.
    IndexImage(int w, int h) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), 0) {}

    std::uint8_t* row(int y) { return pixels.data() + std::size_t(y) * std::size_t(width); }
    std::uint8_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }

    operator IndexView() { return {width, height, pixels.data()}; }
};

// Indices that read as zeros before anything is written, taken from the
// system as untouched zero pages: the size a file's header claims costs
// nothing until image data really fills it, so a small hostile file is
// refused as cheaply as it was read.
class ZeroedIndexBuffer {
public:
    // Null when the memory cannot be had.
    static std::unique_ptr<ZeroedIndexBuffer> allocate(int width, int height)
    {
        auto* memory = static_cast<std::uint8_t*>(std::calloc(std::size_t(width) * std::size_t(height), 1));
        if (!memory)
            return nullptr;
        return std::unique_ptr<ZeroedIndexBuffer>(new ZeroedIndexBuffer({width, height, memory}));
    }
    ~ZeroedIndexBuffer() { std::free(m_view.pixels); }
    ZeroedIndexBuffer(const ZeroedIndexBuffer&) = delete;
    ZeroedIndexBuffer& operator=(const ZeroedIndexBuffer&) = delete;

    IndexView view() const { return m_view; }

private:
    explicit ZeroedIndexBuffer(IndexView view) : m_view(view) {}
    IndexView m_view;
};

} // namespace kinetra
