#include "formats/GifWriter.h"

#include "formats/ColorQuantizer.h"
#include "formats/GifLzw.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>

namespace kinetra {

namespace {

constexpr std::uint32_t kColorMask = 0x00FFFFFFu;
constexpr int kPaletteSize = 256;
// Delays are stored in hundredths of a second, in 16 bits.
constexpr std::uint32_t kMaxDelay = 0xFFFF;

bool isTransparent(std::uint32_t pixel)
{
    return (pixel >> 24) < 128;
}

// Colour to number, open addressing: the histogram sees every pixel of every
// frame, so it must cost little more than reading them.
class ColorSlots {
public:
    ColorSlots() : m_keys(kFirstSize, 0), m_values(kFirstSize, 0) {}

    std::uint64_t& at(std::uint32_t rgb)
    {
        std::size_t slot = slotOf(keyOf(rgb));
        if (m_keys[slot] == 0) {
            if (2 * (m_used + 1) > m_keys.size()) {
                grow();
                slot = slotOf(keyOf(rgb));
            }
            m_keys[slot] = keyOf(rgb);
            ++m_used;
        }
        return m_values[slot];
    }

    const std::uint64_t* find(std::uint32_t rgb) const
    {
        const std::size_t slot = slotOf(keyOf(rgb));
        return m_keys[slot] != 0 ? &m_values[slot] : nullptr;
    }

    // Every colour with its number, by rising colour.
    std::vector<ColorCount> sorted() const
    {
        std::vector<ColorCount> colors;
        colors.reserve(m_used);
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (m_keys[i] != 0)
                colors.push_back({m_keys[i] & kColorMask, m_values[i]});
        }
        std::sort(colors.begin(), colors.end(), [](const ColorCount& a, const ColorCount& b) { return a.rgb < b.rgb; });
        return colors;
    }

private:
    static constexpr std::size_t kFirstSize = 1024;
    // A key is never 0, which marks a free slot.
    static std::uint32_t keyOf(std::uint32_t rgb) { return (rgb & kColorMask) | 0x01000000u; }

    std::size_t slotOf(std::uint32_t key) const
    {
        const std::size_t mask = m_keys.size() - 1;
        std::size_t slot = std::size_t(key * 0x9E3779B1u) & mask;
        while (m_keys[slot] != 0 && m_keys[slot] != key)
            slot = (slot + 1) & mask;
        return slot;
    }

    void grow()
    {
        std::vector<std::uint32_t> keys(m_keys.size() * 2, 0);
        std::vector<std::uint64_t> values(m_keys.size() * 2, 0);
        keys.swap(m_keys);
        values.swap(m_values);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] != 0) {
                const std::size_t slot = slotOf(keys[i]);
                m_keys[slot] = keys[i];
                m_values[slot] = values[i];
            }
        }
    }

    std::vector<std::uint32_t> m_keys;
    std::vector<std::uint64_t> m_values;
    std::size_t m_used = 0;
};

// Counts the colours of a frame's opaque pixels.
void countColors(const ExportPicture& frame, ColorSlots& counts)
{
    // Neighbouring pixels mostly agree: count runs, not pixels.
    std::uint32_t run = 0;
    std::uint64_t runLength = 0;
    for (const std::uint32_t pixel : frame.pixels) {
        if (isTransparent(pixel))
            continue;
        const std::uint32_t rgb = pixel & kColorMask;
        if (runLength != 0 && rgb == run) {
            ++runLength;
            continue;
        }
        if (runLength != 0)
            counts.at(run) += runLength;
        run = rgb;
        runLength = 1;
    }
    if (runLength != 0)
        counts.at(run) += runLength;
}

// Counts the colours of an 8-bit picture's opaque pixels: each index once,
// then each used index's colour by how often it occurs.
void countColors(const IndexedPicture& frame, bool& transparency, ColorSlots& counts)
{
    // Four tables, so that neighbouring equal indices do not wait on each
    // other's counts.
    std::array<std::array<std::uint32_t, 256>, 4> partial{};
    const std::size_t size = std::size_t(frame.width) * std::size_t(frame.height);
    const std::uint8_t* pixels = frame.indices;
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        ++partial[0][pixels[i]];
        ++partial[1][pixels[i + 1]];
        ++partial[2][pixels[i + 2]];
        ++partial[3][pixels[i + 3]];
    }
    for (; i < size; ++i)
        ++partial[0][pixels[i]];
    for (std::size_t v = 0; v < 256; ++v) {
        const std::uint64_t count =
            std::uint64_t(partial[0][v]) + partial[1][v] + partial[2][v] + partial[3][v];
        if (count == 0)
            continue;
        if (isTransparent(frame.colors[v]))
            transparency = true;
        else
            counts.at(frame.colors[v] & kColorMask) += count;
    }
}

