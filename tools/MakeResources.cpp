// make_resources OUTDIR: writes the files the program carries inside itself,
// OUTDIR/tiles/Sea.pcx and OUTDIR/tiles/Land.pcx (the 240 × 240 backgrounds)
// and OUTDIR/palettes/ntp00.pcx … ntp31.pcx (the civilization colourings).
// The output depends on nothing but this code.

#include "tools/GeneratorSupport.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "palette/CivPalettes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

using namespace kinetra;

namespace {

using kinetra::tools::hash;
using kinetra::tools::writeFile;

using Bytes = std::vector<std::uint8_t>;

constexpr double kPi = 3.14159265358979323846;
constexpr int kTileSize = 240;

// --- PCX writing ------------------------------------------------------------

constexpr std::size_t kPcxHeaderSize = 128;
constexpr std::uint8_t kPaletteMarker = 0x0C;

void putU16(Bytes& bytes, std::size_t at, int value)
{
    bytes[at] = std::uint8_t(value & 0xFF);
    bytes[at + 1] = std::uint8_t((value >> 8) & 0xFF);
}

// Version 5, run-length encoded, 8 bits per pixel, one plane.
Bytes pcxHeader(int width, int height, int bytesPerLine)
{
    Bytes header(kPcxHeaderSize, 0);
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = 1;
    header[3] = 8;
    putU16(header, 8, width - 1);
    putU16(header, 10, height - 1);
    putU16(header, 12, 72);
    putU16(header, 14, 72);
    header[65] = 1;
    putU16(header, 66, bytesPerLine);
    putU16(header, 68, 1); // colour palette
    return header;
}

// Runs of up to 63; a single byte below 0xC0 stands for itself.
void encodeLine(std::span<const std::uint8_t> line, Bytes& out)
{
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == line[i])
            ++run;
        if (run > 1 || line[i] >= 0xC0)
            out.push_back(std::uint8_t(0xC0 | run));
        out.push_back(line[i]);
        i += run;
    }
}

void appendPalette(Bytes& file, const Palette& palette)
{
    file.push_back(kPaletteMarker);
    for (const PaletteEntry& entry : palette) {
        file.push_back(entry.red);
        file.push_back(entry.green);
        file.push_back(entry.blue);
    }
}

Bytes tilePcx(const IndexImage& image, const Palette& palette)
{
    Bytes file = pcxHeader(image.width, image.height, image.width);
    for (int y = 0; y < image.height; ++y)
        encodeLine(std::span(image.pixels).subspan(std::size_t(y) * std::size_t(image.width), std::size_t(image.width)), file);
    appendPalette(file, palette);
    return file;
}

// --- colour helpers ---------------------------------------------------------

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

std::uint8_t channel(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

PaletteEntry entry(Rgb c)
{
    return PaletteEntry::fromRgb(channel(c.r), channel(c.g), channel(c.b));
}

// Fills palette[first .. first + count) with a gradient through `stops`.
void fillRamp(Palette& palette, int first, int count, std::span<const Rgb> stops)
{
    for (int i = 0; i < count; ++i) {
        const double t = count > 1 ? i / double(count - 1) : 0.0;
        const double at = t * double(stops.size() - 1);
        const std::size_t k = std::min(std::size_t(at), stops.size() - 2);
        palette[std::size_t(first + i)] = entry(mix(stops[k], stops[k + 1], at - double(k)));
    }
}

// --- noise that wraps around the tile, so the tiles also repeat seamlessly --

double lattice(int x, int y, int period, std::uint32_t seed)
{
    const auto wx = std::uint32_t((x % period + period) % period);
    const auto wy = std::uint32_t((y % period + period) % period);
    return (hash(wx * 73856093u ^ wy * 19349663u ^ seed * 83492791u) & 0xFFFF) / 65535.0;
}

double smooth(double t)
{
    return t * t * (3 - 2 * t);
}

// Value noise in 0..1 on a grid of `cells` cells across the tile.
double valueNoise(double x, double y, int cells, std::uint32_t seed)
{
    const double scale = double(cells) / kTileSize;
    const double fx = x * scale;
    const double fy = y * scale;
    const int ix = int(std::floor(fx));
    const int iy = int(std::floor(fy));
    const double tx = smooth(fx - ix);
    const double ty = smooth(fy - iy);
    const double top = lattice(ix, iy, cells, seed) + (lattice(ix + 1, iy, cells, seed) - lattice(ix, iy, cells, seed)) * tx;
    const double bottom =
        lattice(ix, iy + 1, cells, seed) + (lattice(ix + 1, iy + 1, cells, seed) - lattice(ix, iy + 1, cells, seed)) * tx;
    return top + (bottom - top) * ty;
}

// Octaves of value noise, each twice as fine and half as strong; 0..1.
double fractalNoise(double x, double y, int cells, int octaves, std::uint32_t seed)
{
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += valueNoise(x, y, cells << o, seed + std::uint32_t(o)) * weight;
        total += weight;
        weight *= 0.5;
    }
    return sum / total;
}

