#pragma once

// The pictures that the codecs of this folder write and the exports hand
// them: plain values, with nothing of the player in them.

#include <cstddef>
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace kinetra {

// One picture: pixels 0xAARRGGBB, row by row, no padding (the layout of
// QImage::Format_ARGB32 read as 32-bit words).
struct ExportPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t delayMs = 0;
};

// The frames of an animation, and how they make rows: one row per direction
// for "all directions" of a game animation, otherwise a single row.
struct ExportAnimation {
    std::vector<ExportPicture> frames;
    int framesPerRow = 0;
};

// A picture as 8-bit indices and the pixel each stands for: pixel i is
// colors[indices[i]]. The indices are the source's own, unchanged until its
// next call.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    const std::uint8_t* indices = nullptr;
    std::array<std::uint32_t, 256> colors{};
    std::uint32_t delayMs = 0;
};

// The frames of an animation made one at a time, as often as asked, so that
// an export holds one frame rather than all of them. `frame` makes frame
// `index` (0 to frameCount() - 1) into `picture`, reusing its memory; false
// when it cannot (out of memory, or cancelled by whoever drives it).
class ExportFrameSource {
public:
    virtual ~ExportFrameSource() = default;
    virtual int frameCount() const = 0;
    // How the frames make rows, as ExportAnimation::framesPerRow.
    virtual int framesPerRow() const = 0;
    virtual bool frame(int index, ExportPicture& picture) = 0;
    // Row y of frame `index` into `row` as frame() would make it: a picture
    // of the frame's width and one row, or of no rows for a y outside the
    // frame. Made alone, so that a sheet written row by row never holds a
    // frame; making the frame's last row counts as making the frame.
    virtual bool frameRow(int index, int y, ExportPicture& row) = 0;
    // When every frame is also an IndexedPicture of the same pixels,
    // indexedFrame gives it that way, sparing an encoder the 32-bit picture.
    virtual bool indexed() const { return false; }
    virtual bool indexedFrame(int index, IndexedPicture& picture)
    {
        (void)index;
        (void)picture;
        return false;
    }
};

// The frames of an animation already in memory.
class HeldFrames final : public ExportFrameSource {
public:
    explicit HeldFrames(const ExportAnimation& animation) : m_animation(animation) {}
    int frameCount() const override { return int(m_animation.frames.size()); }
    int framesPerRow() const override { return m_animation.framesPerRow; }
    bool frame(int index, ExportPicture& picture) override
    {
        picture = m_animation.frames[std::size_t(index)];
        return true;
    }
    bool frameRow(int index, int y, ExportPicture& row) override
    {
        const ExportPicture& frame = m_animation.frames[std::size_t(index)];
        // A frame whose pixels do not fill it has none to give.
        const bool inside = y >= 0 && y < frame.height
                            && frame.pixels.size() >= std::size_t(frame.width) * std::size_t(frame.height);
        row.width = frame.width;
        row.height = inside ? 1 : 0;
        row.delayMs = frame.delayMs;
        const auto first = frame.pixels.begin() + (inside ? std::ptrdiff_t(y) * frame.width : 0);
        row.pixels.assign(first, first + (inside ? frame.width : 0));
        return true;
    }

private:
    const ExportAnimation& m_animation;
};

// A rectangle within a picture.
struct ExportRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A rectangle of pixels as [left, right) x [top, bottom), grown point by
// point or box by box from nothing.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    void add(int x, int y)
    {
        if (empty()) {
            *this = {x, y, x + 1, y + 1};
            return;
        }
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
    }
    void add(const PixelBox& other)
    {
        if (other.empty())
            return;
        add(other.left, other.top);
        add(other.right - 1, other.bottom - 1);
    }
};

} // namespace kinetra
