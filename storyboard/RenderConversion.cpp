#include "storyboard/RenderConversion.h"

#include "formats/ColorQuantizer.h"
#include "storyboard/ColourText.h"
#include "imaging/CPcxImage.h"
#include "palette/BuiltInResources.h"

#include <algorithm>
#include <cmath>

namespace kinetra {

namespace {

constexpr std::uint8_t kTransparentIndex = 255;
constexpr std::size_t kCivilizationEntries = 64;
constexpr std::size_t kFirstOrdinary = 64;
constexpr std::size_t kOrdinaryEntries = 160;
constexpr std::uint32_t kOpaqueAlpha = 128;
constexpr int kShadowLevels = 15;
// Luma in thousandths, Rec. 601 weights; a shadow is no brighter than 64.
constexpr int kShadowLumaMilli = 64 * 1000;
// k-means has settled well before this on renders; the cap bounds the time.
constexpr int kRefineRounds = 24;

int red(std::uint32_t rgb) { return int((rgb >> 16) & 0xFF); }
int green(std::uint32_t rgb) { return int((rgb >> 8) & 0xFF); }
int blue(std::uint32_t rgb) { return int(rgb & 0xFF); }

int lumaMilli(std::uint32_t rgb)
{
    return 299 * red(rgb) + 587 * green(rgb) + 114 * blue(rgb);
}

bool isOrdinary(std::uint8_t index)
{
    return indexClassOf(index) == IndexClass::Ordinary;
}

double distanceBetween(std::uint32_t a, std::uint32_t b)
{
    const int dr = red(a) - red(b);
    const int dg = green(a) - green(b);
    const int db = blue(a) - blue(b);
    return std::sqrt(double(dr * dr + dg * dg + db * db));
}

// HSV hue in degrees, [0, 360); `high` > `low` are the largest and
// smallest channel.
double hueOf(std::uint32_t rgb, int high, int low)
{
    const double range = high - low;
    double hue = 0;
    if (high == red(rgb))
        hue = (green(rgb) - blue(rgb)) / range;
    else if (high == green(rgb))
        hue = (blue(rgb) - red(rgb)) / range + 2;
    else
        hue = (red(rgb) - green(rgb)) / range + 4;
    hue *= 60;
    return hue < 0 ? hue + 360 : hue;
}

// Which pixels the renderer drew in the team key colour: its hue, shaded
// lighter or darker, and not washed out to a grey.
class TeamColourTest {
public:
    TeamColourTest(std::uint32_t key, double toleranceDegrees) : m_tolerance(toleranceDegrees)
    {
        const int high = std::max({red(key), green(key), blue(key)});
        const int low = std::min({red(key), green(key), blue(key)});
        m_saturation = high == 0 ? 0 : double(high - low) / high;
        m_hue = high > low ? hueOf(key, high, low) : 0;
    }

    bool hasHue() const { return m_saturation > 0; }