// A small ordered dither, so that smooth fields do not band in 8 bits.
double dither(int x, int y)
{
    static constexpr std::array<int, 16> kBayer{0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    return (kBayer[std::size_t((y & 3) * 4 + (x & 3))] + 0.5) / 16.0 - 0.5;
}

int rampIndex(double t, int first, int count, int x, int y)
{
    return first + std::clamp(int(std::floor(t * (count - 1) + 0.5 + dither(x, y) * 0.9)), 0, count - 1);
}

// --- the sea ------------------------------------------------------------------

// One ramp from deep water through light water to the foam on the crests.
constexpr int kSeaShades = 160;

Palette seaPalette()
{
    Palette palette{};
    constexpr std::array kWater{Rgb{20, 58, 104}, Rgb{32, 84, 136}, Rgb{50, 110, 160}, Rgb{80, 140, 184},
                                Rgb{128, 178, 210}, Rgb{176, 208, 226}};
    fillRamp(palette, 0, kSeaShades, kWater);
    for (int i = kSeaShades; i < 256; ++i)
        palette[std::size_t(i)] = palette[kSeaShades / 2];
    return palette;
}

IndexImage seaImage()
{
    IndexImage image(kTileSize, kTileSize);
    // Whole numbers of waves across the tile in both directions keep it
    // seamless; the noise bends the wave fronts so they do not look ruled.
    struct Wave {
        int kx, ky;
        double phase, weight;
    };
    constexpr std::array kWaves{
        Wave{2, 10, 0.0, 1.0},
        Wave{-2, 13, 1.7, 0.6},
        Wave{3, 19, 4.1, 0.35},
        Wave{-5, 27, 2.3, 0.25},
    };
    double waveTotal = 0;
    for (const Wave& w : kWaves)
        waveTotal += w.weight;

    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const double warp = (fractalNoise(x, y, 6, 3, 11) - 0.5) * 2.6;
            double wave = 0;
            for (const Wave& w : kWaves) {
                const double a = 2 * kPi * (w.kx * x + w.ky * y) / kTileSize + w.phase + warp;
                wave += w.weight * std::sin(a);
            }
            wave /= waveTotal; // -1..1
            // Broad patches of deeper and shallower water under the ripples.
            const double depth = fractalNoise(x, y, 4, 3, 29);
            const double level = 0.14 + 0.3 * depth + 0.18 * wave;
            // The highest crests catch the light in broken, soft streaks.
            const double crest = std::max(0.0, (wave - 0.55) / 0.45);
            const double glint = std::max(0.0, fractalNoise(x, y, 20, 2, 47) - 0.45) * 2;
            const double shade = std::clamp(level + 0.55 * crest * glint, 0.0, 1.0);
            image.row(y)[x] = std::uint8_t(rampIndex(shade, 0, kSeaShades, x, y));
        }
    }
    return image;
}

// --- the land -----------------------------------------------------------------

// Grass from shaded to sunlit, then bare earth from dark to dry.
constexpr int kGrassShades = 128;
constexpr int kEarthFirst = kGrassShades;
constexpr int kEarthShades = 96;

Palette landPalette()
{
    Palette palette{};
    constexpr std::array kGrass{Rgb{34, 62, 22}, Rgb{56, 92, 32}, Rgb{84, 122, 44}, Rgb{126, 152, 66}};
    fillRamp(palette, 0, kGrassShades, kGrass);
    constexpr std::array kEarth{Rgb{72, 56, 36}, Rgb{108, 86, 56}, Rgb{142, 118, 82}};
    fillRamp(palette, kEarthFirst, kEarthShades, kEarth);
    for (int i = kEarthFirst + kEarthShades; i < 256; ++i)
        palette[std::size_t(i)] = palette[kGrassShades / 2];
    return palette;
}

