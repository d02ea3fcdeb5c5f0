// make_samples OUTDIR: writes the bundled sample animations unit.flc (a
// game-format unit walking in eight directions) and plain.flc (a plain FLC
// of a bouncing ball). The output depends on nothing but this code.

#include "tools/GeneratorSupport.h"
#include "flc/FlcEncoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace kinetra;
using namespace kinetra::encoder;

namespace {

using kinetra::tools::writeFile;

constexpr double kPi = 3.14159265358979323846;

// Index classes of a game frame.
constexpr int kCivFirst = 0;
constexpr int kCivCount = 64;
constexpr int kLightFirst = 224;
constexpr int kShadowDarkest = 240;
constexpr int kTransparent = 255;

// Ordinary colours come in ramps of 16 shades, dark to light, from 64 on.
enum Ramp { kOutline, kSkin, kLeather, kSteel, kGold, kRed, kGrass, kSky, kCloth, kBone, kRampCount };
constexpr int kRampLength = 16;
constexpr int rampIndex(Ramp ramp, int shade)
{
    return 64 + int(ramp) * kRampLength + std::clamp(shade, 0, kRampLength - 1);
}

std::uint8_t channel(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

Palette makePalette()
{
    Palette p{};
    for (int i = 0; i < kCivCount; ++i) {
        const double t = i / double(kCivCount - 1);
        p[std::size_t(kCivFirst + i)] = PaletteEntry::fromRgb(channel(12 + 120 * t), channel(20 + 170 * t), channel(60 + 195 * t));
    }
    // Each ramp runs from a dark to a light version of its colour.
    const std::array<std::array<double, 6>, kRampCount> ramps{{
        {10, 10, 14, 70, 66, 60},        // outline
        {110, 60, 40, 250, 205, 170},    // skin
        {50, 28, 12, 190, 130, 70},      // leather
        {40, 44, 52, 225, 230, 240},     // steel
        {90, 60, 0, 255, 225, 90},       // gold
        {70, 0, 0, 255, 110, 90},        // red
        {20, 50, 10, 130, 200, 80},      // grass
        {60, 110, 180, 200, 230, 255},   // sky
        {90, 80, 60, 240, 230, 200},     // cloth
        {120, 115, 100, 255, 252, 240},  // bone
    }};
    for (int r = 0; r < kRampCount; ++r) {
        const auto& c = ramps[std::size_t(r)];
        for (int s = 0; s < kRampLength; ++s) {
            const double t = s / double(kRampLength - 1);
            p[std::size_t(rampIndex(Ramp(r), s))] = PaletteEntry::fromRgb(
                channel(c[0] + (c[3] - c[0]) * t), channel(c[1] + (c[4] - c[1]) * t), channel(c[2] + (c[5] - c[2]) * t));
        }
    }
    for (int i = 224; i < 255; ++i) {
        const auto grey = static_cast<std::uint8_t>((i - 224) * 8);
        p[std::size_t(i)] = PaletteEntry::fromRgb(grey, grey, grey);
    }
    p[kTransparent] = PaletteEntry::fromRgb(255, 0, 255);
    return p;
}

// The few drawing operations the figures need, clipped to the image.
class Canvas {
public:
    explicit Canvas(IndexImage& image) : m_image(image) {}

    void plot(int x, int y, int index)
    {
        if (x >= 0 && y >= 0 && x < m_image.width && y < m_image.height)
            m_image.row(y)[x] = static_cast<std::uint8_t>(index);
    }
    int get(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_image.width || y >= m_image.height)
            return kTransparent;
        return m_image.at(x, y);
    }

    // `shade` maps the position inside the ellipse (-1..1 each way) to an
    // index, or to -1 to leave the pixel alone.
    void ellipse(double cx, double cy, double rx, double ry, const std::function<int(double, double)>& shade)
    {
        for (int y = int(std::floor(cy - ry)); y <= int(std::ceil(cy + ry)); ++y) {
            for (int x = int(std::floor(cx - rx)); x <= int(std::ceil(cx + rx)); ++x) {
                const double u = (x + 0.5 - cx) / rx;
                const double v = (y + 0.5 - cy) / ry;
                if (u * u + v * v > 1.0)
                    continue;
                const int index = shade(u, v);
                if (index >= 0)
                    plot(x, y, index);
            }
        }
    }

    void line(double x0, double y0, double x1, double y1, double radius, int index)
    {
        const double length = std::hypot(x1 - x0, y1 - y0);
        const int steps = std::max(1, int(length * 2));
        for (int i = 0; i <= steps; ++i) {
            const double t = i / double(steps);
            ellipse(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, radius, radius, [index](double, double) { return index; });
        }
    }

    // A dark rim around every solid pixel, drawn over transparency and
    // shadow alike so the figure stands out on any background.
    void outline(int index)
    {
        std::vector<std::pair<int, int>> rim;
        for (int y = 0; y < m_image.height; ++y) {
            for (int x = 0; x < m_image.width; ++x) {
                if (get(x, y) < kShadowDarkest)
                    continue; // solid, or a light pixel that must stay
                const bool touches = get(x - 1, y) < kLightFirst || get(x + 1, y) < kLightFirst
                    || get(x, y - 1) < kLightFirst || get(x, y + 1) < kLightFirst;
                if (touches)
                    rim.emplace_back(x, y);
            }
        }
        for (auto [x, y] : rim)
            plot(x, y, index);
    }

private:
    IndexImage& m_image;
};

// Light falls from the upper left; u, v run -1..1 across a shape.
int litShade(double u, double v, int levels)
{
    const double light = 0.55 - 0.35 * u - 0.3 * v;
    return std::clamp(int(light * levels), 0, levels - 1);
}

// --- the unit -----------------------------------------------------------

constexpr int kUnitSize = 100;
constexpr int kUnitFrames = 10;
// Screen headings of the directions in the game's order SW, S, SE, E, NE,
// N, NW, W; y grows toward the viewer.
constexpr std::array<double, 8> kHeadingDegrees{135, 90, 45, 0, -45, -90, -135, 180};

struct Vec {
    double x = 0, y = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(Vec a, double k) { return {a.x * k, a.y * k}; }

// Ground positions are squashed to half height on screen; z rises up.
struct Projection {
    double cx = kUnitSize / 2.0;
    double cy = 80;
    double sx(Vec g) const { return cx + g.x; }
    double sy(Vec g, double z) const { return cy + g.y * 0.5 - z; }
};

IndexImage drawUnit(double headingDegrees, int frame)
{
    IndexImage image(kUnitSize, kUnitSize);
    std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(kTransparent));
    Canvas c(image);
    const Projection pr;