// The shared colour table and the way every pixel finds its entry. Its
// transparent index, when it has one, also marks a pixel a frame leaves as
// the last one showed it: there is one when a frame has transparent pixels,
// or when the colours leave an entry free.
class ColorTable {
public:
    static constexpr int kNone = -1;

    ColorTable(const ColorSlots& counts, bool transparency) : m_transparency(transparency)
    {
        const std::vector<ColorCount> histogram = counts.sorted();
        const std::size_t room = transparency ? kPaletteSize - 1 : kPaletteSize;
        if (histogram.size() <= room) {
            for (const ColorCount& color : histogram) {
                m_exact.at(color.rgb) = m_colors.size();
                m_colors.push_back(color.rgb);
            }
        } else {
            m_colors = MedianCutPalette(histogram, room);
            m_nearest = std::make_unique<NearestColorMap>(m_colors);
        }
        if (m_colors.empty())
            m_colors.push_back(0); // a frame of only transparent pixels
        if (m_colors.size() < kPaletteSize)
            m_transparentIndex = int(m_colors.size());
    }

    // Whether the transparent index shows as transparent in some frame.
    bool transparency() const { return m_transparency; }
    int transparentIndex() const { return m_transparentIndex; }

    // The frame's pixels as entries of the table.
    void index(const ExportPicture& frame, std::vector<std::uint8_t>& indices) const
    {
        indices.resize(frame.pixels.size());
        std::uint32_t last = 0;
        std::uint8_t lastIndex = indexOf(last);
        for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
            const std::uint32_t pixel = frame.pixels[i];
            if (pixel != last) {
                last = pixel;
                lastIndex = indexOf(pixel);
            }
            indices[i] = lastIndex;
        }
    }

    // The same for an 8-bit picture: one look-up an index, not a pixel.
    void index(const IndexedPicture& frame, std::vector<std::uint8_t>& indices) const
    {
        std::array<std::uint8_t, 256> entries{};
        for (std::size_t v = 0; v < 256; ++v)
            entries[v] = indexOf(frame.colors[v]);
        indices.resize(std::size_t(frame.width) * std::size_t(frame.height));
        std::transform(frame.indices, frame.indices + indices.size(), indices.begin(),
                       [&entries](std::uint8_t v) { return entries[v]; });
    }

    // The table takes a power of two entries (2 to 256), as 2^bits(); the
    // rest are black.
    int bits() const
    {
        const int used = int(m_colors.size()) + (m_transparentIndex != kNone ? 1 : 0);
        int bits = 1;
        while ((1 << bits) < used)
            ++bits;
        return bits;
    }

    void append(std::vector<std::uint8_t>& out) const
    {
        const std::size_t start = out.size();
        out.resize(start + 3 * (std::size_t(1) << bits()), 0);
        for (std::size_t i = 0; i < m_colors.size(); ++i) {
            out[start + 3 * i] = std::uint8_t(m_colors[i] >> 16);
            out[start + 3 * i + 1] = std::uint8_t(m_colors[i] >> 8);
            out[start + 3 * i + 2] = std::uint8_t(m_colors[i]);
        }
    }

private:
    std::uint8_t indexOf(std::uint32_t pixel) const
    {
        if (m_transparency && isTransparent(pixel))
            return std::uint8_t(m_transparentIndex);
        const std::uint32_t rgb = pixel & kColorMask;
        if (m_nearest)
            return m_nearest->indexOf(rgb);
        const std::uint64_t* found = m_exact.find(rgb);
        return found ? std::uint8_t(*found) : 0;
    }

    bool m_transparency;
    std::vector<std::uint32_t> m_colors;
    ColorSlots m_exact;
    std::unique_ptr<NearestColorMap> m_nearest;
    int m_transparentIndex = kNone;
};

// The GIF89a blocks this writer uses, byte for byte.
namespace block {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kGraphicControl = 0xF9;
constexpr std::uint8_t kApplication = 0xFF;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
// Disposal methods of the graphic control block.
constexpr int kLeaveInPlace = 1;
constexpr int kRestoreBackground = 2;

void putU16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t((value >> 8) & 0xFF));
}