    bool matches(std::uint32_t rgb) const
    {
        const int high = std::max({red(rgb), green(rgb), blue(rgb)});
        const int low = std::min({red(rgb), green(rgb), blue(rgb)});
        if (high == low || 4.0 * (high - low) < m_saturation * high)
            return false;
        const double apart = std::abs(hueOf(rgb, high, low) - m_hue);
        return std::min(apart, 360 - apart) <= m_tolerance;
    }

private:
    double m_hue = 0;
    double m_saturation = 0;
    double m_tolerance = 0;
};

// For each luma 0-255, the civilization entry (0-63) of the nearest luma;
// the lower index on a tie.
std::array<std::uint8_t, 256> teamEntriesByLuma(const Palette& palette)
{
    std::array<std::uint8_t, 256> entries{};
    for (int luma = 0; luma < 256; ++luma) {
        int best = 0;
        for (std::size_t i = 1; i < kCivilizationEntries; ++i) {
            if (std::abs(lumaMilli(palette[i].rgb()) - luma * 1000)
                < std::abs(lumaMilli(palette[std::size_t(best)].rgb()) - luma * 1000))
                best = int(i);
        }
        entries[std::size_t(luma)] = std::uint8_t(best);
    }
    return entries;
}

bool checkInputs(std::span<const ExportPicture> frames, const RenderOptions& options, std::string& problem)
{
    if (frames.empty()) {
        problem = "There are no frames to convert.";
        return false;
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const ExportPicture& frame = frames[i];
        if (frame.width < 1 || frame.height < 1
            || frame.pixels.size() != std::size_t(frame.width) * std::size_t(frame.height)) {
            problem = "Frame " + std::to_string(i + 1) + " holds " + std::to_string(frame.pixels.size())
                    + " pixels, not " + std::to_string(frame.width) + " x " + std::to_string(frame.height) + ".";
            return false;
        }
    }
    if (!(options.teamToleranceDegrees >= 0 && options.teamToleranceDegrees <= 180)) {
        problem = "The team colour's tolerance must lie between 0 and 180 degrees.";
        return false;
    }
    if (options.teamColour && !TeamColourTest(*options.teamColour, 0).hasHue()) {
        problem = "The team colour " + colourText(*options.teamColour)
                + " is a grey: team parts are told from the rest by their hue.";
        return false;
    }
    return true;
}

// The first pass: shadow, transparent and team pixels take their final
// index; ordinary ones are marked with the first ordinary index and their
// colours counted when a palette is to be made.
std::vector<IndexImage> classifyPixels(std::span<const ExportPicture> frames, const RenderOptions& options,
                                       const std::array<std::uint8_t, 256>& teamEntries, GridHistogram* histogram)
{
    std::optional<TeamColourTest> team;
    if (options.teamColour)
        team.emplace(*options.teamColour, options.teamToleranceDegrees);
    std::vector<IndexImage> images;
    images.reserve(frames.size());
    for (const ExportPicture& frame : frames) {
        IndexImage& image = images.emplace_back(frame.width, frame.height);
        for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
            const std::uint32_t argb = frame.pixels[i];
            const std::uint32_t alpha = argb >> 24;
            const std::uint32_t rgb = argb & 0x00FFFFFFu;
            std::uint8_t index = std::uint8_t(kFirstOrdinary);
            if (alpha >= 1 && alpha <= 254 && lumaMilli(rgb) <= kShadowLumaMilli) {
                const int level = std::clamp(int((alpha * kShadowLevels + 127) / 255), 1, kShadowLevels);
                index = std::uint8_t(255 - level);
            } else if (alpha < kOpaqueAlpha) {
                index = kTransparentIndex;
            } else if (team && team->matches(rgb)) {
                index = teamEntries[std::size_t((lumaMilli(rgb) + 500) / 1000)];
            } else if (histogram) {
                histogram->add(rgb);
            }
            image.pixels[i] = index;
        }
    }
    return images;
}

// The ordinary colours that serve the counted ones best, darkest first.
std::vector<std::uint32_t> ordinaryColours(const GridHistogram& histogram)
{
    const std::vector<ColorCount> counted = histogram.colors();
    std::vector<std::uint32_t> colours;
    if (const auto exact = histogram.exactColors()) {
        colours = *exact;
    } else if (counted.size() <= kOrdinaryEntries) {
        for (const ColorCount& colour : counted)
            colours.push_back(colour.rgb);
    } else {
        colours = RefinedPalette(counted, MedianCutPalette(counted, kOrdinaryEntries), kRefineRounds);
    }
    std::sort(colours.begin(), colours.end(), [](std::uint32_t a, std::uint32_t b) {
        return lumaMilli(a) != lumaMilli(b) ? lumaMilli(a) < lumaMilli(b) : a < b;
    });
    return colours;
}

struct OrdinaryError {
    double sum = 0;
    double largest = 0;
    std::size_t pixels = 0;

    void add(std::uint32_t colour, std::uint32_t entry)
    {
        const double distance = distanceBetween(colour, entry);
        sum += distance;
        largest = std::max(largest, distance);
        ++pixels;
    }
};

// The second pass without dithering: each ordinary pixel its nearest entry.
void mapOrdinaryPixels(const ExportPicture& frame, IndexImage& image, NearestColorMap& nearest,
                       const Palette& palette, OrdinaryError& error)
{
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        if (!isOrdinary(image.pixels[i]))
            continue;
        const std::uint32_t rgb = frame.pixels[i] & 0x00FFFFFFu;
        const std::size_t index = kFirstOrdinary + nearest.indexOf(rgb);
        image.pixels[i] = std::uint8_t(index);
        error.add(rgb, palette[index].rgb());
    }
}