    const double a = headingDegrees * kPi / 180.0;
    const Vec fwd{std::cos(a), std::sin(a)};
    const Vec right{-fwd.y, fwd.x};
    const double phase = 2 * kPi * frame / kUnitFrames;
    const double swing = std::sin(phase);
    const double bob = std::fabs(std::cos(phase)) * 1.5;

    // The ground shadow, darkest under the feet.
    c.ellipse(pr.cx, pr.cy, 22, 8, [](double u, double v) {
        const double d = u * u + v * v;
        return 255 - int(std::lround(3 + 7 * (1 - d)));
    });

    // Body parts are painted far to near: a larger ground y is nearer.
    struct Part {
        double depth;
        std::function<void()> draw;
    };
    std::vector<Part> parts;
    const double hipZ = 22 + bob;
    const double shoulderZ = 38 + bob;
    const double headZ = 47 + bob;

    for (int side : {-1, 1}) {
        const Vec hip = right * (4.0 * side);
        const Vec foot = hip + fwd * (7.0 * swing * side);
        parts.push_back({hip.y + foot.y, [=, &c] {
                             c.line(pr.sx(hip), pr.sy(hip, hipZ), pr.sx(foot), pr.sy(foot, 3), 2.2, rampIndex(kLeather, 6 + side));
                             c.ellipse(pr.sx(foot + fwd * 1.5), pr.sy(foot + fwd * 1.5, 1.5), 3, 2,
                                 [](double u, double v) { return rampIndex(kLeather, 2 + litShade(u, v, 4)); });
                         }});
    }

