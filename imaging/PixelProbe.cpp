#include "imaging/PixelProbe.h"

#include <algorithm>
#include <cmath>

namespace kinetra {

int indexClassNumber(int index)
{
    switch (indexClassOf(index)) {
    case IndexClass::Light: return index - 224;
    case IndexClass::Shadow: return 255 - index;
    case IndexClass::Transparent: return 0;
    default: return index;
    }
}

std::optional<PixelProbe> probePicture(const PictureInputs& inputs, const PictureOnScreen& shown, double x, double y)
{
    if (!inputs.frame || !inputs.frame->indices || !inputs.palette || shown.width <= 0 || shown.height <= 0)
        return std::nullopt;
    // Each picture pixel covers [n, n + 1) of the scaled picture: the
    // nearest-neighbour rule the picture is drawn by.
    const double u = (x - shown.left) * shown.pictureWidth / shown.width;
    const double v = (y - shown.top) * shown.pictureHeight / shown.height;
    if (u < 0 || v < 0 || u >= shown.pictureWidth || v >= shown.pictureHeight)
        return std::nullopt;
    const int frameX = int(std::floor(u)) - inputs.left;
    const int frameY = int(std::floor(v)) - inputs.top;
    const FlcFrame& frame = *inputs.frame;
    if (frameX < 0 || frameY < 0 || frameX >= frame.width || frameY >= frame.height)
        return std::nullopt;

    PixelProbe probe;
    probe.x = frameX;
    probe.y = frameY;
    probe.index = frame.indices[std::size_t(frameY) * std::size_t(frame.width) + std::size_t(frameX)];
    probe.indexClass = indexClassOf(probe.index);
    probe.classNumber = indexClassNumber(probe.index);
    probe.color = (*inputs.palette)[probe.index].rgb();
    return probe;
}

std::uint32_t indexClassMark(IndexClass indexClass)
{
    // Full colours that unit art hardly uses, far apart from each other.
    switch (indexClass) {
    case IndexClass::Civilization: return 0xFFFF00FF; // magenta
    case IndexClass::Light: return 0xFFFFFF00;        // yellow
    case IndexClass::Shadow: return 0xFF0000FF;       // blue
    case IndexClass::Transparent: return 0xFF00FF00;  // green
    default: return 0;
    }
}

void markIndexClasses(const PictureInputs& inputs, std::uint32_t* pixels, int width, int height, std::size_t pitch)
{
    if (!pixels || !inputs.frame || !inputs.frame->indices)
        return;
    const FlcFrame& frame = *inputs.frame;
    // The part of the frame that lies on the picture.
    const int firstX = std::max(0, -inputs.left);
    const int firstY = std::max(0, -inputs.top);
    const int endX = std::min<int>(frame.width, width - inputs.left);
    const int endY = std::min<int>(frame.height, height - inputs.top);
    for (int y = firstY; y < endY; ++y) {
        const std::uint8_t* source = frame.indices + std::size_t(y) * std::size_t(frame.width);
        std::uint32_t* row = pixels + std::size_t(y + inputs.top) * pitch + inputs.left;
        for (int x = firstX; x < endX; ++x)
            if (const std::uint32_t mark = indexClassMark(indexClassOf(source[x])))
                row[x] = mark;
    }
}

} // namespace kinetra
