#include "imaging/PictureCompose.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kinetra {

namespace {

constexpr int kFirstLight = 224;
constexpr int kLastLight = 239;
constexpr int kFirstShadow = 240;
constexpr int kLastShadow = 254;
constexpr int kShadowStep = 12;
constexpr int kLightStep = 4;
constexpr std::uint32_t kColorMask = 0x00FFFFFFu;
// The blend table runs from the first light to the last shadow in one piece.
static_assert(kLastLight + 1 == kFirstShadow);

// The channel values of a shadow or light pixel's blend, for every index
// from the first light to the last shadow and every background value. The
// amounts are fixed, so the table is made once.
using BlendTable = std::array<std::array<std::uint8_t, 256>, kLastShadow - kFirstLight + 1>;

const BlendTable& blendTable()
{
    static const BlendTable table = [] {
        BlendTable made{};
        for (int v = kFirstLight; v <= kLastShadow; ++v) {
            const int amount = v >= kFirstShadow ? -kShadowStep * (255 - v) : kLightStep * (v - kFirstLight);
            for (int c = 0; c < 256; ++c)
                made[std::size_t(v - kFirstLight)][std::size_t(c)] = std::uint8_t(std::clamp(c + amount, 0, 255));
        }
        return made;
    }();
    return table;
}

// What a frame pixel of each index does: its colour; `keyed` all ones where
// the key lets the background show instead; `blends` for a shadow or light
// pixel, whose channels then come from the blend table applied to the
// background. Kept as arrays by index so that the inner loop's loads all
// start from the index. Made for every picture, so fillIndexRules writes
// every entry of a table left uninitialised.
struct IndexRules {
    std::array<std::uint32_t, 256> keyed;
    // The pixel where the key does not let the background show, else 0:
    // drawn = (under & keyed) | own, without a branch.
    std::array<std::uint32_t, 256> own;
    // The blend table's row of a shadow or light index when blending, else
    // null: one load says both whether and how the pixel blends.
    std::array<const std::uint8_t*, 256> move;
    // The same rules as one 8-byte load an index, for four pixels at a
    // time. `own` alone says whether the key lets the background show, as
    // own pixels are opaque. Blending is a saturating add (light) or
    // subtract (shadow) of one amount a channel, so it is the blend table's
    // value without its loads: `amount` holds it in each channel, its alpha
    // byte kLightAmount or kShadowAmount, 0 with the channels where the
    // index does not blend.
    struct alignas(8) Packed {
        std::uint32_t own;
        std::uint32_t amount;
    };
    static constexpr std::uint32_t kLightAmount = 0xFF000000u; // all ones: the sign says "add"
    static constexpr std::uint32_t kShadowAmount = 0x01000000u;
    std::array<Packed, 256> packed;

