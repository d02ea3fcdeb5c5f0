#include "imaging/AnimationExport.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <optional>
#include <utility>

namespace kinetra {

namespace {

constexpr std::uint32_t kAlphaMask = 0xFF000000u;
constexpr std::uint32_t kColorMask = 0x00FFFFFFu;
constexpr std::uint32_t kBlack = 0x00000000u;
constexpr std::uint32_t kWhite = 0x00FFFFFFu;

using Box = PixelBox;

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

// The scratch picture less its background, into `picture`; `overWhite` is
// scratch memory kept between frames.
void composeWithoutBackground(PictureInputs inputs, PlatformSurface& scratch, ExportPicture& picture,
                              ExportPicture& overWhite)
{
    picture.width = overWhite.width = scratch.width;
    picture.height = overWhite.height = scratch.height;
    inputs.tile = nullptr;
    inputs.fillColor = kBlack;
    ComposePicture(inputs, scratch);
    readPicture(scratch, picture);
    inputs.fillColor = kWhite;
    ComposePicture(inputs, scratch);
    readPicture(scratch, overWhite);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = unblend(picture.pixels[i], overWhite.pixels[i]);
}

// Every index once, in a row: composed like a frame, it gives each index's
// pixel.
const FlcFrame& everyIndex()
{
    static const std::array<std::uint8_t, 256> indices = [] {
        std::array<std::uint8_t, 256> made{};
        for (std::size_t v = 0; v < made.size(); ++v)
            made[v] = std::uint8_t(v);
        return made;
    }();
    static const FlcFrame frame{std::int16_t(indices.size()), 1, indices.data()};
    return frame;
}

// Whether each pixel of frame `frame`'s picture depends on its index alone:
// no tile under it (composing without the background draws none) and the
// frame covering the picture.
bool picturesAreIndexed(const CFlcPlayerCore& player, int frame, int width, int height, bool transparent)
{
    const PictureInputs inputs = player.PictureOf(frame);
    return (transparent || !inputs.tile) && inputs.frame && inputs.frame->indices && inputs.palette
        && inputs.left == 0 && inputs.top == 0 && inputs.frame->width == width && inputs.frame->height == height;
}

} // namespace

ExportPicture ComposeWithoutBackground(PictureInputs inputs, PlatformSurface& scratch)
{
    ExportPicture picture;
    ExportPicture overWhite;
    composeWithoutBackground(inputs, scratch, picture, overWhite);
    return picture;
}

PlayerFrames::PlayerFrames(const CFlcPlayerCore& player, const ExportOptions& options, ExportProgress progress)
    : m_player(player), m_options(options), m_progress(std::move(progress))
{
    if (!player.loaded || player.frames.empty())
        return;
    const int total = player.rangeEnd - player.rangeStart;
    // What the window shows: the canvas, or a plain FLC whole at its own
    // size, drawn at (0, 0).
    const int width = player.PictureWidth();
    const int height = player.PictureHeight();
    if (total <= 0 || width <= 0 || height <= 0)
        return;
    m_total = total;
    m_delayMs = player.UsesFileSpeed() ? player.header.speed : player.customDelay;
    const bool rowPerDirection =
        player.direction == 0 && !player.IsPlainFlc() && player.header.directions > 1 && player.rangeLength > 0;
    m_framesPerRow = rowPerDirection ? std::min(player.rangeLength, total) : total;
    m_scratch.width = width;
    m_scratch.height = height;
    m_scratch.pitch = width * 4;
    m_indexed = true;
    for (int k = player.rangeStart; k < player.rangeEnd && m_indexed; ++k)
        m_indexed = picturesAreIndexed(player, k, width, height, options.transparent);
}

void PlayerFrames::compose(const PictureInputs& inputs, PlatformSurface& scratch, ExportPicture& picture)
{
    if (!scratch.pixels)
        scratch.pixels = std::make_unique<std::uint32_t[]>(std::size_t(scratch.width) * std::size_t(scratch.height));
    if (m_options.transparent) {
        composeWithoutBackground(inputs, scratch, picture, m_overWhite);
    } else {
        picture.width = scratch.width;
        picture.height = scratch.height;
        ComposePicture(inputs, scratch);
        readPicture(scratch, picture);
    }
}

bool PlayerFrames::madeFrame(int index)
{
    if (m_progress && !m_progress(index + 1, m_total)) {
        m_cancelled = true;
        return false;
    }
    return true;
}

bool PlayerFrames::frame(int index, ExportPicture& picture)
{
    if (index < 0 || index >= m_total || m_cancelled)
        return false;
    try {
        compose(m_player.PictureOf(m_player.rangeStart + index), m_scratch, picture);
    } catch (const std::bad_alloc&) {
        return false;
    }
    picture.delayMs = m_delayMs;
    return madeFrame(index);
}

bool PlayerFrames::indexedFrame(int index, IndexedPicture& picture)
{
    if (!m_indexed || index < 0 || index >= m_total || m_cancelled)
        return false;
    PictureInputs inputs = m_player.PictureOf(m_player.rangeStart + index);
    picture.width = inputs.frame->width;
    picture.height = inputs.frame->height;
    picture.indices = inputs.frame->indices;
    inputs.frame = &everyIndex();
    m_indexScratch.width = inputs.frame->width;
    m_indexScratch.height = 1;
    m_indexScratch.pitch = m_indexScratch.width * 4;
    try {
        compose(inputs, m_indexScratch, m_indexPixels);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::copy(m_indexPixels.pixels.begin(), m_indexPixels.pixels.end(), picture.colors.begin());
    picture.delayMs = m_delayMs;
    return madeFrame(index);
}

bool PlayerFrames::frameRow(int index, int y, ExportPicture& row)
{
    if (index < 0 || index >= m_total || m_cancelled)
        return false;
    const int width = m_scratch.width;
    row.width = width;
    row.height = y >= 0 && y < m_scratch.height ? 1 : 0;
    row.delayMs = m_delayMs;
    try {
        row.pixels.resize(std::size_t(width) * std::size_t(row.height));
        if (row.height == 0)
            return true;
        PictureInputs inputs = m_player.PictureOf(m_player.rangeStart + index);
        std::uint32_t* pixels = row.pixels.data();
        if (!m_options.transparent) {
            m_rows.composeRow(inputs, y, pixels, width);
            std::transform(pixels, pixels + width, pixels,
                           [](std::uint32_t pixel) { return (pixel & kColorMask) | kAlphaMask; });
            return y + 1 < m_scratch.height || madeFrame(index);
        }
        m_overWhite.pixels.resize(std::size_t(width));
        inputs.tile = nullptr;
        inputs.fillColor = kBlack;
        m_rows.composeRow(inputs, y, pixels, width);
        inputs.fillColor = kWhite;
        m_rowsOverWhite.composeRow(inputs, y, m_overWhite.pixels.data(), width);
        for (int x = 0; x < width; ++x)
            pixels[x] = unblend(pixels[x], m_overWhite.pixels[std::size_t(x)]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return y + 1 < m_scratch.height || madeFrame(index);
}

ExportResult RenderAnimation(const CFlcPlayerCore& player, const ExportOptions& options, const ExportProgress& progress,
                             ExportAnimation& out)
{
    out = {};
    PlayerFrames frames(player, options, progress);
    if (frames.frameCount() == 0)
        return ExportResult::Failed;
    ExportAnimation animation;
    animation.framesPerRow = frames.framesPerRow();
    try {
        animation.frames.resize(std::size_t(frames.frameCount()));
        for (int k = 0; k < frames.frameCount(); ++k) {
            if (!frames.frame(k, animation.frames[std::size_t(k)]))
                return frames.cancelled() ? ExportResult::Cancelled : ExportResult::Failed;
        }
    } catch (const std::bad_alloc&) {
        return ExportResult::Failed;
    }
    out = std::move(animation);
    return ExportResult::Ok;
}

std::optional<ExportRect> UnionBoundingBox(ExportFrameSource& frames)
{
    if (frames.frameCount() <= 0)
        return ExportRect{};
    ExportPicture first;
    ExportPicture picture;
    if (!frames.frame(0, first))
        return std::nullopt;
    if (first.pixels.empty())
        return ExportRect{};
    // An opaque export has every alpha at 255; a transparent one leaves the
    // background out, so only its alpha tells the unit from it. Which of the
    // two it is shows only at the end: both boxes are kept until then.
    const std::uint32_t corner = first.pixels.front();
    bool transparent = false;
    Box shown;
    Box unlikeCorner;
    for (int k = 0; k < frames.frameCount(); ++k) {
        if (k > 0 && !frames.frame(k, picture))
            return std::nullopt;
        const ExportPicture& frame = k == 0 ? first : picture;
        transparent = transparent || !std::all_of(frame.pixels.begin(), frame.pixels.end(), [](std::uint32_t pixel) {
            return (pixel & kAlphaMask) == kAlphaMask;
        });
        const int width = std::min(frame.width, first.width);
        const int height = std::min(frame.height, first.height);
        if (frame.pixels.size() < std::size_t(std::max(frame.width, 0)) * std::size_t(std::max(frame.height, 0)))
            continue;
        for (int y = 0; y < height; ++y) {
            const std::uint32_t* row = frame.pixels.data() + std::size_t(y) * std::size_t(frame.width);
            for (int x = 0; x < width; ++x) {
                const std::uint32_t pixel = row[x];
                if ((pixel & kAlphaMask) != 0)
                    shown.add(x, y);
                if (pixel != corner)
                    unlikeCorner.add(x, y);
            }
        }
    }
    const Box& box = transparent ? shown : unlikeCorner;
    if (box.empty())
        return ExportRect{0, 0, first.width, first.height};
    return ExportRect{box.left, box.top, box.right - box.left, box.bottom - box.top};
}

ExportRect UnionBoundingBox(const ExportAnimation& animation)
{
    HeldFrames frames(animation);
    return UnionBoundingBox(frames).value_or(ExportRect{});
}

ArgbRows SpriteSheetRows(ExportFrameSource& frames, const ExportRect& cell)
{
    const std::size_t count = std::size_t(std::max(frames.frameCount(), 0));
    if (count == 0 || cell.width <= 0 || cell.height <= 0)
        return {};
    const std::size_t perRow = frames.framesPerRow() > 0 ? std::min(std::size_t(frames.framesPerRow()), count) : count;
    const std::size_t rows = (count + perRow - 1) / perRow;
    const std::size_t width = perRow * std::size_t(cell.width);
    const std::size_t height = rows * std::size_t(cell.height);
    // A picture's sides are ints; beyond that no image can hold the sheet.
    if (width > std::size_t(INT32_MAX) || height > std::size_t(INT32_MAX))
        return {};
    // The frame's row, kept from row to row (the rows are copied, and must
    // share it).
    auto line = std::make_shared<ExportPicture>();
    const auto fill = [&frames, cell, count, perRow, width, line](int y, std::uint32_t* row) {
        std::fill(row, row + width, 0u);
        const std::size_t first = std::size_t(y / cell.height) * perRow;
        const int frameY = cell.y + y % cell.height;
        for (std::size_t k = first; k < std::min(first + perRow, count); ++k) {
            if (!frames.frameRow(int(k), frameY, *line))
                return false;
            if (line->height < 1 || line->pixels.size() < std::size_t(std::max(line->width, 0)))
                continue;
            // The part of the cell that lies on the frame; the rest stays clear.
            const int x0 = std::max(cell.x, 0);
            const int x1 = int(std::min<std::int64_t>(std::int64_t(cell.x) + cell.width, line->width));
            if (x0 < x1)
                std::copy(line->pixels.begin() + x0, line->pixels.begin() + x1,
                          row + (k - first) * std::size_t(cell.width) + std::size_t(x0 - cell.x));
        }
        return true;
    };
    return {int(width), int(height), fill};
}

ExportPicture BuildSpriteSheet(ExportFrameSource& frames, const ExportRect& cell)
{
    const ArgbRows rows = SpriteSheetRows(frames, cell);
    ExportPicture sheet;
    if (rows.width < 1 || rows.height < 1)
        return sheet;
    try {
        sheet.pixels.resize(std::size_t(rows.width) * std::size_t(rows.height));
    } catch (const std::bad_alloc&) {
        return {};
    }
    sheet.width = rows.width;
    sheet.height = rows.height;
    for (int y = 0; y < rows.height; ++y) {
        if (!rows.fill(y, sheet.pixels.data() + std::size_t(y) * std::size_t(rows.width)))
            return {};
    }
    return sheet;
}

ExportPicture BuildSpriteSheet(const ExportAnimation& animation, const ExportRect& cell)
{
    HeldFrames frames(animation);
    return BuildSpriteSheet(frames, cell);
}

std::optional<ExportRect> SheetCell(ExportFrameSource& frames, bool crop)
{
    if (frames.frameCount() <= 0)
        return ExportRect{};
    if (crop)
        return UnionBoundingBox(frames);
    ExportPicture first;
    if (!frames.frame(0, first))
        return std::nullopt;
    return ExportRect{0, 0, first.width, first.height};
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
