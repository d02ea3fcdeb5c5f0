#include "storyboard/Storyboard.h"

#include "flc/FlcEncoder.h"

#include <algorithm>
#include <cstring>

namespace kinetra {

namespace {

constexpr int kMaxField16 = 0xFFFF;
// Qt and the PCX format both stop at 16-bit sides; no sheet gets near it
// that a paint program could open anyway.
constexpr int kMaxSheetSide = 0xFFFF;

template <typename T>
void take(std::optional<T>& into, const std::optional<T>& from)
{
    if (from)
        into = from;
}

std::string text(int value)
{
    return std::to_string(value);
}

std::string tooManyFrames(std::int64_t frames)
{
    return "The storyboard holds " + std::to_string(frames) + " frames; an FLC file holds at most "
           + text(kMaxFlcFrames) + ".";
}

bool lineHolds(const IndexImage& sheet, int x, int y, int dx, int dy, int length, std::uint8_t index)
{
    for (int i = 0; i < length; ++i) {
        if (sheet.at(x + i * dx, y + i * dy) != index)
            return false;
    }
    return true;
}

} // namespace

int storyboardCellSize(int side, int cells, bool border)
{
    const int free = border ? side - (cells + 1) : side;
    if (cells < 1 || free < cells || free % cells != 0)
        return 0;
    return free / cells;
}

void StoryboardFacts::overrideWith(const StoryboardFacts& over)
{
    take(directions, over.directions);
    take(framesPerDirection, over.framesPerDirection);
    take(speed, over.speed);
    // A new speed times the animation anew, unless its time is given too.
    if (over.speed && !over.animationTime)
        animationTime.reset();
    take(leftOffset, over.leftOffset);
    take(topOffset, over.topOffset);
    take(originalWidth, over.originalWidth);
    take(originalHeight, over.originalHeight);
    take(animationTime, over.animationTime);
    take(border, over.border);
    // A grid given by hand makes a game unit of whatever the sheet was, in
    // one row per direction unless it says otherwise.
    if (over.directions || over.framesPerDirection) {
        plain = over.plain;
        columns.reset();
    }
    take(columns, over.columns);
}

StoryboardFacts StoryboardLayout::facts() const
{
    StoryboardFacts facts;
    facts.directions = directions;
    facts.framesPerDirection = framesPerDirection;
    facts.speed = speed;
    facts.leftOffset = leftOffset;
    facts.topOffset = topOffset;
    facts.originalWidth = originalWidth;
    facts.originalHeight = originalHeight;
    facts.animationTime = animationTime;
    facts.border = border;
    if (columns > 0)
        facts.columns = columns;
    facts.plain = plain;
    return facts;
}

std::optional<StoryboardLayout> storyboardLayoutOf(const FlcHeader& fileHeader, std::size_t frameCount,
                                                   std::optional<int> border, std::string& problem)
{
    if (border && (*border < 0 || *border > 255)) {
        problem = "The border must be a palette index from 0 to 255.";
        return std::nullopt;
    }
    StoryboardLayout layout;
    layout.frameWidth = fileHeader.width;
    layout.frameHeight = fileHeader.height;
    layout.speed = fileHeader.speed;
    layout.border = border;
    layout.plain = fileHeader.framesPerDirection == 0;
    if (layout.plain) {
        // One row holding every frame; a plain file has no extension to keep.
        layout.directions = 1;
        layout.framesPerDirection = int(frameCount);
        layout.originalWidth = 0;
        layout.originalHeight = 0;
    } else {
        layout.directions = fileHeader.directions;
        layout.framesPerDirection = fileHeader.framesPerDirection;
        layout.leftOffset = fileHeader.leftOffset;
        layout.topOffset = fileHeader.topOffset;
        layout.originalWidth = fileHeader.originalWidth;
        layout.originalHeight = fileHeader.originalHeight;
        layout.animationTime = fileHeader.animationTime;
    }
    if (layout.directions < 1 || std::size_t(layout.frameCount()) != frameCount) {
        problem = "The file holds " + std::to_string(frameCount) + " frames, not the " + text(layout.directions)
                  + " directions of " + text(layout.framesPerDirection) + " frames its header gives.";
        return std::nullopt;
    }
    if (layout.frameWidth < 1 || layout.frameHeight < 1) {
        problem = "The file's frames have no pixels.";
        return std::nullopt;
    }
    if (layout.plain) {
        const int columns = storyboardColumnsFor(layout.framesPerDirection, layout.frameWidth, border.has_value());
        layout.columns = columns < layout.framesPerDirection ? columns : 0;
    }
    return layout;
}

int storyboardColumnsFor(int frames, int frameWidth, bool border)
{
    const std::int64_t line = border ? 1 : 0;
    const std::int64_t fit = (kMaxStoryboardRowWidth - line) / (std::int64_t(frameWidth) + line);
    return int(std::clamp<std::int64_t>(fit, 1, std::max(frames, 1)));
}

bool storyboardSheetFits(const StoryboardLayout& layout, std::string& problem)
{
    if (layout.sheetWidth() <= kMaxSheetSide && layout.sheetHeight() <= kMaxSheetSide)
        return true;
    problem = "The storyboard would be larger than 65535 pixels on a side.";
    return false;
}

IndexImage drawStoryboard(const std::vector<IndexImage>& frames, const StoryboardLayout& layout)
{
    return drawStoryboard(
        [&](int i, int y) -> const std::uint8_t* {
            const bool fits = std::size_t(i) < frames.size() && frames[std::size_t(i)].width == layout.frameWidth
                              && frames[std::size_t(i)].height == layout.frameHeight;
            return fits ? frames[std::size_t(i)].pixels.data() + std::size_t(y) * std::size_t(layout.frameWidth)
                        : nullptr;
        },
        layout);
}

IndexImage drawStoryboard(const StoryboardFrameRows& rowOf, const StoryboardLayout& layout)
{
    IndexImage sheet(layout.sheetWidth(), layout.sheetHeight());
    for (int y = 0; y < sheet.height; ++y)
        drawStoryboardRow(rowOf, layout, y, sheet.row(y));
    return sheet;
}

void drawStoryboardRow(const StoryboardFrameRows& rowOf, const StoryboardLayout& layout, int y, std::uint8_t* row)
{
    std::fill(row, row + layout.sheetWidth(), std::uint8_t(layout.border.value_or(0)));
    // With a border each cell row starts below a grid line of its own.
    const int line = layout.border ? 1 : 0;
    const int pitch = layout.frameHeight + line;
    const int cellRow = y / pitch;
    const int frameRow = y % pitch - line;
    const int columns = layout.cellColumns();
    if (frameRow < 0 || columns < 1 || cellRow >= layout.directions * layout.rowsPerDirection())
        return;
    const int direction = cellRow / layout.rowsPerDirection();
    const int firstInRow = cellRow % layout.rowsPerDirection() * columns;
    const int inRow = std::min(columns, layout.framesPerDirection - firstInRow);
    for (int column = 0; column < inRow; ++column) {
        const std::uint8_t* pixels = rowOf(direction * layout.framesPerDirection + firstInRow + column, frameRow);
        if (pixels)
            std::memcpy(row + layout.cellLeft(column), pixels, std::size_t(layout.frameWidth));
    }
}

IndexRows storyboardRows(const StoryboardFrameRows& rowOf, const StoryboardLayout& layout)
{
    return {layout.sheetWidth(), layout.sheetHeight(),
            [rowOf, layout](int y, std::uint8_t* row) { drawStoryboardRow(rowOf, layout, y, row); }};
}

std::optional<StoryboardLayout> resolveStoryboardLayout(const StoryboardFacts& facts, int sheetWidth,
                                                        int sheetHeight, std::string& problem)
{
    std::vector<std::string> missing;
    if (!facts.directions)
        missing.emplace_back("the directions (--directions)");
    if (!facts.framesPerDirection)
        missing.emplace_back("the frames per direction (--frames-per-direction)");
    if (!facts.speed)
        missing.emplace_back("the speed (--speed)");
    if (!missing.empty()) {
        problem = "The storyboard does not say";
        for (std::size_t i = 0; i < missing.size(); ++i)
            problem += (i == 0 ? " " : i + 1 == missing.size() ? " or " : ", ") + missing[i];
        problem += "; give them as options.";
        return std::nullopt;
    }
    if (*facts.directions < 1 || *facts.framesPerDirection < 1) {
        problem = "Directions and frames per direction must be at least 1.";
        return std::nullopt;
    }
    // Before any frame is cut: a grid of more cells than a file holds would
    // cost memory for nothing.
    if (const std::int64_t frames = std::int64_t(*facts.directions) * *facts.framesPerDirection; frames > kMaxFlcFrames) {
        problem = tooManyFrames(frames);
        return std::nullopt;
    }
    if (facts.border && (*facts.border < 0 || *facts.border > 255)) {
        problem = "The border must be a palette index from 0 to 255.";
        return std::nullopt;
    }

    StoryboardLayout layout;
    layout.directions = *facts.directions;
    layout.framesPerDirection = *facts.framesPerDirection;
    layout.speed = *facts.speed;
    layout.border = facts.border;
    layout.columns = facts.columns.value_or(0);
    layout.plain = facts.plain;
    const bool border = facts.border.has_value();
    const bool wraps = layout.cellColumns() < layout.framesPerDirection;
    layout.frameWidth = storyboardCellSize(sheetWidth, layout.cellColumns(), border);
    layout.frameHeight = storyboardCellSize(sheetHeight, layout.directions * layout.rowsPerDirection(), border);
    if (layout.frameWidth == 0) {
        problem = "The sheet's width of " + text(sheetWidth) + " pixels does not divide into "
                  + text(layout.cellColumns()) + " frames" + (border ? " and their grid lines." : ".");
        return std::nullopt;
    }
    if (layout.frameHeight == 0) {
        problem = "The sheet's height of " + text(sheetHeight) + " pixels does not divide into "
                  + text(layout.directions * layout.rowsPerDirection())
                  + (wraps ? " rows of " + text(layout.cellColumns()) + " frames" : " rows of directions")
                  + (border ? " and their grid lines." : ".");
        return std::nullopt;
    }

    if (layout.plain) {
        layout.originalWidth = facts.originalWidth.value_or(0);
        layout.originalHeight = facts.originalHeight.value_or(0);
    } else {
        layout.originalWidth = facts.originalWidth.value_or(kUnitPictureSize);
        layout.originalHeight = facts.originalHeight.value_or(kUnitPictureSize);
    }
    layout.leftOffset = facts.leftOffset.value_or(layout.plain ? 0 : std::max(0, (kUnitPictureSize - layout.frameWidth) / 2));
    layout.topOffset = facts.topOffset.value_or(layout.plain ? 0 : std::max(0, (kUnitPictureSize - layout.frameHeight) / 2));
    layout.animationTime =
        facts.animationTime.value_or(layout.plain ? 0 : layout.speed * std::uint32_t(layout.framesPerDirection));
    return layout;
}

std::optional<std::vector<IndexImage>> cutStoryboard(const IndexImage& sheet, const StoryboardLayout& layout,
                                                     std::string& problem)
{
    if (sheet.width != layout.sheetWidth() || sheet.height != layout.sheetHeight()) {
        problem = "The sheet is " + text(sheet.width) + " x " + text(sheet.height) + " pixels, not the "
                  + text(layout.sheetWidth()) + " x " + text(layout.sheetHeight()) + " of its grid.";
        return std::nullopt;
    }
    if (layout.border) {
        const auto index = std::uint8_t(*layout.border);
        for (int column = 0; column <= layout.cellColumns(); ++column) {
            const int x = column * (layout.frameWidth + 1);
            if (!lineHolds(sheet, x, 0, 0, 1, sheet.height, index)) {
                problem = "The grid line at x = " + text(x) + " is not all of the border index "
                          + text(*layout.border) + ".";
                return std::nullopt;
            }
        }
        for (int row = 0; row <= layout.directions * layout.rowsPerDirection(); ++row) {
            const int y = row * (layout.frameHeight + 1);
            if (!lineHolds(sheet, 0, y, 1, 0, sheet.width, index)) {
                problem = "The grid line at y = " + text(y) + " is not all of the border index "
                          + text(*layout.border) + ".";
                return std::nullopt;
            }
        }
    }

    std::vector<IndexImage> frames;
    frames.reserve(std::size_t(layout.frameCount()));
    for (int i = 0; i < layout.frameCount(); ++i) {
        IndexImage& frame = frames.emplace_back(layout.frameWidth, layout.frameHeight);
        const int left = layout.frameLeft(i);
        const int top = layout.frameTop(i);
        for (int y = 0; y < layout.frameHeight; ++y)
            std::memcpy(frame.row(y), sheet.pixels.data() + std::size_t(top + y) * std::size_t(sheet.width) + std::size_t(left),
                        std::size_t(layout.frameWidth));
    }
    return frames;
}

namespace {

bool sizeFits(std::uint64_t width, std::uint64_t height, std::uint64_t most, std::string& problem)
{
    if (width == 0 || height <= most / width)
        return true;
    problem = "A sheet of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is more than the "
              + std::to_string(most) + " pixels a storyboard holds.";
    return false;
}

} // namespace

bool storyboardSizeFits(std::uint64_t width, std::uint64_t height, std::string& problem)
{
    return sizeFits(width, height, kMaxStoryboardPixels, problem);
}

bool wrappedStoryboardSizeFits(std::uint64_t width, std::uint64_t height, std::string& problem)
{
    return sizeFits(width, height, kMaxWrappedStoryboardPixels, problem);
}

std::vector<std::uint8_t> encodeStoryboardAnimation(const StoryboardLayout& layout, const Palette& palette,
                                                    const std::vector<IndexImage>& frames, std::string& problem)
{
    if (layout.frameCount() > kMaxFlcFrames) {
        problem = tooManyFrames(layout.frameCount());
        return {};
    }
    if (frames.size() != std::size_t(layout.frameCount())) {
        problem = "The storyboard holds " + std::to_string(frames.size()) + " frames, not "
                  + text(layout.frameCount()) + ".";
        return {};
    }
    if (layout.frameWidth > 0x7FFF || layout.frameHeight > 0x7FFF) {
        problem = "A frame is larger than an FLC file holds.";
        return {};
    }
    if (layout.plain) {
        const auto file = encoder::buildPlainFlc(palette, frames, layout.speed);
        if (file.empty())
            problem = "Cannot build an FLC file of these frames.";
        return file;
    }

    if (layout.leftOffset < 0 || layout.topOffset < 0 || layout.leftOffset + layout.frameWidth > kUnitPictureSize
        || layout.topOffset + layout.frameHeight > kUnitPictureSize) {
        problem = "A frame of " + text(layout.frameWidth) + " x " + text(layout.frameHeight) + " pixels at the offsets "
                  + text(layout.leftOffset) + ", " + text(layout.topOffset) + " leaves the game's "
                  + text(kUnitPictureSize) + " x " + text(kUnitPictureSize) + " picture.";
        return {};
    }
    if (layout.directions > kMaxField16 || layout.framesPerDirection > kMaxField16
        || layout.originalWidth < 0 || layout.originalWidth > kMaxField16 || layout.originalHeight < 0
        || layout.originalHeight > kMaxField16) {
        problem = "The original size must be from 0 to 65535 pixels.";
        return {};
    }

    encoder::GameAnimation animation;
    animation.width = layout.frameWidth;
    animation.height = layout.frameHeight;
    animation.directions = layout.directions;
    animation.framesPerDirection = layout.framesPerDirection;
    animation.speed = layout.speed;
    animation.leftOffset = std::uint16_t(layout.leftOffset);
    animation.topOffset = std::uint16_t(layout.topOffset);
    animation.originalWidth = std::uint16_t(layout.originalWidth);
    animation.originalHeight = std::uint16_t(layout.originalHeight);
    animation.animationTime = layout.animationTime;
    animation.palette = palette;
    animation.images = frames;
    auto file = encoder::buildGameAnimation(animation);
    if (file.empty())
        problem = "Cannot build an FLC file of these frames.";
    return file;
}

} // namespace kinetra