IndexImage landImage()
{
    IndexImage image(kTileSize, kTileSize);
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            // Blades: fine noise stretched upright; tufts: a coarser layer.
            const double blades = valueNoise(x, y * 0.3, 120, 5);
            const double tufts = fractalNoise(x, y, 24, 2, 9);
            const double meadow = fractalNoise(x, y, 5, 3, 17);
            const double grass =
                std::clamp(0.18 + 0.45 * meadow + 0.3 * (blades - 0.5) + 0.3 * (tufts - 0.5) + 0.1, 0.0, 1.0);
            // Worn patches of earth where a broad field dips low; their
            // edges fray into the grass.
            const double ground = fractalNoise(x, y, 4, 4, 71);
            const double grit = fractalNoise(x, y, 60, 2, 91);
            const double bare = (0.37 - ground) / 0.06 + (grit - 0.5) * 1.5 - (blades - 0.5) * 1.5;
            int index = rampIndex(grass, 0, kGrassShades, x, y);
            if (bare > 0.5) {
                const double soil = std::clamp(0.3 + 0.3 * (ground - 0.3) * 4 + 0.6 * (grit - 0.5), 0.0, 1.0);
                index = rampIndex(soil, kEarthFirst, kEarthShades, x, y);
            }
            image.row(y)[x] = std::uint8_t(index);
        }
    }
    return image;
}

// --- the civilization palettes ------------------------------------------------

constexpr int kCivRampLength = 64;
// The civilization's own colour sits at this entry; below it the ramp
// darkens, above it it lightens toward a pale tint that keeps the hue.
constexpr int kCivColorEntry = 6;
constexpr double kDarkest = 0.3;
constexpr double kPalest = 0.45;

Palette civPalette(Rgb color)
{
    Palette palette{};
    const Rgb dark{color.r * kDarkest, color.g * kDarkest, color.b * kDarkest};
    const Rgb pale = mix(color, Rgb{255, 255, 255}, kPalest);
    for (int i = 0; i < kCivRampLength; ++i) {
        const Rgb c = i <= kCivColorEntry ? mix(dark, color, i / double(kCivColorEntry))
                                          : mix(color, pale, (i - kCivColorEntry) / double(kCivRampLength - 1 - kCivColorEntry));
        palette[std::size_t(i)] = entry(c);
    }
    for (int i = kCivRampLength; i < 256; ++i) {
        const double grey = (i - kCivRampLength) * 255.0 / (255 - kCivRampLength);
        palette[std::size_t(i)] = entry({grey, grey, grey});
    }
    return palette;
}

// A 1 × 1 image of 900 bytes: the pixel (index 7) as a literal and the line's
// padding byte as a run of one, then the palette.
Bytes civPalettePcx(Rgb color)
{
    Bytes file = pcxHeader(1, 1, 2);
    file.insert(file.end(), {0x07, 0xC1, 0xFF});
    appendPalette(file, civPalette(color));
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_resources OUTDIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::filesystem::path tiles = dir / "tiles";
    const std::filesystem::path palettes = dir / "palettes";
    std::error_code error;
    std::filesystem::create_directories(tiles, error);
    std::filesystem::create_directories(palettes, error);

    bool ok = writeFile(tiles / "Sea.pcx", tilePcx(seaImage(), seaPalette()))
        && writeFile(tiles / "Land.pcx", tilePcx(landImage(), landPalette()));
    for (std::size_t k = 0; ok && k < kinetra::kCivColors.size(); ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "ntp%02zu.pcx", k);
        const kinetra::PaletteEntry civ = kinetra::kCivColors[k];
        ok = writeFile(palettes / name, civPalettePcx(Rgb{double(civ.red), double(civ.green), double(civ.blue)}));
    }
    if (!ok) {
        std::fprintf(stderr, "make_resources: cannot write into %s\n", dir.string().c_str());
        return 1;
    }
    std::printf("wrote %s and %s\n", tiles.string().c_str(), palettes.string().c_str());
    return 0;
}
