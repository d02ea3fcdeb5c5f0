#include "imaging/Thumbnail.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace kinetra {

namespace {

constexpr std::uint32_t kAlphaMask = 0xFF000000u;

// The part of a frame that lies on the canvas at the header's offsets.
ExportRect onCanvas(const CFlcPlayerCore& player, const FlcFrame& frame)
{
    const int left = player.header.leftOffset;
    const int top = player.header.topOffset;
    return {left, top, std::min<int>(frame.width, kCanvasSize - left), std::min<int>(frame.height, kCanvasSize - top)};
}

// Grows `box` (canvas coordinates, empty while its width is 0) by the pixels
// of `picture`, placed at `at`, that are not wholly transparent.
void growByVisible(ExportRect& box, const ExportPicture& picture, const ExportRect& at)
{
    for (int y = 0; y < picture.height; ++y) {
        const std::uint32_t* row = picture.pixels.data() + std::size_t(y) * std::size_t(picture.width);
        for (int x = 0; x < picture.width; ++x) {
            if ((row[x] & kAlphaMask) == 0)
                continue;
            const int cx = at.x + x;
            const int cy = at.y + y;
            if (box.width == 0) {
                box = {cx, cy, 1, 1};
                continue;
            }
            const int right = std::max(box.x + box.width, cx + 1);
            const int bottom = std::max(box.y + box.height, cy + 1);
            box.x = std::min(box.x, cx);
            box.y = std::min(box.y, cy);
            box.width = right - box.x;
            box.height = bottom - box.y;
        }
    }
}

ExportPicture plainPicture(const CFlcPlayerCore& player)
{
    const FlcFrame& frame = player.frames.front();
    ExportPicture picture;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.pixels = framePixels(frame, player.paletteOf(frame));
    return picture;
}

ExportPicture gamePicture(const CFlcPlayerCore& player)
{
    const int decoded = int(player.frames.size());
    const int first = std::clamp(player.rangeStart, 0, decoded - 1);
    const int end = std::clamp(player.rangeEnd, first + 1, decoded);

    PlatformSurface scratch;
    ExportRect box;
    ExportPicture firstPicture;
    ExportRect firstAt;
    for (int index = first; index < end; ++index) {
        PictureInputs inputs = player.PictureOf(index);
        const ExportRect at = onCanvas(player, *inputs.frame);
        if (at.width <= 0 || at.height <= 0)
            continue;
        // Only the frame's own part of the canvas: the rest is background,
        // which shows as nothing.
        if (scratch.width != at.width || scratch.height != at.height) {
            scratch.width = at.width;
            scratch.height = at.height;
            scratch.pitch = at.width * 4;
            scratch.pixels = std::make_unique<std::uint32_t[]>(std::size_t(at.width) * std::size_t(at.height));
        }
        inputs.left = 0;
        inputs.top = 0;
        ExportPicture picture = ComposeWithoutBackground(inputs, scratch);
        growByVisible(box, picture, at);
        if (index == first) {
            firstPicture = std::move(picture);
            firstAt = at;
        }
    }
    if (box.width == 0)
        box = {0, 0, kCanvasSize, kCanvasSize};
    // The box, in the first picture's own coordinates, as a one-cell sheet:
    // what lies beyond the picture stays transparent.
    const ExportRect cell{box.x - firstAt.x, box.y - firstAt.y, box.width, box.height};
    ExportAnimation firstOnly;
    firstOnly.frames.push_back(std::move(firstPicture));
    firstOnly.framesPerRow = 1;
    return BuildSpriteSheet(firstOnly, cell);
}

// A width × height picture, whose pixel (x, y) `pixelAt` gives, scaled as
// FitToSquare says.
template <typename PixelAt>
ExportPicture scaledToFit(int width, int height, int side, const PixelAt& pixelAt)
{
    if (side < 1 || side > kMaxThumbnailSide || width < 1 || height < 1)
        return {};
    const int longer = std::max(width, height);
    ExportPicture out;
    if (longer <= side) {
        const int scale = side / longer;
        out.width = width * scale;
        out.height = height * scale;
    } else {
        // In 64 bits: a side times a picture's side may pass an int.
        out.width = std::max(1, int(std::int64_t(width) * side / longer));
        out.height = std::max(1, int(std::int64_t(height) * side / longer));
    }
    try {
        out.pixels.resize(std::size_t(out.width) * std::size_t(out.height));
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (int y = 0; y < out.height; ++y) {
        const auto sy = std::size_t(std::int64_t(y) * height / out.height);
        for (int x = 0; x < out.width; ++x) {
            const auto sx = std::size_t(std::int64_t(x) * width / out.width);
            out.pixels[std::size_t(y) * std::size_t(out.width) + std::size_t(x)] = pixelAt(sx, sy);
        }
    }
    return out;
}

} // namespace

int ThumbnailFrames(const FlcHeader& header)
{
    if (header.framesPerDirection == 0)
        return 1;
    return header.directions == kDirectionCount ? kFacingDirection * int(header.framesPerDirection) : 0;
}

ExportPicture ThumbnailPicture(const CFlcPlayerCore& player)
{
    if (!player.loaded || player.frames.empty())
        return {};
    try {
        return player.IsPlainFlc() ? plainPicture(player) : gamePicture(player);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

ExportPicture FitToSquare(const ExportPicture& picture, int side)
{
    if (picture.pixels.size() < std::size_t(std::max(picture.width, 0)) * std::size_t(std::max(picture.height, 0)))
        return {};
    return scaledToFit(picture.width, picture.height, side, [&](std::size_t x, std::size_t y) {
        return picture.pixels[y * std::size_t(picture.width) + x];
    });
}

ExportPicture MakeThumbnail(const CFlcPlayerCore& player, int side)
{
    if (!player.loaded || player.frames.empty())
        return {};
    if (!player.IsPlainFlc())
        return FitToSquare(ThumbnailPicture(player), side);
    // Straight from the indices: a plain frame may be far larger than the
    // thumbnail, and is never made into a 32-bit picture of its own size.
    const FlcFrame& frame = player.frames.front();
    if (!frame.indices)
        return {};
    const PixelTable table = pixelTableOf(player.paletteOf(frame));
    return scaledToFit(frame.width, frame.height, side, [&](std::size_t x, std::size_t y) {
        return table[frame.indices[y * std::size_t(frame.width) + x]];
    });
}

} // namespace kinetra