    // Torso: a tunic in the civilization colours over a leather belt.
    parts.push_back({0, [=, &c] {
                         c.ellipse(pr.sx({}), pr.sy({}, (hipZ + shoulderZ) / 2), 8.5, 10,
                             [](double u, double v) { return kCivFirst + 8 + litShade(u, v, 52); });
                         c.line(pr.sx(right * -7), pr.sy(right * -7, hipZ + 1), pr.sx(right * 7), pr.sy(right * 7, hipZ + 1), 1.3,
                             rampIndex(kLeather, 4));
                         c.plot(int(pr.sx(fwd * 3)), int(pr.sy(fwd * 3, hipZ + 1)), rampIndex(kGold, 12));
                     }});

    // The head with its helmet; eyes only on the side turned to the viewer.
    parts.push_back({0.1, [=, &c] {
                         c.ellipse(pr.sx({}), pr.sy({}, headZ), 6, 6.5,
                             [](double u, double v) { return rampIndex(kSkin, 4 + litShade(u, v, 10)); });
                         c.ellipse(pr.sx(fwd * -0.8), pr.sy(fwd * -0.8, headZ + 3), 6.8, 4.5, [](double u, double v) {
                             return v > 0.55 ? -1 : rampIndex(kSteel, 3 + litShade(u, v, 11));
                         });
                         for (int side : {-1, 1}) {
                             const Vec eye = fwd * 4.5 + right * (2.3 * side);
                             if (eye.y >= -1.0)
                                 c.plot(int(pr.sx(eye)), int(pr.sy(eye, headZ)), rampIndex(kOutline, 0));
                         }
                         c.plot(int(pr.sx(fwd * -2)), int(pr.sy(fwd * -2, headZ + 6)), kLightFirst + 10);
                     }});

    // Arms swing against the legs; the right hand holds a spear, the left
    // a banner pole on the back.
    for (int side : {-1, 1}) {
        const Vec shoulder = right * (8.0 * side);
        const Vec hand = shoulder + fwd * (-5.0 * swing * side) + right * (1.0 * side);
        const double handZ = shoulderZ - 13;
        parts.push_back({shoulder.y + 0.2, [=, &c] {
                             c.line(pr.sx(shoulder), pr.sy(shoulder, shoulderZ), pr.sx(hand), pr.sy(hand, handZ), 2.0,
                                 rampIndex(kSkin, 8 + side));
                             if (side == 1) {
                                 const Vec butt = hand + fwd * -6;
                                 const Vec tip = hand + fwd * 10;
                                 c.line(pr.sx(butt), pr.sy(butt, handZ - 14), pr.sx(tip), pr.sy(tip, handZ + 30), 0.8,
                                     rampIndex(kLeather, 9));
                                 c.line(pr.sx(tip), pr.sy(tip, handZ + 30), pr.sx(tip + fwd * 1.5), pr.sy(tip + fwd * 1.5, handZ + 36), 1.3,
                                     rampIndex(kSteel, 12));
                                 const int gx = int(pr.sx(tip + fwd * 1.5));
                                 const int gy = int(pr.sy(tip + fwd * 1.5, handZ + 36));
                                 c.plot(gx, gy, kLightFirst + 15);
                                 c.plot(gx, gy + 1, kLightFirst + 12);
                             }
                         }});
    }

