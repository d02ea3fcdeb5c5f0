#pragma once

// A unit whose palette is as crowded as games' palettes are, for the tests
// of pictures that name entries by colour: civilization ramps a step apart,
// the shadow placeholders all the colour of light entry 229, an ordinary
// entry repeating a civilization one and two blacks.

#include "flc/FlcEncoder.h"

#include <numeric>
#include <random>

namespace kinetra::test {

inline Palette crowdedPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t((i * 5) % 256), std::uint8_t(255 - i));
    for (int i = 0; i < 64; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(20 + i), std::uint8_t(40 + i), std::uint8_t(120 + i));
    for (int i = 240; i < 255; ++i)
        palette[std::size_t(i)] = palette[229];
    palette[100] = palette[10];
    palette[70] = PaletteEntry::fromRgb(0, 0, 0);
    palette[71] = PaletteEntry::fromRgb(0, 0, 0);
    palette[255] = PaletteEntry::fromRgb(255, 0, 255);
    return palette;
}

// 8 directions of 2 frames of 20 × 16 on a transparent ground, every index
// somewhere in the first.
inline encoder::Bytes crowdedUnit()
{
    encoder::GameAnimation unit;
    unit.width = 20;
    unit.height = 16;
    unit.directions = 8;
    unit.framesPerDirection = 2;
    unit.speed = 60;
    unit.leftOffset = 100;
    unit.topOffset = 100;
    unit.animationTime = 120;
    unit.palette = crowdedPalette();
    std::mt19937 random(23);
    std::uniform_int_distribution<int> index(0, 255);
    for (int f = 0; f < 16; ++f) {
        IndexImage image(unit.width, unit.height);
        std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(255));
        for (int y = 4; y < unit.height; ++y) {
            for (int x = 5; x < 15; ++x)
                image.row(y)[x] = std::uint8_t(index(random));
        }
        if (f == 0)
            std::iota(image.pixels.begin(), image.pixels.begin() + 256, std::uint8_t(0));
        unit.images.push_back(std::move(image));
    }
    return encoder::buildGameAnimation(unit);
}

} // namespace kinetra::test
