#include "formats/PcxWriter.h"

#include "formats/PcxFormat.h"

#include <algorithm>

namespace kinetra {

namespace {

constexpr std::uint8_t kVersion = 5;
constexpr std::uint8_t kRunFlags = pcx::kRunFlags;
constexpr int kMaxRun = pcx::kRunLengthMask;
constexpr int kMaxSide = 0xFFFF;
constexpr std::uint16_t kDotsPerInch = 72;

void put16(std::vector<std::uint8_t>& out, std::size_t at, unsigned value)
{
    out[at] = std::uint8_t(value & 0xFF);
    out[at + 1] = std::uint8_t((value >> 8) & 0xFF);
}

} // namespace

// A byte with both top bits set is written as a run of one, since alone it
// would read as a run count.
void encodePcxPlane(const std::uint8_t* line, int width, int bytesPerLine, std::vector<std::uint8_t>& out)
{
    auto at = [&](int x) -> std::uint8_t { return x < width ? line[x] : 0; };
    int x = 0;
    while (x < bytesPerLine) {
        const std::uint8_t value = at(x);
        int run = 1;
        while (x + run < bytesPerLine && run < kMaxRun && at(x + run) == value)
            ++run;
        if (run > 1 || value >= kRunFlags)
            out.push_back(std::uint8_t(kRunFlags | run));
        out.push_back(value);
        x += run;
    }
}

bool encodePcx(const IndexRows& rows, const Palette& palette, const ByteSink& sink)
{
    if (rows.width < 1 || rows.height < 1 || rows.width > kMaxSide || rows.height > kMaxSide)
        return false;
    // Lines of an even length, as the format asks.
    const int bytesPerLine = rows.width + (rows.width % 2);

    std::vector<std::uint8_t> out(128, 0);
    out[0] = pcx::kManufacturer;
    out[1] = kVersion;
    out[2] = pcx::kRunLengthEncoding;
    out[3] = 8; // bits per pixel and plane
    put16(out, 8, unsigned(rows.width - 1));
    put16(out, 10, unsigned(rows.height - 1));
    put16(out, 12, kDotsPerInch);
    put16(out, 14, kDotsPerInch);
    out[65] = 1; // planes
    put16(out, 66, unsigned(bytesPerLine));
    put16(out, 68, 1); // a colour palette
    if (!sink(out))
        return false;

    std::vector<std::uint8_t> line(std::size_t(rows.width));
    for (int y = 0; y < rows.height; ++y) {
        rows.fill(y, line.data());
        out.clear();
        encodePcxPlane(line.data(), rows.width, bytesPerLine, out);
        if (!sink(out))
            return false;
    }

    out.assign(1, pcx::kPaletteMarker);
    for (const PaletteEntry& entry : palette) {
        out.push_back(entry.red);
        out.push_back(entry.green);
        out.push_back(entry.blue);
    }
    return sink(out);
}

std::vector<std::uint8_t> encodePcx(const IndexImage& image, const Palette& palette)
{
    if (image.pixels.size() != std::size_t(std::max(image.width, 0)) * std::size_t(std::max(image.height, 0)))
        return {};
    std::vector<std::uint8_t> out;
    if (!encodePcx(rowsOf(image), palette, appendingTo(out)))
        return {};
    return out;
}

} // namespace kinetra