    const Vec pole = fwd * -5 + right * -3;
    parts.push_back({pole.y, [=, &c] {
                         const double top = shoulderZ + 30;
                         c.line(pr.sx(pole), pr.sy(pole, hipZ), pr.sx(pole), pr.sy(pole, top), 0.8, rampIndex(kLeather, 5));
                         c.ellipse(pr.sx(pole), pr.sy(pole, top + 1), 1.6, 1.6, [](double, double) { return rampIndex(kGold, 13); });
                         // The flag streams behind the bearer and ripples as he walks.
                         for (int i = 0; i <= 14; ++i) {
                             const Vec at = pole + fwd * (-1.0 * i);
                             const double wave = 1.8 * std::sin(phase + i * 0.45) * (i / 14.0);
                             const double x = pr.sx(at);
                             const double y0 = pr.sy(at, top - 1) + wave;
                             for (int k = 0; k < 10; ++k) {
                                 const int shade = 20 + int(30 * (0.5 + 0.5 * std::sin(phase + i * 0.45 + 1.2))) - k;
                                 c.plot(int(x), int(y0 + k), kCivFirst + std::clamp(shade, 0, kCivCount - 1));
                                 c.plot(int(x) + 1, int(y0 + k), kCivFirst + std::clamp(shade - 4, 0, kCivCount - 1));
                             }
                         }
                     }});

    std::stable_sort(parts.begin(), parts.end(), [](const Part& l, const Part& r) { return l.depth < r.depth; });
    for (const Part& part : parts)
        part.draw();
    c.outline(rampIndex(kOutline, 1));
    return image;
}

GameAnimation makeUnit()
{
    GameAnimation unit;
    unit.width = kUnitSize;
    unit.height = kUnitSize;
    unit.directions = 8;
    unit.framesPerDirection = kUnitFrames;
    unit.speed = 70;
    unit.leftOffset = 70;
    unit.topOffset = 70;
    unit.palette = makePalette();
    for (double heading : kHeadingDegrees)
        for (int f = 0; f < kUnitFrames; ++f)
            unit.images.push_back(drawUnit(heading, f));
    return unit;
}

// --- the plain animation ------------------------------------------------

constexpr int kPlainWidth = 64;
constexpr int kPlainHeight = 48;
constexpr int kPlainFrames = 12;
constexpr int kGroundY = 38;

IndexImage drawBall(int frame, const IndexImage& backdrop)
{
    IndexImage image = backdrop;
    Canvas c(image);
    const double t = frame / double(kPlainFrames);
    const double x = 12 + 40 * (0.5 - 0.5 * std::cos(2 * kPi * t));
    const double height = 24 * std::fabs(std::sin(2 * kPi * t));
    const double radius = 6;
    // The shadow shrinks as the ball rises.
    const double shadowRadius = 6 - height / 8;
    c.ellipse(x, kGroundY + 2, shadowRadius, shadowRadius / 3, [](double, double) { return rampIndex(kGrass, 2); });
    c.ellipse(x, kGroundY - radius - height, radius, radius,
        [](double u, double v) { return rampIndex(kRed, 2 + litShade(u, v, 14)); });
    return image;
}

std::vector<IndexImage> makeBall()
{
    IndexImage backdrop(kPlainWidth, kPlainHeight);
    std::mt19937 random(20240601u);
    for (int y = 0; y < kPlainHeight; ++y) {
        for (int x = 0; x < kPlainWidth; ++x) {
            int index = 0;
            if (y < kGroundY)
                index = rampIndex(kSky, 15 - y * 10 / kGroundY);
            else
                index = rampIndex(kGrass, 8 + int(random() % 4) - (y - kGroundY) / 3);
            backdrop.row(y)[x] = static_cast<std::uint8_t>(index);
        }
    }
    std::vector<IndexImage> images;
    for (int f = 0; f < kPlainFrames; ++f)
        images.push_back(drawBall(f, backdrop));
    return images;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTDIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);

    const Bytes unit = buildGameAnimation(makeUnit());
    const Bytes plain = buildPlainFlc(makePalette(), makeBall(), 80);
    if (!writeFile(dir / "unit.flc", unit) || !writeFile(dir / "plain.flc", plain)) {
        std::fprintf(stderr, "make_samples: cannot write into %s\n", dir.string().c_str());
        return 1;
    }
    std::printf("wrote %s (%zu bytes) and %s (%zu bytes)\n", (dir / "unit.flc").string().c_str(), unit.size(),
        (dir / "plain.flc").string().c_str(), plain.size());
    return 0;
}
