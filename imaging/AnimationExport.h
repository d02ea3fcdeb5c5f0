#pragma once

// Pictures of an animation for export (an animated GIF, a sprite sheet):
// every frame of the player's current range (the chosen direction or all),
// composed by the player's own compose code with its background, blending,
// civilization tint and palette, so an export shows what the picture shows.

#include "formats/ExportPicture.h"
#include "formats/PictureRows.h"
#include "imaging/CFlcPlayerCore.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kinetra {

struct ExportOptions {
    // The background is left out: pixels the background shows through get
    // the alpha that the shadow and light blending gives them.
    bool transparent = false;
};

enum class ExportResult { Ok, Cancelled, Failed };

// Called after each frame with the frames done and the total; returning
// false cancels.
using ExportProgress = std::function<bool(int done, int total)>;

// The player's current range as frames made one at a time, each composed
// when asked; the player and its back buffer are not touched. `progress` is
// called after each frame made; when it returns false this and every later
// frame fail and cancelled() tells why. Without a picture to show (nothing
// loaded, an empty range) there are no frames.
class PlayerFrames final : public ExportFrameSource {
public:
    PlayerFrames(const CFlcPlayerCore& player, const ExportOptions& options, ExportProgress progress = {});

    int frameCount() const override { return m_total; }
    int framesPerRow() const override { return m_framesPerRow; }
    bool frame(int index, ExportPicture& picture) override;
    bool frameRow(int index, int y, ExportPicture& row) override;
    // Indexed when no tile lies under the frames and each covers the whole
    // picture: then every index of a frame always gives the same pixel,
    // which composing the 256 indices in a row finds.
    bool indexed() const override { return m_indexed; }
    bool indexedFrame(int index, IndexedPicture& picture) override;
    bool cancelled() const { return m_cancelled; }

private:
    // The picture `inputs` draw into `scratch`, as `picture`.
    void compose(const PictureInputs& inputs, PlatformSurface& scratch, ExportPicture& picture);
    // Reports frame `index` made; false when cancelled.
    bool madeFrame(int index);

    const CFlcPlayerCore& m_player;
    ExportOptions m_options;
    ExportProgress m_progress;
    int m_total = 0;
    int m_framesPerRow = 0;
    std::uint32_t m_delayMs = 0;
    bool m_indexed = false;
    PlatformSurface m_scratch;
    ExportPicture m_overWhite;
    // Rows over the background (or over black), and over white.
    PictureRowComposer m_rows;
    PictureRowComposer m_rowsOverWhite;
    PlatformSurface m_indexScratch; // one row of 256 pixels
    ExportPicture m_indexPixels;
    bool m_cancelled = false;
};

// Renders the player's current range into pictures of its own; the player
// and its back buffer are not touched, so a window may keep playing while
// this runs between progress calls. Failed when nothing is loaded or memory
// runs out.
ExportResult RenderAnimation(const CFlcPlayerCore& player, const ExportOptions& options, const ExportProgress& progress,
                             ExportAnimation& out);

// The picture `inputs` make, less their background: composed over black and
// over white, each pixel gets the alpha by which the background shows through
// it (0 where the key lets it show, partial under shadow and light pixels).
// `scratch` gives the size and is drawn over.
ExportPicture ComposeWithoutBackground(PictureInputs inputs, PlatformSurface& scratch);

// The union of the frames' bounding boxes of pixels that differ from fully
// transparent (transparent export) or from the first frame's corner colour
// (opaque export); the whole picture when nothing differs.
// Made one frame at a time; none when a frame cannot be made.
ExportRect UnionBoundingBox(const ExportAnimation& animation);
std::optional<ExportRect> UnionBoundingBox(ExportFrameSource& frames);

// The cell of a sprite sheet: the union of the bounding boxes when cropping,
// else the whole picture; empty for an empty animation.
ExportRect SheetCell(const ExportAnimation& animation, bool crop);
std::optional<ExportRect> SheetCell(ExportFrameSource& frames, bool crop);

// The sprite sheet: rows of framesPerRow cells left to right, each cell a
// frame cropped to `cell` (pass the whole picture for no cropping). Cells
// without a frame, and parts of a cell beyond the frame, stay fully
// transparent. Empty when there is nothing to show or no memory for it.
// Made one frame at a time, holding the sheet and one frame; empty too when a
// frame cannot be made.
ExportPicture BuildSpriteSheet(const ExportAnimation& animation, const ExportRect& cell);
ExportPicture BuildSpriteSheet(ExportFrameSource& frames, const ExportRect& cell);

// The same sheet a row at a time, each made of the rows of the frames it
// crosses (frameRow), so that only a row of the sheet and one of a frame
// are held; no rows when there is nothing to show. `frames` must outlive
// the rows, which fail when a frame's row cannot be made.
ArgbRows SpriteSheetRows(ExportFrameSource& frames, const ExportRect& cell);

} // namespace kinetra
