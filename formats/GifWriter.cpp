#include "formats/GifWriter.h"

#include "formats/ColorQuantizer.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_map>

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

// The colours of all opaque pixels with how often they occur.
std::vector<ColorCount> colorHistogram(const ExportAnimation& animation)
{
    std::unordered_map<std::uint32_t, std::uint64_t> counts;
    for (const ExportPicture& frame : animation.frames) {
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
                counts[run] += runLength;
            run = rgb;
            runLength = 1;
        }
        if (runLength != 0)
            counts[run] += runLength;
    }
    std::vector<ColorCount> histogram;
    histogram.reserve(counts.size());
    for (const auto& [rgb, count] : counts)
        histogram.push_back({rgb, count});
    std::sort(histogram.begin(), histogram.end(),
              [](const ColorCount& a, const ColorCount& b) { return a.rgb < b.rgb; });
    return histogram;
}

// The shared colour table and the way every pixel finds its entry.
class ColorTable {
public:
    ColorTable(const ExportAnimation& animation, bool transparency)
    {
        const std::vector<ColorCount> histogram = colorHistogram(animation);
        const std::size_t room = transparency ? kPaletteSize - 1 : kPaletteSize;
        if (histogram.size() <= room) {
            for (const ColorCount& color : histogram) {
                m_exact.emplace(color.rgb, std::uint8_t(m_colors.size()));
                m_colors.push_back(color.rgb);
            }
        } else {
            m_colors = MedianCutPalette(histogram, room);
            m_nearest = std::make_unique<NearestColorMap>(m_colors);
        }
        if (m_colors.empty())
            m_colors.push_back(0); // a frame of only transparent pixels
        m_transparentIndex = transparency ? int(m_colors.size()) : NO_TRANSPARENT_COLOR;
    }

    std::uint8_t indexOf(std::uint32_t pixel)
    {
        if (m_transparentIndex != NO_TRANSPARENT_COLOR && isTransparent(pixel))
            return std::uint8_t(m_transparentIndex);
        const std::uint32_t rgb = pixel & kColorMask;
        if (m_nearest)
            return m_nearest->indexOf(rgb);
        const auto found = m_exact.find(rgb);
        return found != m_exact.end() ? found->second : 0;
    }

    int transparentIndex() const { return m_transparentIndex; }

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
    std::vector<std::uint32_t> m_colors;
    std::unordered_map<std::uint32_t, std::uint8_t> m_exact;
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

bool putFrame(GifFileType* gif, const ExportPicture& frame, ColorTable& table, int disposal,
              std::vector<GifPixelType>& line, std::string& error)
{
    GraphicsControlBlock control{};
    control.DisposalMode = disposal;
    control.UserInputFlag = false;
    control.DelayTime = delayCentiseconds(frame.delayMs);
    control.TransparentColor = table.transparentIndex();
    GifByteType extension[4] = {};
    const auto length = int(EGifGCBToExtension(&control, extension));
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, length, extension) == GIF_ERROR) {
        error = gifError("writing a frame's delay", gif->Error);
        return false;
    }
    if (EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, nullptr) == GIF_ERROR) {
        error = gifError("writing a frame", gif->Error);
        return false;
    }
    for (int y = 0; y < frame.height; ++y) {
        const std::uint32_t* row = frame.pixels.data() + std::size_t(y) * std::size_t(frame.width);
        for (int x = 0; x < frame.width; ++x)
            line[std::size_t(x)] = table.indexOf(row[x]);
        if (EGifPutLine(gif, line.data(), frame.width) == GIF_ERROR) {
            error = gifError("writing a frame's pixels", gif->Error);
            return false;
        }
    }
    return true;
}

bool encode(const ExportAnimation& animation, std::vector<std::uint8_t>& bytes, std::string& error)
{
    if (animation.frames.empty()) {
        error = "there are no frames";
        return false;
    }
    const int width = animation.frames.front().width;
    const int height = animation.frames.front().height;
    // A GIF's sides are 16-bit.
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) {
        error = "the picture size cannot be stored in a GIF";
        return false;
    }
    bool transparency = false;
    for (const ExportPicture& frame : animation.frames) {
        if (frame.width != width || frame.height != height
            || frame.pixels.size() != std::size_t(width) * std::size_t(height)) {
            error = "the frames differ in size";
            return false;
        }
        transparency = transparency || std::any_of(frame.pixels.begin(), frame.pixels.end(), isTransparent);
    }

    ColorTable table(animation, transparency);
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
    if (EGifPutScreenDesc(gif, width, height, map->BitsPerPixel, 0, map.get()) == GIF_ERROR) {
        error = gifError("writing the screen", gif->Error);
        return false;
    }
    if (!putLoopForever(gif)) {
        error = gifError("writing the loop count", gif->Error);
        return false;
    }
    // Without transparency each frame covers the last whole; with it the
    // last one has to be cleared, or it would show through.
    const int disposal = transparency ? DISPOSE_BACKGROUND : DISPOSE_DO_NOT;
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (const ExportPicture& frame : animation.frames) {
        if (!putFrame(gif, frame, table, disposal, line, error))
            return false;
    }
    return encoder.close(error);
}

} // namespace

bool EncodeAnimatedGif(const ExportAnimation& animation, std::vector<std::uint8_t>& out, std::string& error)
{
    out.clear();
    error.clear();
    std::vector<std::uint8_t> bytes;
    try {
        if (!encode(animation, bytes, error))
            return false;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    out = std::move(bytes);
    return true;
}

} // namespace kinetra
