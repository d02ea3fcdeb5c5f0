#pragma once

// What lies under a point of the picture as the window shows it, zoomed or
// not: the frame's pixel, its palette index, the index's class and colour;
// and the marks that show each class over the picture.

#include "formats/PaletteMapping.h"
#include "imaging/PictureCompose.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kinetra {

// Where a picture of pictureWidth × pictureHeight pixels is shown in a
// widget: its top-left corner and its shown size, in the widget's units.
struct PictureOnScreen {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
};

struct PixelProbe {
    // In the frame, from its top-left corner (not the canvas's).
    int x = 0;
    int y = 0;
    std::uint8_t index = 0;
    IndexClass indexClass = IndexClass::Ordinary;
    // As the class counts its members: the index itself for civilization
    // and ordinary colours, the level for light (index − 224) and shadow
    // (255 − index), 0 for transparent.
    int classNumber = 0;
    // The palette's colour of the index, 0x00RRGGBB.
    std::uint32_t color = 0;
};

// The class's own number of an index, as PixelProbe::classNumber.
int indexClassNumber(int index);

// The frame's pixel under the widget point (x, y) of a picture composed
// from `inputs`; none off the picture and where the picture shows no frame.
std::optional<PixelProbe> probePicture(const PictureInputs& inputs, const PictureOnScreen& shown, double x, double y);

// The colour a class is marked in, 0xFFRRGGBB; 0 for ordinary colours,
// which are left as they are.
std::uint32_t indexClassMark(IndexClass indexClass);

// Writes the mark of each frame pixel's class over a picture of 32-bit
// pixels (rows `pitch` pixels apart) composed from `inputs`; ordinary
// pixels and pixels off the frame are not touched.
void markIndexClasses(const PictureInputs& inputs, std::uint32_t* pixels, int width, int height, std::size_t pitch);

} // namespace kinetra