// The signature, the screen with its colour table (the colour resolution
// said to be the table's own bits, no background colour, square pixels) and
// the application extension that makes browsers loop forever.
void putHead(std::vector<std::uint8_t>& out, int width, int height, const ColorTable& table)
{
    static const std::uint8_t kSignature[] = {'G', 'I', 'F', '8', '9', 'a'};
    out.insert(out.end(), std::begin(kSignature), std::end(kSignature));
    putU16(out, width);
    putU16(out, height);
    const int bits = table.bits();
    out.push_back(std::uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)));
    out.push_back(0);
    out.push_back(0);
    table.append(out);
    // NETSCAPE2.0, then sub-block 1: the loop count (0 = forever), little-endian.
    static const std::uint8_t kLoopForever[] = {kExtension, kApplication, 11,  'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                                'E',        '2',          '.', '0', 3,   1,   0,   0,   0};
    out.insert(out.end(), std::begin(kLoopForever), std::end(kLoopForever));
}

void putControl(std::vector<std::uint8_t>& out, int disposal, int delayCentiseconds, int transparentIndex)
{
    const bool transparent = transparentIndex != ColorTable::kNone;
    out.insert(out.end(), {kExtension, kGraphicControl, 4, std::uint8_t(disposal << 2 | (transparent ? 1 : 0))});
    putU16(out, delayCentiseconds);
    out.push_back(transparent ? std::uint8_t(transparentIndex) : 0xFF); // unread without the flag
    out.push_back(0);
}

// An image descriptor without a colour table of its own, not interlaced.
void putImage(std::vector<std::uint8_t>& out, const PixelBox& box)
{
    out.push_back(kImage);
    putU16(out, box.left);
    putU16(out, box.top);
    putU16(out, box.right - box.left);
    putU16(out, box.bottom - box.top);
    out.push_back(0);
}

} // namespace block

int delayCentiseconds(std::uint32_t milliseconds)
{
    const std::uint32_t rounded = milliseconds / 10 + (milliseconds % 10 >= 5 ? 1 : 0);
    return int(std::clamp<std::uint32_t>(rounded, 1, kMaxDelay));
}

using Box = PixelBox;

// The box of the pixels where `differs(i)` holds, i the pixel's offset.
template <typename Differs>
Box boxWhere(int width, int height, Differs differs)
{
    Box box;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = std::size_t(y) * std::size_t(width);
        int x = 0;
        while (x < width && !differs(row + std::size_t(x)))
            ++x;
        if (x == width)
            continue;
        int last = width - 1;
        while (!differs(row + std::size_t(last)))
            --last;
        box.add(x, y);
        box.add(last, y);
    }
    return box;
}

// The first column at or after `from` where rows `a` and `b` differ, or
// `width`; eight columns at a time, as most columns do not differ.
int firstDifference(const std::uint8_t* a, const std::uint8_t* b, int from, int width)
{
    int x = from;
    for (; x + 8 <= width; x += 8) {
        std::uint64_t left = 0;
        std::uint64_t right = 0;
        std::memcpy(&left, a + x, sizeof left);
        std::memcpy(&right, b + x, sizeof right);
        if (left != right)
            break;
    }
    while (x < width && a[x] == b[x])
        ++x;
    return x;
}

// The last column before `end` where rows `a` and `b` differ, knowing that
// one does.
int lastDifference(const std::uint8_t* a, const std::uint8_t* b, int end)
{
    int x = end;
    for (; x >= 8; x -= 8) {
        std::uint64_t left = 0;
        std::uint64_t right = 0;
        std::memcpy(&left, a + x - 8, sizeof left);
        std::memcpy(&right, b + x - 8, sizeof right);
        if (left != right)
            break;
    }
    while (a[x - 1] == b[x - 1])
        --x;
    return x - 1;
}

// The box of the pixels where `a` and `b` differ.
Box changedBox(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, int height)
{
    Box box;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = std::size_t(y) * std::size_t(width);
        const int first = firstDifference(a.data() + row, b.data() + row, 0, width);
        if (first == width)
            continue;
        box.add(first, y);
        box.add(lastDifference(a.data() + row, b.data() + row, width), y);
    }
    return box;
}

// One frame to write: the box it covers, what the screen shows before it and
// what it must show after.
struct FrameWrite {
    Box box;
    const std::vector<std::uint8_t>* shown = nullptr; // null for the first frame
    const std::vector<std::uint8_t>* wanted = nullptr;
    int width = 0;
    int keep = ColorTable::kNone; // the index that leaves a pixel as shown
};