    // A shadow or light pixel blends with the background under it unless
    // that is black: a black background leaves the frame's own colour (or
    // the background, where the key lets it show).
    std::uint32_t apply(std::uint8_t v, std::uint32_t under) const
    {
        const std::uint32_t drawn = (under & keyed[v]) | own[v];
        const std::uint8_t* channels = move[v];
        if (!channels || (under & kColorMask) == 0)
            return drawn;
        return (drawn & ~kColorMask) | channels[under & 0xFF] | (std::uint32_t(channels[(under >> 8) & 0xFF]) << 8)
            | (std::uint32_t(channels[(under >> 16) & 0xFF]) << 16);
    }
};

// Frame pixels over the background `under`, as IndexRules::apply draws
// them one by one.
void applyRow(const IndexRules& rules, const std::uint8_t* from, const std::uint32_t* under, std::uint32_t* to,
              int count)
{
    int x = 0;
#ifdef __SSE2__
    const __m128i colour = _mm_set1_epi32(int(kColorMask));
    const __m128i alpha = _mm_set1_epi32(int(~kColorMask));
    const __m128i zero = _mm_setzero_si128();
    const auto rulesOf = [&rules](std::uint8_t v) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&rules.packed[v]));
    };
    for (; x + 4 <= count; x += 4) {
        // Four indices' rules, turned from one per register to one field
        // of all four per register.
        const __m128 r01 = _mm_castsi128_ps(_mm_unpacklo_epi64(rulesOf(from[x]), rulesOf(from[x + 1])));
        const __m128 r23 = _mm_castsi128_ps(_mm_unpacklo_epi64(rulesOf(from[x + 2]), rulesOf(from[x + 3])));
        const __m128i own = _mm_castps_si128(_mm_shuffle_ps(r01, r23, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i amount = _mm_castps_si128(_mm_shuffle_ps(r01, r23, _MM_SHUFFLE(3, 1, 3, 1)));

        const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(under + x));
        const __m128i keyed = _mm_cmpeq_epi32(own, zero);
        const __m128i drawn = _mm_or_si128(_mm_and_si128(below, keyed), own);
        const __m128i light = _mm_srai_epi32(amount, 31);
        const __m128i moved =
            _mm_subs_epu8(_mm_adds_epu8(below, _mm_and_si128(amount, light)), _mm_andnot_si128(light, amount));
        // Blends where the index does and the background is not black; there
        // the channels are the moved ones, the alpha the drawn one.
        const __m128i keeps = _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(amount, alpha), zero),
                                           _mm_cmpeq_epi32(_mm_and_si128(below, colour), zero));
        const __m128i movedChannels = _mm_andnot_si128(keeps, colour);
        const __m128i out = _mm_or_si128(_mm_andnot_si128(movedChannels, drawn), _mm_and_si128(movedChannels, moved));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), out);
    }
#endif
    for (; x < count; ++x)
        to[x] = rules.apply(from[x], under[x]);
}

void fillIndexRules(const PictureInputs& inputs, IndexRules& rules)
{
    const PixelTable pixel = pixelTableOf(*inputs.palette);
    const BlendTable& channels = blendTable();
    for (std::size_t v = 0; v < 256; ++v) {
        rules.keyed[v] = inputs.colorKey.matches(pixel[v]) ? ~0u : 0u;
        rules.own[v] = pixel[v] & ~rules.keyed[v];
        const bool blends = inputs.blend && v >= kFirstLight && v <= kLastShadow;
        rules.move[v] = blends ? channels[v - kFirstLight].data() : nullptr;
        std::uint32_t amount = 0;
        if (blends && v < kFirstShadow)
            amount = IndexRules::kLightAmount | std::uint32_t(kLightStep) * std::uint32_t(v - kFirstLight) * 0x010101u;
        else if (blends)
            amount = IndexRules::kShadowAmount | std::uint32_t(kShadowStep) * std::uint32_t(255 - v) * 0x010101u;
        rules.packed[v] = {rules.own[v], amount};
    }
}

// Columns from..to-1 of row y of the background.
void drawBackground(const PictureInputs& inputs, int y, std::uint32_t* row, int from, int to)
{
    if (from >= to)
        return;
    if (inputs.tile && y < inputs.tile->height) {
        const std::uint32_t* tileRow =
            inputs.tile->pixels.get() + std::size_t(y) * std::size_t(inputs.tile->pitch / 4);
        const int tiled = std::clamp(inputs.tile->width, from, to);
        std::copy(tileRow + from, tileRow + tiled, row + from);
        from = tiled;
    }
    std::fill(row + from, row + to, 0xFF000000u | inputs.fillColor);
}

// What lies under column x of row y before the frame covers it.
inline std::uint32_t backgroundAt(const PictureInputs& inputs, int y, int x)
{
    if (inputs.tile && y < inputs.tile->height && x < inputs.tile->width)
        return inputs.tile->pixels[std::size_t(y) * std::size_t(inputs.tile->pitch / 4) + std::size_t(x)];
    return 0xFF000000u | inputs.fillColor;
}

