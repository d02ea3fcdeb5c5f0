// make_about_clip OUTFILE: writes the About box's clip, a plain 36 × 36 FLC
// of 16 frames: an eight-pointed compass star (the eight directions a unit
// faces) turning by one point, around a pulsing blue core, on the
// transparent colour. The output depends on nothing but this code.

#include "flc/FlcEncoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace kinetra;
using namespace kinetra::encoder;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSize = 36;
// The star is drawn for 48 pixels and scaled to kSize.
constexpr double kScale = kSize / 48.0;
constexpr int kFrames = 16;
constexpr std::uint32_t kFrameDelayMs = 70;
// Sub-pixel samples per axis: each pixel takes the colour most of them hit.
constexpr int kSamples = 4;

// Colour ramps of 16 shades, dark to light.
constexpr int kRampLength = 16;
constexpr int kBlueFirst = 0;
constexpr int kGoldFirst = 16;
constexpr int kSteelFirst = 32;
constexpr int kOutline = 48;
constexpr int kTransparent = 255;

std::uint8_t channel(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

void ramp(Palette& palette, int first, std::array<double, 3> dark, std::array<double, 3> light)
{
    for (int s = 0; s < kRampLength; ++s) {
        const double t = s / double(kRampLength - 1);
        palette[std::size_t(first + s)] = PaletteEntry::fromRgb(channel(dark[0] + (light[0] - dark[0]) * t),
                                                                channel(dark[1] + (light[1] - dark[1]) * t),
                                                                channel(dark[2] + (light[2] - dark[2]) * t));
    }
}

Palette makePalette()
{
    Palette palette{};
    ramp(palette, kBlueFirst, {10, 20, 90}, {150, 200, 255});
    ramp(palette, kGoldFirst, {100, 62, 0}, {255, 230, 120});
    ramp(palette, kSteelFirst, {50, 56, 66}, {235, 240, 250});
    palette[kOutline] = PaletteEntry::fromRgb(24, 22, 30);
    palette[kTransparent] = PaletteEntry::fromRgb(255, 0, 255);
    return palette;
}

int shade(int first, double t)
{
    return first + std::clamp(int(std::lround(t * (kRampLength - 1))), 0, kRampLength - 1);
}

// The colour of the sample at (x, y) from the centre, or kTransparent.
int sampleColour(double x, double y, double turn, double coreRadius)
{
    const double r = std::hypot(x, y) / kScale;
    if (r <= coreRadius)
        return shade(kBlueFirst, 1.0 - 0.8 * r / coreRadius);
    if (r <= coreRadius + 1.5)
        return kOutline;

    // Each point is a kite from the centre to its tip; which kite the sample
    // falls in follows from its angle.
    constexpr double kPointAngle = 2 * kPi / 8;
    const double angle = std::atan2(y, x) - turn;
    const double wrapped = angle - kPointAngle * std::floor(angle / kPointAngle + 0.5);
    const int point = int(std::lround((angle - wrapped) / kPointAngle)) & 7;
    const bool main = point % 2 == 0;
    const double tip = main ? 22.5 : 16.5;
    constexpr double kWaist = 9.0; // where two neighbouring points meet

    // In the point's own frame: u along the point, v across it.
    const double u = r * std::cos(wrapped);
    const double v = r * std::sin(wrapped);
    // The edge runs from (waist·cos, waist·sin of half the point angle) to (tip, 0).
    const double edgeU = kWaist * std::cos(kPointAngle / 2);
    const double edgeV = kWaist * std::sin(kPointAngle / 2);
    if (u > tip || u < 0)
        return kTransparent;
    const double halfWidth = u <= edgeU ? edgeV : edgeV * (tip - u) / (tip - edgeU);
    if (std::abs(v) > halfWidth)
        return kTransparent;
    if (std::abs(v) > halfWidth - 1.3)
        return kOutline;
    // One half of each point catches the light, the other lies in shade.
    const double along = u / tip;
    const int first = main ? kGoldFirst : kSteelFirst;
    return v < 0 ? shade(first, 0.95 - 0.25 * along) : shade(first, 0.45 - 0.25 * along);
}

IndexImage drawFrame(int frame)
{
    const double phase = frame / double(kFrames);
    // One point's turn over the whole clip, so the last frame leads back to the first.
    const double turn = phase * 2 * kPi / 8;
    const double coreRadius = 5.0 + 1.5 * std::sin(phase * 2 * kPi);
    IndexImage image(kSize, kSize);
    const double centre = kSize / 2.0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            std::array<int, 256> votes{};
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples - centre;
                    const double py = y + (sy + 0.5) / kSamples - centre;
                    ++votes[std::size_t(sampleColour(px, py, turn, coreRadius))];
                }
            const auto best = std::max_element(votes.begin(), votes.end());
            image.row(y)[x] = static_cast<std::uint8_t>(best - votes.begin());
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_about_clip OUTFILE\n");
        return 2;
    }
    std::vector<IndexImage> images;
    for (int frame = 0; frame < kFrames; ++frame)
        images.push_back(drawFrame(frame));
    const Bytes clip = buildPlainFlc(makePalette(), images, kFrameDelayMs);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (clip.empty() || !out) {
        std::fprintf(stderr, "make_about_clip: cannot write %s\n", argv[1]);
        if (out)
            std::fclose(out);
        return 1;
    }
    const bool written = std::fwrite(clip.data(), 1, clip.size(), out) == clip.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "make_about_clip: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