// The second pass with Floyd-Steinberg dithering, left to right: each
// ordinary pixel passes what its entry misses on to the ordinary pixels
// right of it and below; what would fall on others is dropped, so an
// outline or a shadow never shifts the colours next to it.
void ditherOrdinaryPixels(const ExportPicture& frame, IndexImage& image, NearestColorMap& nearest,
                          const Palette& palette, OrdinaryError& error)
{
    using Carry = std::array<float, 3>;
    const int width = image.width;
    // Index x + 1 is column x, so the neighbours of either edge need no test.
    std::vector<Carry> here(std::size_t(width) + 2, Carry{});
    std::vector<Carry> below(std::size_t(width) + 2, Carry{});
    auto ordinaryAt = [&image](int x, int y) {
        return x >= 0 && x < image.width && y < image.height && isOrdinary(image.at(x, y));
    };
    for (int y = 0; y < image.height; ++y) {
        std::fill(below.begin(), below.end(), Carry{});
        std::uint8_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            if (!isOrdinary(row[x]))
                continue;
            const std::uint32_t rgb = frame.pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] & 0x00FFFFFFu;
            const Carry& carried = here[std::size_t(x) + 1];
            const std::array<float, 3> wanted{
                std::clamp(float(red(rgb)) + carried[0], 0.0f, 255.0f),
                std::clamp(float(green(rgb)) + carried[1], 0.0f, 255.0f),
                std::clamp(float(blue(rgb)) + carried[2], 0.0f, 255.0f),
            };
            const std::uint32_t wantedRgb = (std::uint32_t(std::lround(wanted[0])) << 16)
                                          | (std::uint32_t(std::lround(wanted[1])) << 8)
                                          | std::uint32_t(std::lround(wanted[2]));
            const std::size_t index = kFirstOrdinary + nearest.indexOf(wantedRgb);
            row[x] = std::uint8_t(index);
            const std::uint32_t entry = palette[index].rgb();
            error.add(rgb, entry);
            const Carry missed{wanted[0] - float(red(entry)), wanted[1] - float(green(entry)),
                               wanted[2] - float(blue(entry))};
            auto pass = [&missed](Carry& to, float share) {
                for (std::size_t c = 0; c < 3; ++c)
                    to[c] += missed[c] * share;
            };
            const auto column = std::size_t(x) + 1;
            if (ordinaryAt(x + 1, y))
                pass(here[column + 1], 7.0f / 16);
            if (ordinaryAt(x - 1, y + 1))
                pass(below[column - 1], 3.0f / 16);
            if (ordinaryAt(x, y + 1))
                pass(below[column], 5.0f / 16);
            if (ordinaryAt(x + 1, y + 1))
                pass(below[column + 1], 1.0f / 16);
        }
        std::swap(here, below);
    }
}

} // namespace

std::optional<Palette> defaultUnitPalette()
{
    CPcxImage colouring;
    if (colouring.LoadFromMemory(BuiltInResource(kResourceCivPaletteFirst)) != kOk)
        return std::nullopt;
    return colouring.palette;
}

std::optional<RenderConversion> convertRenders(std::span<const ExportPicture> frames,
                                               const std::optional<Palette>& palette,
                                               const RenderOptions& options, std::string& problem)
{
    if (!checkInputs(frames, options, problem))
        return std::nullopt;

    RenderConversion result;
    std::optional<GridHistogram> histogram;
    if (palette) {
        result.palette = *palette;
    } else {
        const std::optional<Palette> own = defaultUnitPalette();
        if (!own) {
            problem = "Kinetra's own civilization colouring cannot be read.";
            return std::nullopt;
        }
        result.palette = *own;
        if (options.civilizationColours)
            std::copy_n(options.civilizationColours->begin(), kCivilizationEntries, result.palette.begin());
        histogram.emplace(kOrdinaryEntries);
    }

    result.frames = classifyPixels(frames, options, teamEntriesByLuma(result.palette),
                                   histogram ? &*histogram : nullptr);

    std::size_t ordinaryCount = kOrdinaryEntries;
    if (histogram) {
        const std::vector<std::uint32_t> colours = ordinaryColours(*histogram);
        for (std::size_t k = 0; k < colours.size(); ++k)
            result.palette[kFirstOrdinary + k] = PaletteEntry::fromRgb(
                std::uint8_t(red(colours[k])), std::uint8_t(green(colours[k])), std::uint8_t(blue(colours[k])));
        // Entries no colour needed keep the default palette's and are never chosen.
        ordinaryCount = std::max<std::size_t>(colours.size(), 1);
    }
    std::vector<std::uint32_t> entries;
    for (std::size_t k = 0; k < ordinaryCount; ++k)
        entries.push_back(result.palette[kFirstOrdinary + k].rgb());
    NearestColorMap nearest(std::move(entries));

    OrdinaryError error;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        if (options.dither)
            ditherOrdinaryPixels(frames[f], result.frames[f], nearest, result.palette, error);
        else
            mapOrdinaryPixels(frames[f], result.frames[f], nearest, result.palette, error);
        for (const std::uint8_t index : result.frames[f].pixels)
            ++result.pixelsPerClass[std::size_t(indexClassOf(index))];
    }
    result.largestOrdinaryError = error.largest;
    result.meanOrdinaryError = error.pixels ? error.sum / double(error.pixels) : 0;
    return result;
}

} // namespace kinetra
