#include "imaging/AnimationExport.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace kinetra {

namespace {

constexpr std::uint32_t kAlphaMask = 0xFF000000u;
constexpr std::uint32_t kColorMask = 0x00FFFFFFu;
constexpr std::uint32_t kBlack = 0x00000000u;
constexpr std::uint32_t kWhite = 0x00FFFFFFu;

// The scratch picture, opaque.
void readPicture(const PlatformSurface& scratch, ExportPicture& picture)
{
    picture.pixels.resize(std::size_t(picture.width) * std::size_t(picture.height));
    std::transform(scratch.pixels.get(), scratch.pixels.get() + picture.pixels.size(), picture.pixels.begin(),
                   [](std::uint32_t pixel) { return (pixel & kColorMask) | kAlphaMask; });
}

int channelOf(std::uint32_t pixel, int shift)
{
    return int((pixel >> shift) & 0xFF);
}

// The pixel that over black gives `overBlack` and over white `overWhite`:
// the background shows through by as much as the two differ.
std::uint32_t unblend(std::uint32_t overBlack, std::uint32_t overWhite)
{
    int difference = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        difference = std::max(difference, channelOf(overWhite, shift) - channelOf(overBlack, shift));
    const int alpha = 255 - std::clamp(difference, 0, 255);
    if (alpha == 0)
        return 0;
    std::uint32_t pixel = std::uint32_t(alpha) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int color = (channelOf(overBlack, shift) * 255 + alpha / 2) / alpha;
        pixel |= std::uint32_t(std::min(color, 255)) << shift;
    }
    return pixel;
}

ExportPicture renderFrame(const CFlcPlayerCore& player, PlatformSurface& scratch, int frame,
                          const ExportOptions& options)
{
    if (options.transparent)
        return ComposeWithoutBackground(player.PictureOf(frame), scratch);
    ExportPicture picture;
    picture.width = scratch.width;
    picture.height = scratch.height;
    ComposePicture(player.PictureOf(frame), scratch);
    readPicture(scratch, picture);
    return picture;
}

} // namespace

ExportPicture ComposeWithoutBackground(PictureInputs inputs, PlatformSurface& scratch)
{
    ExportPicture picture;
    picture.width = scratch.width;
    picture.height = scratch.height;
    ExportPicture overWhite = picture;
    inputs.tile = nullptr;
    inputs.fillColor = kBlack;
    ComposePicture(inputs, scratch);
    readPicture(scratch, picture);
    inputs.fillColor = kWhite;
    ComposePicture(inputs, scratch);
    readPicture(scratch, overWhite);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = unblend(picture.pixels[i], overWhite.pixels[i]);
    return picture;
}

ExportResult RenderAnimation(const CFlcPlayerCore& player, const ExportOptions& options, const ExportProgress& progress,
                             ExportAnimation& out)
{
    out = {};
    if (!player.loaded || player.frames.empty())
        return ExportResult::Failed;
    const int total = player.rangeEnd - player.rangeStart;
    if (total <= 0)
        return ExportResult::Failed;

    // What the window shows: the canvas, or a plain FLC whole at its own
    // size, drawn at (0, 0).
    const int width = player.PictureWidth();
    const int height = player.PictureHeight();
    if (width <= 0 || height <= 0)
        return ExportResult::Failed;
    const std::uint32_t delayMs = player.UsesFileSpeed() ? player.header.speed : player.customDelay;
    const bool rowPerDirection =
        player.direction == 0 && !player.IsPlainFlc() && player.header.directions > 1 && player.rangeLength > 0;

    ExportAnimation animation;
    animation.framesPerRow = rowPerDirection ? std::min(player.rangeLength, total) : total;
    try {
        PlatformSurface scratch;
        scratch.width = width;
        scratch.height = height;
        scratch.pitch = width * 4;
        scratch.pixels = std::make_unique<std::uint32_t[]>(std::size_t(width) * std::size_t(height));
        animation.frames.reserve(std::size_t(total));
        for (int done = 0; done < total; ++done) {
            animation.frames.push_back(renderFrame(player, scratch, player.rangeStart + done, options));
            animation.frames.back().delayMs = delayMs;
            if (progress && !progress(done + 1, total))
                return ExportResult::Cancelled;
        }
    } catch (const std::bad_alloc&) {
        return ExportResult::Failed;
    }
    out = std::move(animation);
    return ExportResult::Ok;
}

