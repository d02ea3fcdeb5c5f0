#pragma once

// True-colour renders of a walking spearman as a 3-D program would hand
// them to a unit maker: soft Lambert shading with a little texture, edges
// antialiased into alpha, a soft dark shadow pass on the ground under the
// figure, and a tunic and shield in a team key colour. Each pixel also
// says what it was drawn as, so tests know the class it must end in.

#include "formats/ExportPicture.h"
#include "tools/GeneratorSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kinetra::tools {

// What a pixel of a render was drawn as. Mixed: an edge where the figure
// blends with the shadow, the background or another of its parts.
enum class RenderPixelKind : std::uint8_t { Transparent, Shadow, Team, Ordinary, Mixed };

struct RenderFrame {
    ExportPicture picture;
    std::vector<RenderPixelKind> kinds;
};

// The key colour of the team parts (hue 226 degrees); no other part has a
// hue near it with any saturation.
inline constexpr std::uint32_t kRenderTeamKey = 0x2850FF;

namespace render_detail {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

struct Rgb {
    double r = 0, g = 0, b = 0;
};

// A sphere (from == to) or a capsule between two points of the model (y up,
// z towards the viewer when the figure faces south).
struct Part {
    Vec3 from;
    Vec3 to;
    double radius = 0;
    Rgb colour;
    bool team = false;
    double shine = 0; // specular strength
    double grain = 0; // texture noise, in colour levels
};

// A part seen from above at an angle, the figure turned to its direction.
struct ScreenPart {
    double x0, y0, depth0, x1, y1, depth1, radius;
    const Part* part;
};

inline Vec3 turned(const Vec3& v, double angle)
{
    return {v.x * std::cos(angle) + v.z * std::sin(angle), v.y, -v.x * std::sin(angle) + v.z * std::cos(angle)};
}

inline std::vector<Part> spearman(double phase)
{
    const double swing = 0.35 * std::sin(phase);
    const double lift = 0.06 * std::max(0.0, std::cos(phase));
    const double bob = 0.03 * std::abs(std::sin(phase));
    const Rgb leather{112, 72, 42}, boot{52, 36, 26}, skin{226, 172, 132}, steel{150, 156, 166},
        cloth{62, 122, 52}, wood{132, 92, 52}, gold{212, 170, 60};
    const Rgb key{double((kRenderTeamKey >> 16) & 0xFF), double((kRenderTeamKey >> 8) & 0xFF),
                  double(kRenderTeamKey & 0xFF)};
    std::vector<Part> parts;
    for (const double side : {-1.0, 1.0}) {
        const double step = side * swing;
        const Vec3 hip{side * 0.14, 0.95 + bob, 0};
        const Vec3 knee{side * 0.15, 0.5 + bob + (step > 0 ? lift : 0), step * 0.6 + 0.05};
        const Vec3 foot{side * 0.15, 0.08 + (step > 0 ? lift : 0), step};
        parts.push_back({hip, knee, 0.11, leather, false, 0.1, 8});
        parts.push_back({knee, foot, 0.09, leather, false, 0.1, 8});
        parts.push_back({foot, {foot.x, foot.y - 0.02, foot.z + 0.12}, 0.08, boot, false, 0.3, 4});
        const Vec3 shoulder{side * 0.3, 1.42 + bob, 0};
        const Vec3 hand{side * 0.36, 1.05 + bob, -step * 0.8 + (side > 0 ? 0.15 : 0.2)};
        parts.push_back({shoulder, hand, 0.075, side > 0 ? skin : cloth, false, 0.15, side > 0 ? 3.0 : 7.0});
    }
    parts.push_back({{0, 1.0 + bob, 0}, {0, 1.42 + bob, 0}, 0.25, key, true, 0, 0});     // tunic
    parts.push_back({{0, 0.98 + bob, 0}, {0, 0.98 + bob, 0}, 0.24, leather, false, 0.2, 6}); // belt
    parts.push_back({{0, 1.72 + bob, 0.02}, {0, 1.72 + bob, 0.02}, 0.16, skin, false, 0.2, 3}); // head
    parts.push_back({{0, 1.8 + bob, -0.02}, {0, 1.84 + bob, -0.02}, 0.15, steel, false, 0.9, 2}); // helmet
    const double shieldZ = 0.2 + 0.8 * swing;
    parts.push_back({{-0.4, 1.1 + bob, shieldZ}, {-0.4, 1.3 + bob, shieldZ}, 0.2, key, true, 0, 0}); // shield
    parts.push_back({{-0.42, 1.2 + bob, shieldZ + 0.18}, {-0.42, 1.2 + bob, shieldZ + 0.18}, 0.05, gold, false, 0.8, 2});
    const Vec3 grip{0.36, 1.05 + bob, -0.8 * swing + 0.15};
    parts.push_back({{grip.x, 0.35, grip.z - 0.1}, {grip.x, 2.15, grip.z + 0.15}, 0.03, wood, false, 0.2, 6});
    parts.push_back({{grip.x, 2.15, grip.z + 0.15}, {grip.x, 2.35, grip.z + 0.18}, 0.035, steel, false, 1.0, 2});
    return parts;
}

inline double smoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

inline std::uint32_t channelByte(double v)
{
    return std::uint32_t(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace render_detail

// Frame `frame` of `framesPerDirection` of direction `direction` (0-7, the
// game's order SW, S, SE, E, NE, N, NW, W), `size` × `size` pixels.
inline RenderFrame renderSpearman(int direction, int frame, int framesPerDirection, int size)
{
    using namespace render_detail;
    constexpr double kTilt = 0.5;           // radians the camera looks down
    const double angle = (direction - 1) * 0.7853981633974483;
    const double phase = 6.283185307179586 * frame / std::max(framesPerDirection, 1);
    const double scale = size * 0.34;
    const double originX = size * 0.5;
    const double originY = size * 0.86;
    const std::vector<Part> parts = spearman(phase);

    auto project = [&](const Vec3& model, double& x, double& y, double& depth) {
        const Vec3 v = turned(model, angle);
        x = originX + scale * v.x;
        y = originY - scale * (v.y * std::cos(kTilt) - v.z * std::sin(kTilt));
        depth = v.z * std::cos(kTilt) + v.y * std::sin(kTilt);
    };
    std::vector<ScreenPart> screen;
    for (const Part& part : parts) {
        ScreenPart s{};
        project(part.from, s.x0, s.y0, s.depth0);
        project(part.to, s.x1, s.y1, s.depth1);
        s.radius = part.radius * scale;
        s.part = &part;
        screen.push_back(s);
    }
    // Light from the upper left, in front.
    const double lightLength = std::sqrt(0.45 * 0.45 + 0.7 * 0.7 + 0.55 * 0.55);
    const Vec3 light{-0.45 / lightLength, 0.7 / lightLength, 0.55 / lightLength};

    RenderFrame out;
    out.picture.width = size;
    out.picture.height = size;
    out.picture.pixels.assign(std::size_t(size) * std::size_t(size), 0);
    out.kinds.assign(out.picture.pixels.size(), RenderPixelKind::Transparent);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            const double cx = px + 0.5;
            const double cy = py + 0.5;
            // The frontmost part here and the one behind it, by coverage.
            double bestDepth = -1e9, nextDepth = -1e9;
            double cover = 0, nextCover = 0;
            Rgb colour, nextColour;
            const Part* front = nullptr;
            for (const ScreenPart& s : screen) {
                const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
                const double length2 = dx * dx + dy * dy;
                const double u = length2 > 0 ? std::clamp(((cx - s.x0) * dx + (cy - s.y0) * dy) / length2, 0.0, 1.0) : 0;
                const double ox = cx - (s.x0 + u * dx), oy = cy - (s.y0 + u * dy);
                const double rho = std::sqrt(ox * ox + oy * oy);
                const double coverage = std::clamp(s.radius - rho + 0.5, 0.0, 1.0);
                if (coverage <= 0)
                    continue;
                const double rim = std::min(rho, s.radius);
                const double height = std::sqrt(s.radius * s.radius - rim * rim);
                const double depth = s.depth0 + u * (s.depth1 - s.depth0) + height / scale;
                const Vec3 normal{ox / s.radius, -oy / s.radius, height / s.radius};
                const double lambert = std::max(0.0, normal.x * light.x + normal.y * light.y + normal.z * light.z);
                const double shade = 0.28 + 0.72 * lambert;
                const double grain = s.part->grain * ((hash(std::uint32_t(px * 7919 + py * 104729)) & 0xFF) / 255.0 - 0.5);
                const double specular = s.part->shine * 180 * std::pow(std::max(0.0, 2 * lambert * normal.z - light.z), 12);
                Rgb c;
                if (s.part->team) {
                    // Shading scales the key, so its hue stays.
                    const double lit = shade * (1 + 0.04 * grain);
                    c = {s.part->colour.r * lit, s.part->colour.g * lit, s.part->colour.b * lit};
                } else {
                    c = {s.part->colour.r * shade + grain + specular, s.part->colour.g * shade + grain + specular,
                         s.part->colour.b * shade + grain + specular};
                }
                if (depth > bestDepth) {
                    nextDepth = bestDepth;
                    nextCover = cover;
                    nextColour = colour;
                    bestDepth = depth;
                    cover = coverage;
                    colour = c;
                    front = s.part;
                } else if (depth > nextDepth) {
                    nextDepth = depth;
                    nextCover = coverage;
                    nextColour = c;
                }
            }
            // The ground shadow, cast to the lower right, and the feet's.
            const double sx = (cx - (originX + 0.3 * scale)) / (0.75 * scale);
            const double sy = (cy - (originY + 0.02 * scale)) / (0.24 * scale);
            const double shadowAlpha = std::floor(150 * (1 - smoothStep(0.55, 1.0, std::sqrt(sx * sx + sy * sy))));

            const double figureBehind = std::min(nextCover, 1 - cover);
            Rgb figure = colour;
            double figureAlpha = cover;
            if (figureBehind > 0) {
                figureAlpha = cover + figureBehind;
                figure = {(colour.r * cover + nextColour.r * figureBehind) / figureAlpha,
                          (colour.g * cover + nextColour.g * figureBehind) / figureAlpha,
                          (colour.b * cover + nextColour.b * figureBehind) / figureAlpha};
            }
            const std::size_t at = std::size_t(py) * std::size_t(size) + std::size_t(px);
            const double shadow = shadowAlpha / 255;
            const double alpha = figureAlpha + shadow * (1 - figureAlpha);
            if (alpha <= 0)
                continue;
            const Rgb dark{8, 8, 16};
            const double w = shadow * (1 - figureAlpha);
            const Rgb mixed{(figure.r * figureAlpha + dark.r * w) / alpha, (figure.g * figureAlpha + dark.g * w) / alpha,
                            (figure.b * figureAlpha + dark.b * w) / alpha};
            const std::uint32_t alphaByte = channelByte(alpha * 255);
            if (alphaByte == 0)
                continue;
            out.picture.pixels[at] = (alphaByte << 24) | (channelByte(mixed.r) << 16) | (channelByte(mixed.g) << 8)
                                   | channelByte(mixed.b);
            if (figureAlpha == 0)
                out.kinds[at] = RenderPixelKind::Shadow;
            else if (cover >= 1)
                out.kinds[at] = front->team ? RenderPixelKind::Team : RenderPixelKind::Ordinary;
            else
                out.kinds[at] = RenderPixelKind::Mixed;
        }
    }
    return out;
}

} // namespace kinetra::tools
