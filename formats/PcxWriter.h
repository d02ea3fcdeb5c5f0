#pragma once

#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "formats/PictureRows.h"
#include "io/ByteSink.h"

#include <cstdint>
#include <vector>

namespace kinetra {

// The bytes of an 8-bit, one-plane, run-length encoded PCX file (version 5)
// with its 256 colours at the end, as CPcxImage and paint programs read it.
// Empty for an image without pixels or wider or higher than 65535.
std::vector<std::uint8_t> encodePcx(const IndexImage& image, const Palette& palette);
// The same with each row made as it is written into `sink`; false for such
// an image, or when the sink refuses.
bool encodePcx(const IndexRows& rows, const Palette& palette, const ByteSink& sink);

// One plane of a scan line: `width` bytes from `line`, padded with zeros to
// `bytesPerLine`, run-length encoded onto the end of `out`.
void encodePcxPlane(const std::uint8_t* line, int width, int bytesPerLine, std::vector<std::uint8_t>& out);

} // namespace kinetra
