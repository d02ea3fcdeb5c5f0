#pragma once

// One picture of the player: the background, a frame over it with its
// colour key, and the game's shadow and light pixels blended into what lies
// under them, drawn in one pass over the picture.

#include "flc/FlcFrame.h"
#include "flc/Palette.h"
#include "imaging/DrawDevice.h"

#include <cstdint>
#include <memory>

namespace kinetra {

// Everything a picture is made of, as one value: the window, the export and
// the command line hand the same inputs to the same code, and nothing of the
// player is changed to draw one.
struct PictureInputs {
    // The background: the tile when there is one, else the fill colour
    // (0x00RRGGBB).
    const PlatformSurface* tile = nullptr;
    std::uint32_t fillColor = 0;
    // The frame with its top-left corner at (left, top); none draws the
    // background alone.
    const FlcFrame* frame = nullptr;
    int left = 0;
    int top = 0;
    const Palette* palette = nullptr;
    // Frame pixels whose colour the key matches let the background show.
    ColorKey colorKey;
    // Shadow pixels (indices 240..254) darken and light pixels (224..239)
    // brighten the background under them.
    bool blend = false;
};

// Draws the picture into `out`; the parts of the frame outside it are left
// out.
void ComposePicture(const PictureInputs& inputs, PlatformSurface& out);

// Pictures drawn a row at a time, each row as ComposePicture draws it: what
// each index of a frame does is worked out once and kept for every row of
// every picture drawn in the same colours, so that rows of many frames
// taken in turn (a sheet written row by row) cost no more than the frames
// drawn whole.
class PictureRowComposer {
public:
    PictureRowComposer();
    ~PictureRowComposer();
    PictureRowComposer(const PictureRowComposer&) = delete;
    PictureRowComposer& operator=(const PictureRowComposer&) = delete;

    // Row y of the picture `inputs` make, `width` pixels wide, into `row`.
    void composeRow(const PictureInputs& inputs, int y, std::uint32_t* row, int width);

private:
    struct Rules;
    std::unique_ptr<Rules> m_rules;
};

} // namespace kinetra
