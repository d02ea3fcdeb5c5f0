#pragma once

// Thumbnails, as file managers ask a thumbnailer for them: the first picture
// of an animation, cut to what shows and scaled to a square of a given side.

#include "imaging/AnimationExport.h"

namespace kinetra {

// The player's number of the direction in which a unit faces the viewer:
// south-west (1 SW, 2 S, ... 8 W; 0 is all of them).
inline constexpr int kFacingDirection = 1;

// The largest side a thumbnail is made at: file managers ask for 128 to
// 1024, and the picture is allocated at this size squared.
inline constexpr int kMaxThumbnailSide = 4096;

// How many frames of a file with this header a thumbnail shows, counted
// from the first: the facing direction's of a unit with directions to
// choose from, the first of a plain file, 0 (all of them) otherwise. As the
// player's frameLimit it keeps a thumbnail's load to those frames.
int ThumbnailFrames(const FlcHeader& header);

// The first picture of the player's current range, unscaled; empty when
// nothing is loaded.
// - A game animation: its first frame as the player composes it on its
//   canvas, without the background (ComposeWithoutBackground: key and
//   background alpha 0, shadow and light pixels translucent, as the
//   transparent exports make them), cut to the union of what shows in every
//   frame of the range. The union rather than the first frame's own box
//   keeps the thumbnail of a file still against its animation; a range of
//   one direction rather than all keeps it from empty margins that only
//   other directions fill. Nothing showing at all gives the empty canvas.
// - A plain FLC: its first frame whole, opaque, in its palette.
// Only the range's decoded frames are read, so a header claiming more costs
// nothing; a game animation's pictures are at most the canvas.
ExportPicture ThumbnailPicture(const CFlcPlayerCore& player);

// `picture` scaled, without smoothing, by the largest whole multiple that
// fits a side × side square, or, when even 1 × does not fit, shrunk
// (nearest neighbour) to fit with its aspect kept. Empty for an empty
// picture or a side outside 1 to kMaxThumbnailSide.
ExportPicture FitToSquare(const ExportPicture& picture, int side);

// ThumbnailPicture fitted to a side × side square. A plain frame is scaled
// from its indices, so that nothing of its own size is allocated; the memory
// taken is the canvas and the thumbnail. Empty when nothing is loaded.
ExportPicture MakeThumbnail(const CFlcPlayerCore& player, int side);

} // namespace kinetra
