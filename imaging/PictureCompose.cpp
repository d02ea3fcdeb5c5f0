#include "imaging/PictureCompose.h"

#include <algorithm>
#include <array>

namespace kinetra {

namespace {

constexpr int kFirstLight = 224;
constexpr int kLastLight = 239;
constexpr int kFirstShadow = 240;
constexpr int kLastShadow = 254;
constexpr int kShadowStep = 12;
constexpr int kLightStep = 4;
constexpr std::uint32_t kColorMask = 0x00FFFFFFu;

// What a frame pixel of each index does: its colour, whether the key lets the
// background show instead, and whether it blends with the background, moving
// each channel by `shift` (a light pixel of level 0 blends by nothing, and so
// shows the background).
struct IndexRule {
    std::uint32_t pixel = 0;
    bool keyed = false;
    bool blends = false;
    int shift = 0;
};

std::array<IndexRule, 256> indexRules(const PictureInputs& inputs)
{
    std::array<IndexRule, 256> rules;
    const PixelTable pixels = pixelTableOf(*inputs.palette);
    for (int v = 0; v < 256; ++v) {
        IndexRule& rule = rules[std::size_t(v)];
        rule.pixel = pixels[std::size_t(v)];
        rule.keyed = inputs.colorKey.matches(rule.pixel);
        if (!inputs.blend)
            continue;
        if (v >= kFirstShadow && v <= kLastShadow)
            rule = {rule.pixel, rule.keyed, true, -kShadowStep * (255 - v)};
        if (v >= kFirstLight && v <= kLastLight)
            rule = {rule.pixel, rule.keyed, true, kLightStep * (v - kFirstLight)};
    }
    return rules;
}

// Each of blue, green and red moved by `amount` and held within 0..255.
std::uint32_t shifted(std::uint32_t pixel, int amount)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int channel = std::clamp(int((pixel >> shift) & 0xFF) + amount, 0, 255);
        result |= std::uint32_t(channel) << shift;
    }
    return result;
}

// A shadow or light pixel blends with the background under it unless that is
// black: a black background leaves the frame's own colour (or the
// background, where the key lets it show).
std::uint32_t framePixel(const IndexRule& rule, std::uint32_t under)
{
    const std::uint32_t drawn = rule.keyed ? under : rule.pixel;
    if (!rule.blends || (under & kColorMask) == 0)
        return drawn;
    return (drawn & ~kColorMask) | shifted(under, rule.shift);
}

void drawBackgroundRow(const PictureInputs& inputs, int y, std::uint32_t* row, int width)
{
    int x = 0;
    if (inputs.tile && y < inputs.tile->height) {
        const std::uint32_t* tileRow =
            inputs.tile->pixels.get() + std::size_t(y) * std::size_t(inputs.tile->pitch / 4);
        x = std::min(width, inputs.tile->width);
        std::copy_n(tileRow, x, row);
    }
    std::fill(row + x, row + width, 0xFF000000u | inputs.fillColor);
}

} // namespace

void ComposePicture(const PictureInputs& inputs, PlatformSurface& out)
{
    if (!out.pixels || out.width <= 0 || out.height <= 0)
        return;
    const std::size_t wordsPerRow = std::size_t(out.pitch) / 4;
    const FlcFrame* frame = inputs.frame && inputs.frame->indices && inputs.palette ? inputs.frame : nullptr;
    std::array<IndexRule, 256> rules;
    if (frame)
        rules = indexRules(inputs);

    // The frame's columns firstColumn..lastColumn-1 lie on the picture.
    const int firstColumn = frame ? std::max(0, -inputs.left) : 0;
    const int lastColumn = frame ? std::min<int>(frame->width, out.width - inputs.left) : 0;
    for (int y = 0; y < out.height; ++y) {
        std::uint32_t* row = out.pixels.get() + std::size_t(y) * wordsPerRow;
        drawBackgroundRow(inputs, y, row, out.width);
        const int frameRow = y - inputs.top;
        if (!frame || frameRow < 0 || frameRow >= frame->height || firstColumn >= lastColumn)
            continue;
        const std::uint8_t* from =
            frame->indices + std::size_t(frameRow) * std::size_t(frame->width) + std::size_t(firstColumn);
        std::uint32_t* to = row + (inputs.left + firstColumn);
        for (int x = 0; x < lastColumn - firstColumn; ++x)
            to[x] = framePixel(rules[from[x]], to[x]);
    }
}

} // namespace kinetra