// Whether writing the unchanged pixels as `keep` gives the encoder fewer runs
// of one index than writing them as they are; runs are what LZW feeds on.
bool keepingIsSmaller(const FrameWrite& write)
{
    if (!write.shown || write.keep == ColorTable::kNone)
        return false;
    const auto keep = std::uint8_t(write.keep);
    std::size_t plainRuns = 0;
    std::size_t keptRuns = 0;
    for (int y = write.box.top; y < write.box.bottom; ++y) {
        const std::size_t row = std::size_t(y) * std::size_t(write.width);
        std::uint8_t plainLast = 0;
        std::uint8_t keptLast = 0;
        for (int x = write.box.left; x < write.box.right; ++x) {
            const std::size_t i = row + std::size_t(x);
            const std::uint8_t plain = (*write.wanted)[i];
            const std::uint8_t kept = plain == (*write.shown)[i] ? keep : plain;
            plainRuns += (x == write.box.left || plain != plainLast) ? 1 : 0;
            keptRuns += (x == write.box.left || kept != keptLast) ? 1 : 0;
            plainLast = plain;
            keptLast = kept;
        }
    }
    return keptRuns < plainRuns;
}

// The frame's control block, descriptor and pixels; `kept` is scratch
// memory for the box with its unchanged pixels as `keep`.
void putFrame(std::vector<std::uint8_t>& out, const FrameWrite& write, const ColorTable& table, int disposal,
              std::uint32_t delayMs, std::vector<std::uint8_t>& kept)
{
    block::putControl(out, disposal, delayCentiseconds(delayMs), table.transparentIndex());
    block::putImage(out, write.box);
    const Box& box = write.box;
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    const std::size_t first = std::size_t(box.top) * std::size_t(write.width) + std::size_t(box.left);
    GifIndexRows rows{write.wanted->data() + first, std::size_t(write.width), width, height};
    if (keepingIsSmaller(write)) {
        kept.resize(std::size_t(width) * std::size_t(height));
        for (int y = 0; y < height; ++y) {
            const std::size_t row = first + std::size_t(y) * std::size_t(write.width);
            const std::uint8_t* wanted = write.wanted->data() + row;
            const std::uint8_t* shown = write.shown->data() + row;
            std::uint8_t* to = kept.data() + std::size_t(y) * std::size_t(width);
            for (int x = 0; x < width; ++x)
                to[x] = wanted[x] == shown[x] ? std::uint8_t(write.keep) : wanted[x];
        }
        rows = {kept.data(), std::size_t(width), width, height};
    }
    AppendGifImageData(rows, table.bits(), out);
}

// What the first pass over the frames learns.
struct Survey {
    int width = 0;
    int height = 0;
    bool transparency = false;
    ColorSlots colors;
};

// The source's frames, as 8-bit pictures when it has them, else as
// pictures, each checked against the first frame's size.
class FrameReader {
public:
    explicit FrameReader(ExportFrameSource& frames) : m_frames(frames), m_indexed(frames.indexed()) {}

    // Frame k's size (the first's is the GIF's), transparency and colours.
    bool survey(int k, Survey& out, std::string& error)
    {
        if (!read(k, error))
            return false;
        if (k == 0) {
            out.width = m_indexed ? m_indexedPicture.width : m_picture.width;
            out.height = m_indexed ? m_indexedPicture.height : m_picture.height;
            // A GIF's sides are 16-bit.
            if (out.width < 1 || out.height < 1 || out.width > 0xFFFF || out.height > 0xFFFF) {
                error = "the picture size cannot be stored in a GIF";
                return false;
            }
        }
        if (!fits(out, error))
            return false;
        if (m_indexed) {
            countColors(m_indexedPicture, out.transparency, out.colors);
        } else {
            out.transparency = out.transparency || std::any_of(m_picture.pixels.begin(), m_picture.pixels.end(), isTransparent);
            countColors(m_picture, out.colors);
        }
        return true;
    }

    // Frame k as entries of `table`, with its delay.
    bool indices(int k, const ColorTable& table, const Survey& survey, std::vector<std::uint8_t>& out,
                 std::uint32_t& delayMs, std::string& error)
    {
        if (!read(k, error) || !fits(survey, error))
            return false;
        if (m_indexed) {
            table.index(m_indexedPicture, out);
            delayMs = m_indexedPicture.delayMs;
        } else {
            table.index(m_picture, out);
            delayMs = m_picture.delayMs;
        }
        return true;
    }

private:
    bool read(int k, std::string& error)
    {
        if (m_indexed ? m_frames.indexedFrame(k, m_indexedPicture) : m_frames.frame(k, m_picture))
            return true;
        error = "cannot make frame " + std::to_string(k + 1);
        return false;
    }