ExportRect UnionBoundingBox(const ExportAnimation& animation)
{
    if (animation.frames.empty())
        return {};
    const ExportPicture& first = animation.frames.front();
    if (first.pixels.empty())
        return {};
    // An opaque export has every alpha at 255; a transparent one leaves the
    // background out, so only its alpha tells the unit from it.
    const auto isOpaque = [](const ExportPicture& picture) {
        return std::all_of(picture.pixels.begin(), picture.pixels.end(),
                           [](std::uint32_t pixel) { return (pixel & kAlphaMask) == kAlphaMask; });
    };
    const bool transparent = !std::all_of(animation.frames.begin(), animation.frames.end(), isOpaque);
    const std::uint32_t corner = first.pixels.front();
    const auto shows = [&](std::uint32_t pixel) { return transparent ? (pixel & kAlphaMask) != 0 : pixel != corner; };

    int left = first.width;
    int top = first.height;
    int right = -1;
    int bottom = -1;
    for (const ExportPicture& picture : animation.frames) {
        const int width = std::min(picture.width, first.width);
        const int height = std::min(picture.height, first.height);
        if (picture.pixels.size() < std::size_t(picture.width) * std::size_t(std::max(picture.height, 0)))
            continue;
        for (int y = 0; y < height; ++y) {
            const std::uint32_t* row = picture.pixels.data() + std::size_t(y) * std::size_t(picture.width);
            for (int x = 0; x < width; ++x) {
                if (!shows(row[x]))
                    continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return {0, 0, first.width, first.height};
    return {left, top, right - left + 1, bottom - top + 1};
}

ExportPicture BuildSpriteSheet(const ExportAnimation& animation, const ExportRect& cell)
{
    ExportPicture sheet;
    const std::size_t count = animation.frames.size();
    if (count == 0 || cell.width <= 0 || cell.height <= 0)
        return sheet;
    const std::size_t perRow = animation.framesPerRow > 0 ? std::min(std::size_t(animation.framesPerRow), count) : count;
    const std::size_t rows = (count + perRow - 1) / perRow;
    const std::size_t width = perRow * std::size_t(cell.width);
    const std::size_t height = rows * std::size_t(cell.height);
    // A picture's sides are ints; beyond that no image can hold the sheet.
    if (width > std::size_t(INT32_MAX) || height > std::size_t(INT32_MAX))
        return sheet;
    try {
        sheet.pixels.assign(width * height, 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    sheet.width = int(width);
    sheet.height = int(height);

    for (std::size_t k = 0; k < count; ++k) {
        const ExportPicture& frame = animation.frames[k];
        if (frame.pixels.size() < std::size_t(std::max(frame.width, 0)) * std::size_t(std::max(frame.height, 0)))
            continue;
        const std::size_t cellLeft = (k % perRow) * std::size_t(cell.width);
        const std::size_t cellTop = (k / perRow) * std::size_t(cell.height);
        // The part of the cell that lies on the frame; the rest stays clear.
        const int x0 = std::max(cell.x, 0);
        const int y0 = std::max(cell.y, 0);
        const int x1 = int(std::min<std::int64_t>(std::int64_t(cell.x) + cell.width, frame.width));
        const int y1 = int(std::min<std::int64_t>(std::int64_t(cell.y) + cell.height, frame.height));
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const std::size_t to = (cellTop + std::size_t(y - cell.y)) * width + cellLeft + std::size_t(x - cell.x);
                sheet.pixels[to] = frame.pixels[std::size_t(y) * std::size_t(frame.width) + std::size_t(x)];
            }
        }
    }
    return sheet;
}

ExportRect SheetCell(const ExportAnimation& animation, bool crop)
{
    if (animation.frames.empty())
        return {};
    if (crop)
        return UnionBoundingBox(animation);
    return ExportRect{0, 0, animation.frames.front().width, animation.frames.front().height};
}

} // namespace kinetra
