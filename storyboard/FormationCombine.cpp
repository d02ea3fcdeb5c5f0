#include "storyboard/FormationCombine.h"

#include "storyboard/FrameSeries.h"
#include "storyboard/Storyboard.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kinetra {

namespace {

constexpr std::uint8_t kTransparent = 255;
constexpr std::uint8_t kFirstShadow = 240;

struct Facing {
    double cosine = 1;
    double sine = 0;
};

// The library's sine of 90 degrees is 6e-17 off zero, which would tip a
// place of half a pixel to either side.
Facing facingOf(int angle)
{
    constexpr double kHalfRoot = 0.70710678118654752440;
    constexpr Facing kCompass[] = {{1, 0},  {kHalfRoot, kHalfRoot},   {0, 1},  {-kHalfRoot, kHalfRoot},
                                   {-1, 0}, {-kHalfRoot, -kHalfRoot}, {0, -1}, {kHalfRoot, -kHalfRoot}};
    const int turned = (angle % 360 + 360) % 360;
    if (turned % 45 == 0)
        return kCompass[turned / 45];
    constexpr double kPi = 3.14159265358979323846;
    return {std::cos(turned * kPi / 180), std::sin(turned * kPi / 180)};
}

int euclideanMod(std::int64_t value, int count)
{
    const std::int64_t rest = value % count;
    return int(rest < 0 ? rest + count : rest);
}

bool isVisible(std::uint8_t index) { return index != kTransparent; }

// The figure's frame with its top-left corner at `at`: its shadow pixels
// into `shadows`, the darker kept, the rest into `figures`, over what lies
// there; returns how many visible pixels fell outside the picture.
std::uint64_t drawFigure(const IndexImage& frame, ScreenOffset at, IndexImage& figures, IndexImage& shadows)
{
    const int firstInside = std::clamp(-at.x, 0, frame.width);
    const int endInside = std::clamp(figures.width - at.x, firstInside, frame.width);
    std::uint64_t cut = 0;
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* from = frame.pixels.data() + std::size_t(y) * std::size_t(frame.width);
        const int row = at.y + y;
        if (row < 0 || row >= figures.height) {
            cut += std::uint64_t(std::count_if(from, from + frame.width, isVisible));
            continue;
        }
        cut += std::uint64_t(std::count_if(from, from + firstInside, isVisible));
        cut += std::uint64_t(std::count_if(from + endInside, from + frame.width, isVisible));
        std::uint8_t* figureRow = figures.row(row);
        std::uint8_t* shadowRow = shadows.row(row);
        for (int x = firstInside; x < endInside;) {
            if (endInside - x >= 8 && eightTransparent(from + x)) {
                x += 8;
                continue;
            }
            const std::uint8_t pixel = from[x];
            std::uint8_t& shadow = shadowRow[at.x + x];
            if (pixel >= kFirstShadow)
                shadow = std::min(shadow, pixel);
            else
                figureRow[at.x + x] = pixel;
            ++x;
        }
    }
    return cut;
}

} // namespace

int facingAngle(int direction, int directions)
{
    return directions == int(kUnitDirectionAngles.size()) ? kUnitDirectionAngles[std::size_t(direction)]
                                                          : kSingleDirectionAngle;
}

ScreenOffset screenOffsetOf(int forward, int right, int angle)
{
    const Facing facing = facingOf(angle);
    const double groundX = forward * facing.cosine - right * facing.sine;
    const double groundY = forward * facing.sine + right * facing.cosine;
    return {int(std::lround(groundX)), int(std::lround(groundY / 2))};
}

CombinedFrames combineFigures(const std::vector<PlacedFigure>& figures, int directions, int framesPerDirection)
{
    CombinedFrames combined;
    combined.frames.reserve(std::size_t(directions) * std::size_t(framesPerDirection));
    std::vector<ScreenOffset> offsets(figures.size());
    std::vector<std::size_t> depthOrder(figures.size());
    IndexImage shadows(kUnitPictureSize, kUnitPictureSize);
    for (int direction = 0; direction < directions; ++direction) {
        const int angle = facingAngle(direction, directions);
        for (std::size_t f = 0; f < figures.size(); ++f)
            offsets[f] = screenOffsetOf(figures[f].forward, figures[f].right, angle);
        std::iota(depthOrder.begin(), depthOrder.end(), std::size_t(0));
        std::ranges::stable_sort(depthOrder, {}, [&offsets](std::size_t f) { return offsets[f].y; });

        for (int i = 0; i < framesPerDirection; ++i) {
            const auto frameOf = [&](std::size_t f) -> const IndexImage& {
                const FigureUnit& unit = *figures[f].unit;
                const int own = euclideanMod(std::int64_t(i) + figures[f].frameOffset, unit.framesPerDirection);
                return unit.frames[std::size_t(direction * unit.framesPerDirection + own)];
            };
            const auto placeOf = [&](std::size_t f) {
                const FigureUnit& unit = *figures[f].unit;
                return ScreenOffset{unit.leftOffset + offsets[f].x, unit.topOffset + offsets[f].y};
            };
            // Figures and shadows apart, so that a figure's pixel covers
            // any shadow, whichever figure's, and shadows keep the darker.
            IndexImage& picture = combined.frames.emplace_back(kUnitPictureSize, kUnitPictureSize);
            std::ranges::fill(picture.pixels, kTransparent);
            std::ranges::fill(shadows.pixels, kTransparent);
            for (const std::size_t f : depthOrder)
                combined.cutPixels += drawFigure(frameOf(f), placeOf(f), picture, shadows);
            std::ranges::transform(picture.pixels, shadows.pixels, picture.pixels.begin(),
                                   [](std::uint8_t figure, std::uint8_t shadow) {
                                       return figure == kTransparent ? shadow : figure;
                                   });
        }
    }
    return combined;
}

} // namespace kinetra