    bool fits(const Survey& survey, std::string& error) const
    {
        const bool same = m_indexed ? m_indexedPicture.width == survey.width && m_indexedPicture.height == survey.height
                                          && m_indexedPicture.indices
                                    : m_picture.width == survey.width && m_picture.height == survey.height
                                          && m_picture.pixels.size()
                                                 == std::size_t(survey.width) * std::size_t(survey.height);
        if (!same)
            error = "the frames differ in size";
        return same;
    }

    ExportFrameSource& m_frames;
    bool m_indexed;
    ExportPicture m_picture;
    IndexedPicture m_indexedPicture;
};

// Each frame covers only the box where it differs from what the screen shows;
// a frame after which pixels turn transparent has its box cleared when it is
// done (disposal to the background, which shows nothing), so it must cover
// those pixels too. Decoded with disposal, the frames give the pictures the
// source made, exactly.
bool putFrames(std::vector<std::uint8_t>& out, FrameReader& reader, int count, const ColorTable& table,
               const Survey& survey, std::string& error)
{
    const int width = survey.width;
    const int height = survey.height;
    const auto transparent = std::uint8_t(table.transparentIndex());
    std::vector<std::uint8_t> shown;
    std::vector<std::uint8_t> current;
    std::vector<std::uint8_t> next;
    std::vector<std::uint8_t> kept;
    std::uint32_t currentDelay = 0;
    std::uint32_t nextDelay = 0;
    if (!reader.indices(0, table, survey, current, currentDelay, error))
        return false;
    for (int k = 0; k < count; ++k) {
        const bool hasNext = k + 1 < count;
        if (hasNext && !reader.indices(k + 1, table, survey, next, nextDelay, error))
            return false;
        FrameWrite write;
        write.width = width;
        write.keep = table.transparentIndex();
        write.wanted = &current;
        if (k == 0) {
            write.box = {0, 0, width, height};
        } else {
            write.shown = &shown;
            write.box = changedBox(current, shown, width, height);
        }
        int disposal = block::kLeaveInPlace;
        if (hasNext && table.transparency()) {
            const Box vanishing = boxWhere(width, height, [&](std::size_t i) {
                return current[i] != transparent && next[i] == transparent;
            });
            if (!vanishing.empty()) {
                disposal = block::kRestoreBackground;
                write.box.add(vanishing);
            }
        }
        // A frame like the last still takes its time: one pixel, left as it is.
        if (write.box.empty())
            write.box = {0, 0, 1, 1};
        putFrame(out, write, table, disposal, currentDelay, kept);
        shown.swap(current);
        if (disposal == block::kRestoreBackground) {
            for (int y = write.box.top; y < write.box.bottom; ++y) {
                const auto row = shown.begin() + std::ptrdiff_t(y) * width;
                std::fill(row + write.box.left, row + write.box.right, transparent);
            }
        }
        current.swap(next);
        currentDelay = nextDelay;
    }
    return true;
}

bool encode(ExportFrameSource& frames, std::vector<std::uint8_t>& bytes, std::string& error)
{
    const int count = frames.frameCount();
    if (count <= 0) {
        error = "there are no frames";
        return false;
    }
    FrameReader reader(frames);
    Survey surveyed;
    for (int k = 0; k < count; ++k) {
        if (!reader.survey(k, surveyed, error))
            return false;
    }
    const ColorTable table(surveyed.colors, surveyed.transparency);
    surveyed.colors = {};

    block::putHead(bytes, surveyed.width, surveyed.height, table);
    if (!putFrames(bytes, reader, count, table, surveyed, error))
        return false;
    bytes.push_back(block::kTrailer);
    return true;
}

} // namespace

bool EncodeAnimatedGif(ExportFrameSource& frames, std::vector<std::uint8_t>& out, std::string& error)
{
    out.clear();
    error.clear();
    std::vector<std::uint8_t> bytes;
    try {
        if (!encode(frames, bytes, error))
            return false;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    out = std::move(bytes);
    return true;
}

bool EncodeAnimatedGif(const ExportAnimation& animation, std::vector<std::uint8_t>& out, std::string& error)
{
    HeldFrames frames(animation);
    return EncodeAnimatedGif(frames, out, error);
}

} // namespace kinetra
