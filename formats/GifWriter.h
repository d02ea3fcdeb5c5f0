#pragma once

#include "formats/ExportPicture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kinetra {

// Encodes the frames as an animated GIF that loops forever, each frame with
// its own delay (in hundredths of a second, at least 1). All frames share
// one global colour table: the exact colours when they are at most 256 (one
// fewer with transparency), otherwise a median-cut palette built from the
// colours of every frame, mapped to the nearest entry without dithering.
// Pixels with alpha below 128 are transparent. Each frame after the first
// covers only the box where it changes the picture, its unchanged pixels
// transparent when that leaves fewer runs to compress; decoded with disposal
// the frames give exactly the source's pictures. False (with a reason in
// `error`) when encoding fails.
//
// Each frame is made twice, once for the colours and once to write it; what
// is held at a time is one frame's pixels and three frames' indices. A
// source whose frames are indexed (ExportFrameSource::indexed) is read as
// such: its colours are counted and looked up once an index, not a pixel.
bool EncodeAnimatedGif(ExportFrameSource& frames, std::vector<std::uint8_t>& out, std::string& error);
bool EncodeAnimatedGif(const ExportAnimation& animation, std::vector<std::uint8_t>& out, std::string& error);

} // namespace kinetra
