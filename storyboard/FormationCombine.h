#pragma once

// Figures drawn together as one unit: each placed on the ground round the
// unit's centre and turned with the unit's facing, seen at the game's 2:1
// view of the ground; shadows first, then the figures from the furthest to
// the nearest.

#include "flc/IndexImage.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kinetra {

// A figure's unit: its frames in file order, each direction's in turn, all
// of one size and in the palette of the unit to be built.
struct FigureUnit {
    std::vector<IndexImage> frames;
    int directions = 1;
    int framesPerDirection = 1;
    // Where the frames' top-left corner lies on the game's 240 × 240
    // picture.
    int leftOffset = 0;
    int topOffset = 0;
};

// A figure of a formation: its unit, where it stands and how far its
// animation runs ahead of the unit's.
struct PlacedFigure {
    const FigureUnit* unit = nullptr;
    int forward = 0;
    int right = 0;
    int frameOffset = 0;
};

// The angle on the ground from screen east, screen y pointing down, that
// each direction of a unit's file faces (SW, S, SE, E, NE, N, NW, W).
inline constexpr std::array<int, 8> kUnitDirectionAngles{135, 90, 45, 0, 315, 270, 225, 180};
// A unit of one direction faces the viewer: south.
inline constexpr int kSingleDirectionAngle = 90;

// The angle direction `direction` (file order) of a unit of `directions`
// (8 or 1) faces.
int facingAngle(int direction, int directions);

struct ScreenOffset {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScreenOffset&, const ScreenOffset&) = default;
};

// Where a figure `forward`, `right` from the centre of a unit facing
// `angle` degrees shows on screen: on the ground g = forward (cos, sin) +
// right (-sin, cos), on screen (gx, gy / 2), each rounded half away from
// zero. Exact for multiples of 45 degrees.
ScreenOffset screenOffsetOf(int forward, int right, int angle);

struct CombinedFrames {
    // directions × framesPerDirection pictures of 240 × 240 in file order.
    std::vector<IndexImage> frames;
    // Figure pixels that fell outside the picture, all frames together.
    std::uint64_t cutPixels = 0;
};

// The unit's frames, every figure a unit of `directions` directions. Frame
// i of direction d shows each figure's frame (i + frameOffset) mod its
// frames per direction of d, at its offsets moved by its screen offset:
// first the shadow pixels (240-254) of every figure, the darker (the lower
// index) where two meet; then every figure's other pixels but the
// transparent 255, figures in depth order (smaller screen y first, ties in
// the order given), so that a figure covers any shadow and the figures
// behind it.
CombinedFrames combineFigures(const std::vector<PlacedFigure>& figures, int directions, int framesPerDirection);

} // namespace kinetra
