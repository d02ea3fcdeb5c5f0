#include "formats/GifWriter.h"

#include "formats/ColorQuantizer.h"

#include <gif_lib.h>

#include <algorithm>
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

// giflib's writer hands every byte to this; the vector is `UserData`.
int appendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        return 0; // giflib reports a failed write
    }
    return length;
}

std::string gifError(const char* step, int code)
{
    const char* reason = GifErrorString(code);
    return std::string(step) + ": " + (reason ? reason : "unknown giflib error");
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

// The shared colour table and the way every pixel finds its entry. Its
// transparent index, when it has one, also marks a pixel a frame leaves as
// the last one showed it: there is one when a frame has transparent pixels,
// or when the colours leave an entry free.
class ColorTable {
public:
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

    // giflib wants a power of two entries; the rest are black.
    ColorMapObject* makeMap() const
    {
        const int used = int(m_colors.size()) + (m_transparentIndex != NO_TRANSPARENT_COLOR ? 1 : 0);
        int size = 2;
        while (size < used)
            size *= 2;
        std::vector<GifColorType> entries(std::size_t(size), GifColorType{0, 0, 0});
        for (std::size_t i = 0; i < m_colors.size(); ++i) {
            entries[i].Red = GifByteType((m_colors[i] >> 16) & 0xFF);
            entries[i].Green = GifByteType((m_colors[i] >> 8) & 0xFF);
            entries[i].Blue = GifByteType(m_colors[i] & 0xFF);
        }
        return GifMakeMapObject(size, entries.data());
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
    int m_transparentIndex = NO_TRANSPARENT_COLOR;
};

struct ColorMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Closes the file on every path; giflib frees it even when closing fails.
class GifEncoder {
public:
    explicit GifEncoder(GifFileType* gif) : m_gif(gif) {}
    ~GifEncoder()
    {
        if (m_gif) {
            int ignored = 0;
            EGifCloseFile(m_gif, &ignored);
        }
    }
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;

    GifFileType* get() const { return m_gif; }
    // Writes the trailer; false with the reason when that fails.
    bool close(std::string& error)
    {
        int code = 0;
        const int result = EGifCloseFile(m_gif, &code);
        m_gif = nullptr;
        if (result == GIF_ERROR) {
            error = gifError("finishing the file", code);
            return false;
        }
        return true;
    }

private:
    GifFileType* m_gif;
};

// The application extension that makes browsers loop forever.
bool putLoopForever(GifFileType* gif)
{
    static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    // Sub-block 1, then the loop count (0 = forever), little-endian.
    static const GifByteType kLoopCount[] = {1, 0, 0};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR
        && EGifPutExtensionBlock(gif, sizeof(kNetscape), kNetscape) != GIF_ERROR
        && EGifPutExtensionBlock(gif, sizeof(kLoopCount), kLoopCount) != GIF_ERROR
        && EGifPutExtensionTrailer(gif) != GIF_ERROR;
}

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

// One frame to write: the box it covers, what the screen shows before it and
// what it must show after.
struct FrameWrite {
    Box box;
    const std::vector<std::uint8_t>* shown = nullptr; // null for the first frame
    const std::vector<std::uint8_t>* wanted = nullptr;
    int width = 0;
    int keep = NO_TRANSPARENT_COLOR; // the index that leaves a pixel as shown
};

// Whether writing the unchanged pixels as `keep` gives the encoder fewer runs
// of one index than writing them as they are; runs are what LZW feeds on.
bool keepingIsSmaller(const FrameWrite& write)
{
    if (!write.shown || write.keep == NO_TRANSPARENT_COLOR)
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

bool putFrame(GifFileType* gif, const FrameWrite& write, const ColorTable& table, int disposal, std::uint32_t delayMs,
              std::vector<GifPixelType>& line, std::string& error)
{
    GraphicsControlBlock control{};
    control.DisposalMode = disposal;
    control.UserInputFlag = false;
    control.DelayTime = delayCentiseconds(delayMs);
    control.TransparentColor = table.transparentIndex();
    GifByteType extension[4] = {};
    const auto length = int(EGifGCBToExtension(&control, extension));
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, length, extension) == GIF_ERROR) {
        error = gifError("writing a frame's delay", gif->Error);
        return false;
    }
    const Box& box = write.box;
    const int width = box.right - box.left;
    if (EGifPutImageDesc(gif, box.left, box.top, width, box.bottom - box.top, false, nullptr) == GIF_ERROR) {
        error = gifError("writing a frame", gif->Error);
        return false;
    }
    const bool keeping = keepingIsSmaller(write);
    for (int y = box.top; y < box.bottom; ++y) {
        const std::size_t row = std::size_t(y) * std::size_t(write.width) + std::size_t(box.left);
        const std::uint8_t* wanted = write.wanted->data() + row;
        std::copy(wanted, wanted + width, line.begin());
        if (keeping) {
            const std::uint8_t* shown = write.shown->data() + row;
            for (int x = 0; x < width; ++x) {
                if (wanted[x] == shown[x])
                    line[std::size_t(x)] = GifPixelType(write.keep);
            }
        }
        if (EGifPutLine(gif, line.data(), width) == GIF_ERROR) {
            error = gifError("writing a frame's pixels", gif->Error);
            return false;
        }
    }
    return true;
}

// What the first pass over the frames learns.
struct Survey {
    int width = 0;
    int height = 0;
    bool transparency = false;
    ColorSlots colors;
};

bool fitsFirst(const ExportPicture& frame, const Survey& survey, std::string& error)
{
    if (frame.width != survey.width || frame.height != survey.height
        || frame.pixels.size() != std::size_t(survey.width) * std::size_t(survey.height)) {
        error = "the frames differ in size";
        return false;
    }
    return true;
}

bool survey(ExportFrameSource& frames, ExportPicture& picture, Survey& out, std::string& error)
{
    for (int k = 0; k < frames.frameCount(); ++k) {
        if (!frames.frame(k, picture)) {
            error = "cannot make frame " + std::to_string(k + 1);
            return false;
        }
        if (k == 0) {
            out.width = picture.width;
            out.height = picture.height;
            // A GIF's sides are 16-bit.
            if (out.width < 1 || out.height < 1 || out.width > 0xFFFF || out.height > 0xFFFF) {
                error = "the picture size cannot be stored in a GIF";
                return false;
            }
        }
        if (!fitsFirst(picture, out, error))
            return false;
        out.transparency = out.transparency || std::any_of(picture.pixels.begin(), picture.pixels.end(), isTransparent);
        countColors(picture, out.colors);
    }
    return true;
}

// Each frame covers only the box where it differs from what the screen shows;
// a frame after which pixels turn transparent has its box cleared when it is
// done (disposal to the background, which shows nothing), so it must cover
// those pixels too. Decoded with disposal, the frames give the pictures the
// source made, exactly.
bool putFrames(GifFileType* gif, ExportFrameSource& frames, const ColorTable& table, const Survey& survey,
               ExportPicture& picture, std::string& error)
{
    const int width = survey.width;
    const int height = survey.height;
    const auto transparent = std::uint8_t(table.transparentIndex());
    std::vector<std::uint8_t> shown;
    std::vector<std::uint8_t> current;
    std::vector<std::uint8_t> next;
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    std::uint32_t currentDelay = 0;
    std::uint32_t nextDelay = 0;
    const auto make = [&](int k, std::vector<std::uint8_t>& indices, std::uint32_t& delayMs) {
        if (!frames.frame(k, picture)) {
            error = "cannot make frame " + std::to_string(k + 1);
            return false;
        }
        if (!fitsFirst(picture, survey, error))
            return false;
        table.index(picture, indices);
        delayMs = picture.delayMs;
        return true;
    };
    if (!make(0, current, currentDelay))
        return false;
    const int count = frames.frameCount();
    for (int k = 0; k < count; ++k) {
        const bool hasNext = k + 1 < count;
        if (hasNext && !make(k + 1, next, nextDelay))
            return false;
        FrameWrite write;
        write.width = width;
        write.keep = table.transparentIndex();
        write.wanted = &current;
        if (k == 0) {
            write.box = {0, 0, width, height};
        } else {
            write.shown = &shown;
            write.box = boxWhere(width, height, [&](std::size_t i) { return current[i] != shown[i]; });
        }
        int disposal = DISPOSE_DO_NOT;
        if (hasNext && table.transparency()) {
            const Box vanishing = boxWhere(width, height, [&](std::size_t i) {
                return current[i] != transparent && next[i] == transparent;
            });
            if (!vanishing.empty()) {
                disposal = DISPOSE_BACKGROUND;
                write.box.add(vanishing);
            }
        }
        // A frame like the last still takes its time: one pixel, left as it is.
        if (write.box.empty())
            write.box = {0, 0, 1, 1};
        if (!putFrame(gif, write, table, disposal, currentDelay, line, error))
            return false;
        shown.swap(current);
        if (disposal == DISPOSE_BACKGROUND) {
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
    if (frames.frameCount() <= 0) {
        error = "there are no frames";
        return false;
    }
    ExportPicture picture;
    Survey surveyed;
    if (!survey(frames, picture, surveyed, error))
        return false;

    const ColorTable table(surveyed.colors, surveyed.transparency);
    surveyed.colors = {};
    const std::unique_ptr<ColorMapObject, ColorMapDeleter> map(table.makeMap());
    if (!map) {
        error = "out of memory";
        return false;
    }

    int code = 0;
    GifEncoder encoder(EGifOpen(&bytes, appendBytes, &code));
    GifFileType* gif = encoder.get();
    if (!gif) {
        error = gifError("starting the file", code);
        return false;
    }
    // Delays, transparency and looping need the 89a format.
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, surveyed.width, surveyed.height, map->BitsPerPixel, 0, map.get()) == GIF_ERROR) {
        error = gifError("writing the screen", gif->Error);
        return false;
    }
    if (!putLoopForever(gif)) {
        error = gifError("writing the loop count", gif->Error);
        return false;
    }
    if (!putFrames(gif, frames, table, surveyed, picture, error))
        return false;
    return encoder.close(error);
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

} // namespace kinetra

namespace kinetra {

bool EncodeAnimatedGif(const ExportAnimation& animation, std::vector<std::uint8_t>& out, std::string& error)
{
    HeldFrames frames(animation);
    return EncodeAnimatedGif(frames, out, error);
}

} // namespace kinetra
