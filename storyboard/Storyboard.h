#pragma once

// Storyboards: every frame of an animation in one 8-bit picture, one row per
// direction in the file's order (SW, S, SE, E, NE, N, NW, W for a game unit),
// the frames of a direction left to right, each cell the frame's own size;
// and the way back from such a picture to a game FLC. Unit makers draw into
// the picture in a paint program, so every index survives both ways:
// civilization, light, shadow and transparent entries alike.

#include "flc/FlcHeader.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "formats/PictureRows.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// The game's picture that a unit's frames are placed on.
inline constexpr int kUnitPictureSize = 240;
// The header's frame count is a signed 16-bit number.
inline constexpr int kMaxFlcFrames = 32767;
// The most pixels a sheet holds, grid lines included: the eight directions
// of 36 frames at the game's full 240 × 240 fit. A picture claiming more is
// refused from its header, before its pixels are read.
inline constexpr std::uint64_t kMaxStoryboardPixels = 16ull * 1024 * 1024;
// A sheet whose note says it wraps may hold what any plain file Kinetra
// opens holds: the pixels a load decodes at most.
inline constexpr std::uint64_t kMaxWrappedStoryboardPixels = 128ull * 1024 * 1024;
// A plain file's storyboard wraps its frames into rows no wider than this,
// grid lines included (unless one frame alone is wider): paint programs
// open such a picture, and any plain file Kinetra opens fits a sheet.
inline constexpr int kMaxStoryboardRowWidth = 4096;
// A game unit's eight directions in the order its file holds them.
inline constexpr std::array<const char*, 8> kUnitDirectionNames{"SW", "S", "SE", "E", "NE", "N", "NW", "W"};

// The facts of an animation that a storyboard picture cannot hold. A sheet
// carries those it was written with; the user supplies or overrides any of
// them, so each may be missing.
struct StoryboardFacts {
    std::optional<int> directions;
    std::optional<int> framesPerDirection;
    std::optional<std::uint32_t> speed;
    std::optional<int> leftOffset;
    std::optional<int> topOffset;
    std::optional<int> originalWidth;
    std::optional<int> originalHeight;
    std::optional<std::uint32_t> animationTime;
    // The palette index of the one-pixel grid between and around the cells.
    std::optional<int> border;
    // The cells a row of the sheet holds, where a direction's frames wrap
    // into several rows; unknown: one row per direction holds them all.
    std::optional<int> columns;
    // The source had no game extension: it is built back as a plain FLC.
    bool plain = false;

    // Every fact `over` has replaces this one's.
    void overrideWith(const StoryboardFacts& over);
};

// A storyboard's grid and the header facts of the animation it holds, all
// known and checked against each other.
struct StoryboardLayout {
    int frameWidth = 0;
    int frameHeight = 0;
    int directions = 1;
    int framesPerDirection = 0;
    std::uint32_t speed = 0;
    int leftOffset = 0;
    int topOffset = 0;
    int originalWidth = kUnitPictureSize;
    int originalHeight = kUnitPictureSize;
    std::uint32_t animationTime = 0;
    std::optional<int> border;
    // Cells in a row of the sheet when a direction's frames wrap; 0 when
    // each direction is one row.
    int columns = 0;
    bool plain = false;

    int frameCount() const { return directions * framesPerDirection; }
    // The cells across the sheet, and the rows each direction takes.
    int cellColumns() const { return columns > 0 ? std::min(columns, framesPerDirection) : framesPerDirection; }
    int rowsPerDirection() const { return cellColumns() > 0 ? (framesPerDirection + cellColumns() - 1) / cellColumns() : 0; }
    int sheetWidth() const { return cellsAcross(cellColumns(), frameWidth); }
    int sheetHeight() const { return cellsAcross(directions * rowsPerDirection(), frameHeight); }
    // The top-left pixel of a cell in the sheet.
    int cellLeft(int column) const { return column * frameWidth + (border ? column + 1 : 0); }
    int cellTop(int row) const { return row * frameHeight + (border ? row + 1 : 0); }
    // The same for frame `frame` in file order.
    int frameLeft(int frame) const { return cellLeft(frame % framesPerDirection % cellColumns()); }
    int frameTop(int frame) const
    {
        return cellTop(frame / framesPerDirection * rowsPerDirection() + frame % framesPerDirection / cellColumns());
    }