// Row y of the picture `inputs` make, `width` pixels, into `row`; `frame`
// is the frame to draw (null for none) and `rules` its indices' rules.
// `overFill` is what each index gives over the fill colour, made when first
// needed.
inline void composeRow(const PictureInputs& inputs, const FlcFrame* frame, const IndexRules& rules,
                       std::optional<PixelTable>& overFill, int y, std::uint32_t* row, int width)
{
    // The frame's columns firstColumn..lastColumn-1 lie on the picture, at
    // the picture's columns left..right-1.
    const int firstColumn = frame ? std::max(0, -inputs.left) : 0;
    const int lastColumn = frame ? std::min<int>(frame->width, width - inputs.left) : 0;
    const int left = inputs.left + firstColumn;
    const int right = inputs.left + lastColumn;
    const int frameRow = y - inputs.top;
    if (!frame || frameRow < 0 || frameRow >= frame->height || firstColumn >= lastColumn) {
        drawBackground(inputs, y, row, 0, width);
        return;
    }
    // The frame reads the background where it lies instead of drawing it
    // there first.
    drawBackground(inputs, y, row, 0, left);
    drawBackground(inputs, y, row, right, width);
    const std::uint8_t* from =
        frame->indices + std::size_t(frameRow) * std::size_t(frame->width) + std::size_t(firstColumn);
    std::uint32_t* __restrict to = row + left;
    if (inputs.tile && y < inputs.tile->height && right <= inputs.tile->width) {
        const std::uint32_t* __restrict under =
            inputs.tile->pixels.get() + std::size_t(y) * std::size_t(inputs.tile->pitch / 4) + left;
        applyRow(rules, from, under, to, right - left);
    } else if (!inputs.tile || y >= inputs.tile->height) {
        // Over one colour every index always gives the same pixel.
        if (!overFill) {
            overFill.emplace();
            for (int v = 0; v < 256; ++v)
                (*overFill)[std::size_t(v)] = rules.apply(std::uint8_t(v), 0xFF000000u | inputs.fillColor);
        }
        for (int x = 0; x < right - left; ++x)
            to[x] = (*overFill)[from[x]];
    } else {
        for (int x = 0; x < right - left; ++x)
            row[left + x] = rules.apply(from[x], backgroundAt(inputs, y, left + x));
    }
}

const FlcFrame* drawnFrame(const PictureInputs& inputs)
{
    return inputs.frame && inputs.frame->indices && inputs.palette ? inputs.frame : nullptr;
}

} // namespace

void ComposePicture(const PictureInputs& inputs, PlatformSurface& out)
{
    if (!out.pixels || out.width <= 0 || out.height <= 0)
        return;
    const std::size_t wordsPerRow = std::size_t(out.pitch) / 4;
    const FlcFrame* frame = drawnFrame(inputs);
    IndexRules rules;
    if (frame)
        fillIndexRules(inputs, rules);
    std::optional<PixelTable> overFill;
    for (int y = 0; y < out.height; ++y)
        composeRow(inputs, frame, rules, overFill, y, out.pixels.get() + std::size_t(y) * wordsPerRow, out.width);
}

// The rules last made, and what they were made of.
struct PictureRowComposer::Rules {
    bool made = false;
    Palette palette{};
    ColorKey colorKey;
    bool blend = false;
    IndexRules rules;
    std::uint32_t fillColor = 0;
    std::optional<PixelTable> overFill;
};

PictureRowComposer::PictureRowComposer() : m_rules(std::make_unique<Rules>()) {}

PictureRowComposer::~PictureRowComposer() = default;

void PictureRowComposer::composeRow(const PictureInputs& inputs, int y, std::uint32_t* row, int width)
{
    const FlcFrame* frame = drawnFrame(inputs);
    Rules& kept = *m_rules;
    if (frame) {
        const bool same = kept.made && kept.blend == inputs.blend && kept.colorKey == inputs.colorKey
                          && std::memcmp(kept.palette.data(), inputs.palette->data(), sizeof(Palette)) == 0;
        if (!same) {
            fillIndexRules(inputs, kept.rules);
            kept.palette = *inputs.palette;
            kept.colorKey = inputs.colorKey;
            kept.blend = inputs.blend;
            kept.made = true;
            kept.overFill.reset();
        }
        if (kept.fillColor != inputs.fillColor) {
            kept.fillColor = inputs.fillColor;
            kept.overFill.reset();
        }
    }
    kinetra::composeRow(inputs, frame, kept.rules, kept.overFill, y, row, width);
}

} // namespace kinetra
