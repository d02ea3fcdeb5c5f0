// make_bench_files UNIT.flc PLAIN.flc: writes the benchmarks' inputs, a game
// unit at the game's full 240 × 240 (8 directions × 15 frames) and a plain
// 640 × 480 animation of 300 frames. The output depends on nothing but this
// code, so two builds measured on their own copies read the same bytes.

#include "tools/GeneratorSupport.h"
#include "flc/FlcEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

using namespace kinetra;
using namespace kinetra::encoder;

namespace {

using kinetra::tools::hash;
using kinetra::tools::writeFile;

constexpr double kPi = 3.14159265358979323846;

// Index classes of a game frame.
constexpr int kLightFirst = 224;
constexpr int kShadowFirst = 240;
constexpr int kTransparent = 255;

constexpr int kUnitSize = 240;
constexpr int kDirections = 8;
constexpr int kFramesPerDirection = 15;

constexpr int kPlainWidth = 640;
constexpr int kPlainHeight = 480;
constexpr int kPlainFrames = 300;

// Every index a colour of its own, so the transparent key matches index 255
// only.
Palette makePalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i * 3), std::uint8_t(255 - i));
    return palette;
}

// `indexAt` maps the distance from the centre, 0 in the middle to 1 on the
// rim, to the index painted there.
template <class IndexAt>
void fillEllipse(IndexImage& image, double cx, double cy, double rx, double ry, IndexAt indexAt)
{
    const int top = std::max(0, int(std::floor(cy - ry)));
    const int bottom = std::min(image.height - 1, int(std::ceil(cy + ry)));
    const int left = std::max(0, int(std::floor(cx - rx)));
    const int right = std::min(image.width - 1, int(std::ceil(cx + rx)));
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const double d = std::hypot((x + 0.5 - cx) / rx, (y + 0.5 - cy) / ry);
            if (d <= 1.0)
                image.row(y)[x] = std::uint8_t(indexAt(d));
        }
    }
}

// `count` indices from `first`, the lightest in the middle of a shape.
auto ramp(int first, int count)
{
    return [first, count](double d) { return first + std::min(count - 1, int(d * count)); };
}

// A figure walking on the spot: legs and arm swing, the body bobs, the
// spear's tip glows, a shadow lies under the feet. The first frame of the
// first direction is a burst of shadow and light over the whole picture,
// so a tick on it blends every pixel.
IndexImage drawUnitFrame(int direction, int frame)
{
    IndexImage image(kUnitSize, kUnitSize);
    std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(kTransparent));

    const double heading = 2 * kPi * direction / kDirections;
    const double swing = std::sin(2 * kPi * frame / kFramesPerDirection);
    const double bob = 4 * std::fabs(std::cos(2 * kPi * frame / kFramesPerDirection));
    const double cx = 120 + 20 * std::cos(heading) * swing;
    const double cy = 140 - bob;

    if (direction == 0 && frame == 0) {
        fillEllipse(image, 120, 120, 180, 180, [](double d) {
            return d < 0.35 ? kLightFirst + int(15 * (1 - d / 0.35)) : kShadowFirst + int(14 * (d - 0.35) / 0.65);
        });
    }
    fillEllipse(image, cx, 200, 60, 20, [](double d) { return kTransparent - 1 - int(14 * d); });
    for (int side : {-1, 1})
        fillEllipse(image, cx + 14 * side + 12 * swing * side * std::cos(heading), cy + 35, 10, 28, ramp(64, 16));
    fillEllipse(image, cx, cy - 15, 32, 42, ramp(96, 32));
    fillEllipse(image, cx + 6 * std::cos(heading), cy - 72, 17, 17, ramp(160, 16));

    const double tipX = cx + 50 * std::cos(heading + 0.4 * swing);
    const double tipY = cy - 50 - 20 * swing;
    fillEllipse(image, tipX, tipY, 24, 24, ramp(kLightFirst, 16));
    for (int i = 0; i <= 40; ++i) {
        const double t = i / 40.0;
        fillEllipse(image, cx + (tipX - cx) * t, cy + (tipY - cy) * t, 3, 3, ramp(192, 32));
    }
    return image;
}

GameAnimation makeUnit()
{
    GameAnimation unit;
    unit.width = kUnitSize;
    unit.height = kUnitSize;
    unit.directions = kDirections;
    unit.framesPerDirection = kFramesPerDirection;
    unit.palette = makePalette();
    for (int direction = 0; direction < kDirections; ++direction) {
        for (int frame = 0; frame < kFramesPerDirection; ++frame)
            unit.images.push_back(drawUnitFrame(direction, frame));
    }
    return unit;
}

// A position bouncing between 0 and `span`.
int bounce(int start, int step, int frame, int span)
{
    const int travelled = (start + step * frame) % (2 * span);
    return travelled < span ? travelled : 2 * span - travelled;
}

// A tiled backdrop with scattered noise that stays put, shapes that move
// across it, and a patch of fresh noise every frame, so BYTE_RUN meets both
// runs and literals and DELTA_FLC has skips, runs and copies to do.
IndexImage drawPlainFrame(int frame)
{
    IndexImage image(kPlainWidth, kPlainHeight);
    for (int y = 0; y < kPlainHeight; ++y) {
        std::uint8_t* row = image.row(y);
        for (int x = 0; x < kPlainWidth; ++x) {
            const std::uint32_t noise = hash(std::uint32_t(y * kPlainWidth + x));
            row[x] = noise % 40 == 0 ? std::uint8_t(noise >> 8)
                                     : std::uint8_t(64 + ((x / 32) * 7 + (y / 32) * 13) % 160);
        }
    }
    for (int i = 0; i < 6; ++i) {
        const int r = 20 + 8 * i;
        const int x = r + bounce(37 * i, 5 + i, frame, kPlainWidth - 2 * r);
        const int y = r + bounce(91 * i, 3 + i, frame, kPlainHeight - 2 * r);
        fillEllipse(image, x, y, r, r, [i](double) { return i * 10; });
    }
    for (int i = 0; i < 3; ++i) {
        const int left = bounce(150 * i, 7, frame, kPlainWidth - 90);
        for (int y = 40 + 140 * i; y < 90 + 140 * i; ++y)
            std::fill_n(image.row(y) + left, 90, std::uint8_t(224 + i * 8));
    }
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            image.row(400 + y)[560 + x] = std::uint8_t(hash(std::uint32_t(frame * 4096 + y * 64 + x)));
    }
    return image;
}

std::vector<IndexImage> makePlain()
{
    std::vector<IndexImage> images;
    images.reserve(kPlainFrames);
    for (int frame = 0; frame < kPlainFrames; ++frame)
        images.push_back(drawPlainFrame(frame));
    return images;
}

bool writeInto(const std::filesystem::path& path, const Bytes& bytes)
{
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    return writeFile(path, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_bench_files UNIT.flc PLAIN.flc\n");
        return 2;
    }
    if (!writeInto(argv[1], buildGameAnimation(makeUnit()))) {
        std::fprintf(stderr, "make_bench_files: cannot write %s\n", argv[1]);
        return 1;
    }
    if (!writeInto(argv[2], buildPlainFlc(makePalette(), makePlain(), 70))) {
        std::fprintf(stderr, "make_bench_files: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