    StoryboardFacts facts() const;

private:
    int cellsAcross(int cells, int cellSize) const { return cells * cellSize + (border ? cells + 1 : 0); }
};

// The layout of a decoded animation's storyboard. `fileHeader` is the
// header as the file holds it (before the player fills in a plain file's
// extension); `frameCount` the frames decoded. A plain file's one row wraps
// at kMaxStoryboardRowWidth. Nothing, with the reason in `problem`, when the
// frames do not fill the header's directions.
std::optional<StoryboardLayout> storyboardLayoutOf(const FlcHeader& fileHeader, std::size_t frameCount,
                                                   std::optional<int> border, std::string& problem);

// Whether the layout's sheet can be written as a picture (65535 pixels a
// side at most); false, with the reason in `problem`, if not. Only what
// writes a sheet asks: a split writes none.
bool storyboardSheetFits(const StoryboardLayout& layout, std::string& problem);

// The sheet: every frame in its cell, the grid lines and any cells past the
// last frame in the border index (else 0). The frames are
// `layout.frameCount()` images of the layout's frame size.
IndexImage drawStoryboard(const std::vector<IndexImage>& frames, const StoryboardLayout& layout);
// The same from wherever the frames lie: `rowOf(i, y)` is row y of frame i
// (the layout's frame width in indices), or null for a cell left empty.
using StoryboardFrameRows = std::function<const std::uint8_t*(int frame, int y)>;
IndexImage drawStoryboard(const StoryboardFrameRows& rowOf, const StoryboardLayout& layout);
// Row y of that sheet into `row` (the sheet's width): a sheet drawn a row at
// a time as it is written, never held whole.
void drawStoryboardRow(const StoryboardFrameRows& rowOf, const StoryboardLayout& layout, int y, std::uint8_t* row);
IndexRows storyboardRows(const StoryboardFrameRows& rowOf, const StoryboardLayout& layout);

// The cells across a row of a plain file's sheet of frames `frameWidth`
// wide: all `frames` when they fit kMaxStoryboardRowWidth, else as many as
// do (at least one).
int storyboardColumnsFor(int frames, int frameWidth, bool border);

// The size of each of `cells` cells along `side` pixels of a sheet, with
// the one-pixel grid lines between and around them when `border`; 0 when
// the side does not divide so.
int storyboardCellSize(int side, int cells, bool border);

// The layout of a sheet of the given size from what is known about it.
// Directions and frames per direction must be known, and the speed; the
// columns, where known, wrap each direction into rows; the
// offsets default to the frame centred on the 240 × 240 picture, the
// original size to that picture, the animation time to one direction's
// frames at the speed. Nothing, with the reason in `problem`, when a fact is
// missing or the sheet's size does not divide into the grid.
std::optional<StoryboardLayout> resolveStoryboardLayout(const StoryboardFacts& facts, int sheetWidth,
                                                        int sheetHeight, std::string& problem);

// The frames of a sheet in file order. With a border, every grid line must
// hold the border index. Nothing, with the reason in `problem`, otherwise.
std::optional<std::vector<IndexImage>> cutStoryboard(const IndexImage& sheet, const StoryboardLayout& layout,
                                                     std::string& problem);

// Whether a sheet of this size stays within kMaxStoryboardPixels; false
// with the reason in `problem`.
bool storyboardSizeFits(std::uint64_t width, std::uint64_t height, std::string& problem);
// The same against kMaxWrappedStoryboardPixels, for a sheet that wraps.
bool wrappedStoryboardSizeFits(std::uint64_t width, std::uint64_t height, std::string& problem);

// The FLC file of the layout's frames: a game FLC, or a plain FLC that plays
// the frames in this order when the layout is plain. Empty, with the reason
// in `problem`, when the animation does not fit the format: more frames than
// the header counts, a frame that leaves the 240 × 240 picture at its
// offsets, or fields out of their 16-bit range.
std::vector<std::uint8_t> encodeStoryboardAnimation(const StoryboardLayout& layout, const Palette& palette,
                                                    const std::vector<IndexImage>& frames, std::string& problem);

} // namespace kinetra
