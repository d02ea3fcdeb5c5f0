#include "formats/PngFile.h"

#include "io/AtomicFile.h"
#include "io/WholeFile.h"
#include "io/WriteFailure.h"

#include <libdeflate.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <utility>

namespace kinetra {

namespace {

// libpng reports an error by a jump back to the function that set it. So that
// the jump skips nothing with a destructor, everything such lives in these
// sessions, made before libpng runs, and the functions libpng may jump out of
// hold plain values only.
struct ReadSession {
    std::string error;
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
    std::uint64_t maxPixels = kMaxPngPixels;
    bool tooLarge = false;
    // A 1-bit grey PNG reads with black at index 1.
    bool invertBits = false;
    // Indices from here on are past the palette and read as 0.
    int paletteEnd = 256;
    PngPicture picture;
    // The rows as libpng gives them, for a true-colour picture.
    std::vector<std::uint8_t> samples;
    std::vector<png_bytep> rows;
};

struct WriteSession {
    std::string error;
    const ByteSink& sink;
    std::vector<std::uint8_t> row;
    std::vector<png_text> texts;
    // The job's rows could not be made.
    bool rowsFailed = false;
};

void onError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    try {
        *error = message;
    } catch (const std::bad_alloc&) {
        error->clear();
    }
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, std::size_t length)
{
    auto* session = static_cast<ReadSession*>(png_get_io_ptr(png));
    if (length > session->bytes.size() - session->offset)
        png_error(png, "the file ends early");
    std::memcpy(out, session->bytes.data() + session->offset, length);
    session->offset += length;
}

void writeBytes(png_structp png, png_bytep data, std::size_t length)
{
    auto* session = static_cast<WriteSession*>(png_get_io_ptr(png));
    if (!session->sink(std::span<const std::uint8_t>(data, length)))
        png_error(png, "the bytes cannot be written");
}

void flushBytes(png_structp) {}

// Grey PNGs read as indices get the ramp of their bit depth as colours,
// which is how such sheets have always been read.
void useGreyRamp(PngPicture& picture, int colours)
{
    for (int i = 0; i < colours; ++i) {
        const auto grey = std::uint8_t(i * 255 / (colours - 1));
        picture.palette[std::size_t(i)] = PaletteEntry::fromRgb(grey, grey, grey);
    }
    picture.paletteSize = colours;
}

void usePaletteOf(png_structp png, png_infop info, int depth, ReadSession& session)
{
    PngPicture& picture = session.picture;
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    count = std::clamp(count, 0, 256);
    for (int i = 0; i < count; ++i)
        picture.palette[std::size_t(i)] = PaletteEntry::fromRgb(colours[i].red, colours[i].green, colours[i].blue);
    picture.paletteSize = count;
    // A 1-bit palette's indices were never checked against it.
    session.paletteEnd = depth == 1 ? 2 : count;
    // A 1-bit palette always had two colours, black then white filling in.
    if (depth == 1 && count < 2) {
        if (count == 0)
            picture.palette[0] = PaletteEntry::fromRgb(0, 0, 0);
        picture.palette[1] = PaletteEntry::fromRgb(255, 255, 255);
        picture.paletteSize = 2;
    } else if (depth == 1) {
        picture.paletteSize = 2;
    }
}

// Reads the header, picks the picture's kind and libpng's transforms, and
// makes room for the rows. False for a picture over the pixel ceiling.
bool prepareRead(png_structp png, png_infop info, ReadSession& session)
{
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    const PngHeader header{width, height, depth, colourType, interlace != PNG_INTERLACE_NONE};
    if (header.pixels() > session.maxPixels) {
        session.tooLarge = true;
        return false;
    }
    if (!pngFileSizeFits(header, session.bytes.size(), session.error))
        return false;
    PngPicture& picture = session.picture;
    picture.width = int(width);
    picture.height = int(height);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool grey = colourType == PNG_COLOR_TYPE_GRAY;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        picture.kind = PngPicture::Kind::Indexed;
        usePaletteOf(png, info, depth, session);
        png_set_packing(png);
    } else if (grey && depth == 1) {
        picture.kind = PngPicture::Kind::Indexed;
        picture.palette[0] = PaletteEntry::fromRgb(255, 255, 255);
        picture.palette[1] = PaletteEntry::fromRgb(0, 0, 0);
        picture.paletteSize = 2;
        session.invertBits = true;
        png_set_packing(png);
    } else if (grey && (depth < 8 || (depth == 8 && transparency))) {
        picture.kind = PngPicture::Kind::Indexed;
        const int colours = depth == 8 ? 256 : 1 << depth;
        useGreyRamp(picture, colours);
        // The transparent grey, if any, has always read as black.
        png_color_16p transparent = nullptr;
        if (png_get_tRNS(png, info, nullptr, nullptr, &transparent) && transparent && transparent->gray < colours)
            picture.palette[transparent->gray] = PaletteEntry::fromRgb(0, 0, 0);
        png_set_packing(png);
    } else if (grey && depth == 8) {
        picture.kind = PngPicture::Kind::Grey;
        useGreyRamp(picture, 256);
    } else {
        picture.kind = PngPicture::Kind::TrueColour;
        png_set_scale_16(png);
        png_set_expand(png);
        png_set_gray_to_rgb(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    session.rows.resize(height);
    if (picture.kind == PngPicture::Kind::TrueColour) {
        const std::size_t rowBytes = png_get_rowbytes(png, info);
        session.samples.resize(rowBytes * height);
        for (png_uint_32 y = 0; y < height; ++y)
            session.rows[y] = session.samples.data() + rowBytes * y;
    } else {
        picture.indices = IndexImage(picture.width, picture.height);
        for (png_uint_32 y = 0; y < height; ++y)
            session.rows[y] = picture.indices.row(int(y));
    }
    return true;
}

// The only place libpng may jump back to while reading.
bool runRead(png_structp png, png_infop info, ReadSession& session)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (!prepareRead(png, info, session))
        return false;
    png_read_image(png, session.rows.data());
    png_read_end(png, info);
    return true;
}

// Rows of 8-bit RGB or RGBA samples to 0xAARRGGBB.
void samplesToArgb(ReadSession& session, int channels)
{
    PngPicture& picture = session.picture;
    const std::size_t width = std::size_t(picture.width);
    picture.argb.resize(width * std::size_t(picture.height));
    std::uint32_t* out = picture.argb.data();
    for (const png_bytep row : session.rows) {
        const std::uint8_t* in = row;
        for (std::size_t x = 0; x < width; ++x, in += channels) {
            const std::uint32_t alpha = channels == 4 ? in[3] : 0xFF;
            *out++ = (alpha << 24) | (std::uint32_t(in[0]) << 16) | (std::uint32_t(in[1]) << 8) | in[2];
        }
    }
}

std::string latin1ToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(char(0xC0 | (byte >> 6)));
            utf8.push_back(char(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

void collectTexts(png_structp png, png_infop info, PngPicture& picture)
{
    png_textp texts = nullptr;
    const int count = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        const png_text& text = texts[i];
        const bool international = text.compression >= PNG_ITXT_COMPRESSION_NONE;
        const std::string_view value(text.text ? text.text : "",
                                     text.text ? (international ? text.itxt_length : text.text_length) : 0);
        picture.texts.push_back(
            {latin1ToUtf8(text.key), international ? std::string(value) : latin1ToUtf8(value)});
    }
}

// Deflate packs at most 1032 bytes into one.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
// What a file may hold besides its rows: text, colour profiles, a paint
// program's own chunks.
constexpr std::uint64_t kOtherChunksAllowance = 16 * 1024 * 1024;
// A compressed text chunk inflates to at most a note (1 MiB) and its
// keyword, and libpng keeps two fewer ancillary chunks than this count and
// passes over the rest: a small file's texts cost little more than the file.
constexpr png_alloc_size_t kMaxChunkBytes = 1024 * 1024 + 1024;
constexpr png_uint_32 kMaxStoredChunks = 16;

std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b)
{
    return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b;
}

std::uint64_t saturatingSum(std::uint64_t a, std::uint64_t b)
{
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

int channelsOf(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1;
    }
}

// The bit depths each colour type allows.
bool depthFits(int colourType, int depth)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case PNG_COLOR_TYPE_PALETTE:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

std::string sizeText(std::uint32_t width, std::uint32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

struct ReadStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStructs() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteStructs {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteStructs() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// Row after row of 0xAARRGGBB pixels as PNG's RGB or RGBA samples.
void argbToSamples(const std::uint32_t* in, std::size_t width, bool rgba, std::uint8_t* out)
{
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t pixel = in[x];
        *out++ = std::uint8_t(pixel >> 16);
        *out++ = std::uint8_t(pixel >> 8);
        *out++ = std::uint8_t(pixel);
        if (rgba)
            *out++ = std::uint8_t(pixel >> 24);
    }
}

// Makes row y as libpng takes it (one index a byte, or RGB or RGBA
// samples) into `row`; false when it cannot.
using EncodeRow = std::function<bool(int y, std::uint8_t* row)>;

// What is encoded: indices with their colours and texts, or 32-bit pixels.
struct EncodeJob {
    int width = 0;
    int height = 0;
    bool indexed = false;
    // A palette picture held whole: width × height, row after row. Without
    // it, `row` makes each row.
    const std::uint8_t* indices = nullptr;
    EncodeRow row;
    std::span<const PaletteEntry> colours; // the palette, 1 to 256 entries
    std::span<const std::uint8_t> alphas; // of the first palette entries; the rest are opaque
    int depth = 8; // bits per index: fewer pack entries below 2, 4 or 16
    PngChannels channels = PngChannels::Rgba;
};

bool encodeRows(png_structp png, png_infop info, const EncodeJob& job, WriteSession& session)
{
    // A sheet of one long row of frames may be wider than libpng's default
    // limit; PNG's own is what counts.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    const bool rgba = job.channels == PngChannels::Rgba;
    const int colourType = job.indexed ? PNG_COLOR_TYPE_PALETTE : rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, png_uint_32(job.width), png_uint_32(job.height), job.indexed ? job.depth : 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.indexed) {
        png_color colours[256];
        for (std::size_t i = 0; i < job.colours.size(); ++i)
            colours[i] = png_color{job.colours[i].red, job.colours[i].green, job.colours[i].blue};
        png_set_PLTE(png, info, colours, int(job.colours.size()));
        if (!job.alphas.empty())
            png_set_tRNS(png, info, job.alphas.data(), int(job.alphas.size()), nullptr);
    }
    if (!session.texts.empty())
        png_set_text(png, info, session.texts.data(), int(session.texts.size()));
    png_write_info(png, info);
    if (job.indexed && job.depth < 8)
        png_set_packing(png); // rows still come one index a byte

    for (int y = 0; y < job.height; ++y) {
        if (job.indices) {
            png_write_row(png, job.indices + std::size_t(y) * std::size_t(job.width));
            continue;
        }
        if (!job.row(y, session.row.data())) {
            session.rowsFailed = true;
            return false;
        }
        png_write_row(png, session.row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

// The only place libpng may jump back to while writing.
bool runEncode(png_structp png, png_infop info, const EncodeJob& job, WriteSession& session)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    return encodeRows(png, info, job, session);
}

void appendWord(std::vector<std::uint8_t>& out, std::uint32_t word)
{
    out.insert(out.end(), {std::uint8_t(word >> 24), std::uint8_t(word >> 16), std::uint8_t(word >> 8),
                           std::uint8_t(word)});
}

void appendChunk(std::vector<std::uint8_t>& out, const char (&type)[5], std::span<const std::uint8_t> data)
{
    appendWord(out, std::uint32_t(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    appendWord(out, libdeflate_crc32(0, out.data() + typeAt, 4 + data.size()));
}

// The rows as PNG stores them unfiltered: a filter byte of 0 before each,
// indices packed at the job's depth, leftmost in the high bits.
std::vector<std::uint8_t> unfilteredRows(const EncodeJob& job)
{
    const auto width = std::size_t(job.width);
    const std::size_t rowBytes = (width * std::size_t(job.depth) + 7) / 8;
    std::vector<std::uint8_t> rows(std::size_t(job.height) * (rowBytes + 1));
    for (std::size_t y = 0; y < std::size_t(job.height); ++y) {
        const std::uint8_t* in = job.indices + y * width;
        std::uint8_t* out = rows.data() + y * (rowBytes + 1) + 1;
        if (job.depth == 8) {
            std::copy(in, in + width, out);
            continue;
        }
        const std::size_t perByte = 8 / std::size_t(job.depth);
        for (std::size_t x = 0; x < width; ++x) {
            const auto shift = int(8 - std::size_t(job.depth) * (x % perByte + 1));
            out[x / perByte] = std::uint8_t(out[x / perByte] | (in[x] << shift));
        }
    }
    return rows;
}

// A palette picture without text, compressed by libdeflate, which makes
// streams as small as zlib's in less time. The rows stay unfiltered, as
// libpng leaves a palette picture's.
bool encodePaletteQuickly(const EncodeJob& job, std::vector<std::uint8_t>& out, std::string& error)
{
    // The level whose streams are as small as zlib's default level makes
    // of frames, in less time.
    constexpr int kLevel = 7;
    const std::vector<std::uint8_t> rows = unfilteredRows(job);
    // One a thread, kept: its tables are megabytes, costly to make a frame.
    thread_local const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kLevel), &libdeflate_free_compressor);
    if (!compressor) {
        error = "out of memory";
        return false;
    }
    std::vector<std::uint8_t> stream(libdeflate_zlib_compress_bound(compressor.get(), rows.size()));
    stream.resize(libdeflate_zlib_compress(compressor.get(), rows.data(), rows.size(), stream.data(), stream.size()));
    if (stream.empty()) {
        error = "the rows cannot be compressed";
        return false;
    }

    constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.assign(std::begin(kSignature), std::end(kSignature));
    std::vector<std::uint8_t> header;
    appendWord(header, std::uint32_t(job.width));
    appendWord(header, std::uint32_t(job.height));
    header.insert(header.end(), {std::uint8_t(job.depth), std::uint8_t(PNG_COLOR_TYPE_PALETTE), 0, 0, 0});
    appendChunk(out, "IHDR", header);
    std::vector<std::uint8_t> colours;
    for (const PaletteEntry& entry : job.colours)
        colours.insert(colours.end(), {entry.red, entry.green, entry.blue});
    appendChunk(out, "PLTE", colours);
    if (!job.alphas.empty())
        appendChunk(out, "tRNS", job.alphas);
    // Chunks of at most a megabyte, far below the format's limit.
    constexpr std::size_t kMaxChunk = std::size_t(1) << 20;
    for (std::size_t at = 0; at < stream.size(); at += kMaxChunk)
        appendChunk(out, "IDAT", std::span(stream).subspan(at, std::min(kMaxChunk, stream.size() - at)));
    appendChunk(out, "IEND", {});
    return true;
}

// Through libpng into `sink`, zlib compressing the rows as they come.
bool encodeStreamed(const EncodeJob& job, std::span<const PngText> texts, const ByteSink& sink, std::string& error)
{
    if (job.width < 1 || job.height < 1) {
        error = "the picture is empty";
        return false;
    }
    try {
        WriteSession session{{}, sink, {}, {}};
        if (!job.indices)
            session.row.resize(std::size_t(job.width) * 4);
        for (const PngText& text : texts) {
            png_text chunk{};
            chunk.compression = PNG_TEXT_COMPRESSION_NONE;
            // libpng copies the text and never writes through these.
            chunk.key = const_cast<char*>(text.key.c_str());
            chunk.text = const_cast<char*>(text.value.c_str());
            chunk.text_length = text.value.size();
            session.texts.push_back(chunk);
        }
        WriteStructs structs;
        structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session.error, onError, onWarning);
        if (structs.png)
            structs.info = png_create_info_struct(structs.png);
        if (!structs.info) {
            error = "out of memory";
            return false;
        }
        png_set_write_fn(structs.png, &session, writeBytes, flushBytes);
        if (!runEncode(structs.png, structs.info, job, session)) {
            error = session.rowsFailed ? "the picture's rows cannot be made"
                    : session.error.empty() ? "libpng failed"
                                            : session.error;
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
}

// Into memory: a palette picture held whole without text by libdeflate,
// anything else through libpng.
bool encode(const EncodeJob& job, std::span<const PngText> texts, std::vector<std::uint8_t>& out, std::string& error)
{
    out.clear();
    if (job.width < 1 || job.height < 1) {
        error = "the picture is empty";
        return false;
    }
    try {
        if (job.indices && texts.empty())
            return encodePaletteQuickly(job, out, error);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        out.clear();
        return false;
    }
    if (!encodeStreamed(job, texts, appendingTo(out), error)) {
        out.clear();
        return false;
    }
    return true;
}

// The fewest bits a pixel of a palette of `count` entries needs.
int depthFor(std::size_t count)
{
    return count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8;
}

// The distinct colours of a picture of at most 256 of them, and each
// pixel's index among them: an open table of twice the most it may hold.
class ColourTable {
public:
    static constexpr std::size_t kMaxColours = 256;

    // The colour's slot, a new one when it is not yet in; nothing when it
    // would be colour 257, or is new to a table renumbered.
    std::optional<std::uint8_t> slotOf(std::uint32_t colour)
    {
        std::size_t at = (colour * 0x9E3779B1u) >> (32 - kBits);
        while (m_entries[at].slot >= 0 && m_entries[at].colour != colour)
            at = (at + 1) & (kSize - 1);
        Entry& entry = m_entries[at];
        if (entry.slot < 0) {
            if (m_count == kMaxColours || m_renumbered)
                return std::nullopt;
            entry = {colour, std::int16_t(m_count)};
            m_colours[m_count++] = colour;
        }
        return std::uint8_t(entry.slot);
    }

    std::span<const std::uint32_t> colours() const { return std::span(m_colours).first(m_count); }

    // Every colour's slot from now on is `to` of the slot it had; no colour
    // is added after.
    void renumber(std::span<const std::uint8_t, kMaxColours> to)
    {
        for (Entry& entry : m_entries) {
            if (entry.slot >= 0)
                entry.slot = to[std::size_t(entry.slot)];
        }
        m_renumbered = true;
    }

private:
    static constexpr int kBits = 9;
    static constexpr std::size_t kSize = std::size_t(1) << kBits;
    // A colour and its slot side by side, one load a lookup; no slot when
    // the entry is free.
    struct Entry {
        std::uint32_t colour = 0;
        std::int16_t slot = -1;
    };
    std::array<Entry, kSize> m_entries{};
    std::array<std::uint32_t, kMaxColours> m_colours{};
    std::size_t m_count = 0;
    bool m_renumbered = false;
};

// Pixels to the slots of their colours in a ColourTable, the last colour
// remembered: pictures run in long spans of one colour.
class ColourIndexer {
public:
    ColourIndexer(ColourTable& table, PngChannels channels)
        : m_table(table), m_kept(channels == PngChannels::Rgba ? 0xFFFFFFFFu : 0x00FFFFFFu)
    {
    }

    // Each pixel's slot into `slots`, or only the colours into the table
    // when `slots` is null; false when a colour would be the 257th.
    bool index(const std::uint32_t* pixels, std::size_t count, std::uint8_t* slots)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t colour = pixels[i] & m_kept;
            if (colour != m_last || !m_any) {
                const auto slot = m_table.slotOf(colour);
                if (!slot)
                    return false;
                m_last = colour;
                m_lastSlot = *slot;
                m_any = true;
            }
            if (slots)
                slots[i] = m_lastSlot;
        }
        return true;
    }

private:
    ColourTable& m_table;
    std::uint32_t m_kept;
    std::uint32_t m_last = 0;
    std::uint8_t m_lastSlot = 0;
    bool m_any = false;
};

// The palette of a picture's colours as it is written: the colours that are
// not opaque first, so that tRNS stops at the last of them; within each
// kind by value, so the same colours always give the same file.
struct ColourPalette {
    std::array<std::uint8_t, ColourTable::kMaxColours> renumbered{}; // a table slot's place
    std::array<PaletteEntry, ColourTable::kMaxColours> colours{};
    std::array<std::uint8_t, ColourTable::kMaxColours> alphas{};
    std::size_t count = 0;
    std::size_t translucent = 0;

    ColourPalette(const ColourTable& table, PngChannels channels)
    {
        const auto found = table.colours();
        count = found.size();
        const bool withAlpha = channels == PngChannels::Rgba;
        const auto opaque = [withAlpha](std::uint32_t colour) { return !withAlpha || colour >> 24 == 0xFF; };
        std::array<std::uint8_t, ColourTable::kMaxColours> order{};
        for (std::size_t i = 0; i < count; ++i)
            order[i] = std::uint8_t(i);
        std::sort(order.begin(), order.begin() + std::ptrdiff_t(count), [&](std::uint8_t a, std::uint8_t b) {
            return std::pair(opaque(found[a]), found[a]) < std::pair(opaque(found[b]), found[b]);
        });
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t colour = found[order[i]];
            renumbered[order[i]] = std::uint8_t(i);
            colours[i] = PaletteEntry::fromRgb(std::uint8_t(colour >> 16), std::uint8_t(colour >> 8), std::uint8_t(colour));
            alphas[i] = std::uint8_t(colour >> 24);
            if (!opaque(colour))
                translucent = i + 1;
        }
    }

    void renumber(std::uint8_t* slots, std::size_t length) const
    {
        for (std::size_t i = 0; i < length; ++i)
            slots[i] = renumbered[slots[i]];
    }

    // The job's palette, its transparency and the depth they need.
    void describe(EncodeJob& job) const
    {
        job.indexed = true;
        job.colours = std::span(colours).first(count);
        job.alphas = std::span(alphas).first(translucent);
        job.depth = depthFor(count);
    }
};

// Encodes `picture` as a palette PNG when it holds at most 256 colours (as
// `channels` keeps them); false, with nothing in `error`, when it holds more.
bool encodeAsPalette(const ExportPicture& picture, PngChannels channels, std::vector<std::uint8_t>& out,
                     std::string& error)
{
    const std::size_t count = std::size_t(picture.width) * std::size_t(picture.height);
    ColourTable table;
    ColourIndexer indexer(table, channels);
    std::vector<std::uint8_t> indices(count);
    if (!indexer.index(picture.pixels.data(), count, indices.data()))
        return false;
    const ColourPalette palette(table, channels);
    palette.renumber(indices.data(), count);

    EncodeJob job;
    job.width = picture.width;
    job.height = picture.height;
    job.indices = indices.data();
    palette.describe(job);
    return encode(job, {}, out, error);
}

} // namespace

std::uint64_t PngHeader::rawBytes() const
{
    const auto bits = std::uint64_t(depth) * std::uint64_t(channelsOf(colourType));
    const auto rows = [bits](std::uint64_t across, std::uint64_t down) {
        return across == 0 ? 0 : saturatingProduct(down, 1 + (across * bits + 7) / 8);
    };
    if (!interlaced)
        return rows(width, height);
    // Adam7's seven passes: first column and row, and the steps between.
    constexpr std::uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::uint64_t total = 0;
    for (const auto& pass : passes) {
        const std::uint64_t across = width > pass[0] ? (width - pass[0] + pass[2] - 1) / pass[2] : 0;
        const std::uint64_t down = height > pass[1] ? (height - pass[1] + pass[3] - 1) / pass[3] : 0;
        total = saturatingSum(total, rows(across, down));
    }
    return total;
}

std::optional<PngHeader> readPngHeader(std::span<const std::uint8_t> head, std::string& problem)
{
    constexpr std::size_t kSignatureSize = 8;
    if (head.size() < kSignatureSize || png_sig_cmp(head.data(), 0, kSignatureSize) != 0) {
        problem = "it is not a PNG (the file does not begin with the PNG signature)";
        return std::nullopt;
    }
    const std::uint8_t* chunk = head.data() + kSignatureSize;
    if (head.size() < kPngHeadSize || png_get_uint_32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0) {
        problem = "the PNG's header chunk is missing or damaged";
        return std::nullopt;
    }
    const std::uint8_t* fields = chunk + 8;
    PngHeader header;
    header.width = png_get_uint_32(fields);
    header.height = png_get_uint_32(fields + 4);
    header.depth = fields[8];
    header.colourType = fields[9];
    header.interlaced = fields[12] == PNG_INTERLACE_ADAM7;
    if (header.width == 0 || header.height == 0 || header.width > PNG_UINT_31_MAX || header.height > PNG_UINT_31_MAX) {
        problem = "the PNG's header gives a size of " + sizeText(header.width, header.height) + " pixels";
        return std::nullopt;
    }
    if (!depthFits(header.colourType, header.depth)) {
        problem = "the PNG's header gives colour type " + std::to_string(header.colourType) + " at "
                  + std::to_string(header.depth) + " bits, which the format does not have";
        return std::nullopt;
    }
    if (fields[10] != PNG_COMPRESSION_TYPE_BASE || fields[11] != PNG_FILTER_TYPE_BASE || fields[12] > PNG_INTERLACE_ADAM7) {
        problem = "the PNG's header names a compression, filter or interlace method the format does not have";
        return std::nullopt;
    }
    return header;
}

bool pngFileSizeFits(const PngHeader& header, std::uint64_t fileSize, std::string& problem)
{
    const std::uint64_t raw = header.rawBytes();
    if (raw / kMaxDeflateRatio > fileSize) {
        problem = "a PNG of " + sizeText(header.width, header.height) + " pixels cannot fit in "
                  + std::to_string(fileSize) + " bytes";
        return false;
    }
    if (fileSize > saturatingSum(saturatingSum(raw, raw / 64), kOtherChunksAllowance)) {
        problem = "the file's " + std::to_string(fileSize) + " bytes are far more than a PNG of "
                  + sizeText(header.width, header.height) + " pixels holds";
        return false;
    }
    return true;
}

const std::string* PngPicture::text(std::string_view key) const
{
    const std::string* found = nullptr;
    for (const PngText& text : texts)
        if (text.key == key)
            found = &text.value;
    return found;
}

bool encodeArgbPng(const ExportPicture& picture, PngChannels channels, std::vector<std::uint8_t>& out,
                   std::string& error)
{
    if (picture.width > 0 && picture.height > 0
        && picture.pixels.size() < std::size_t(picture.width) * std::size_t(picture.height)) {
        error = "the pixels do not fill the picture";
        return false;
    }
    EncodeJob job;
    job.width = picture.width;
    job.height = picture.height;
    job.channels = channels;
    const auto width = std::size_t(std::max(picture.width, 0));
    job.row = [&picture, width, rgba = channels == PngChannels::Rgba](int y, std::uint8_t* row) {
        argbToSamples(picture.pixels.data() + std::size_t(y) * width, width, rgba, row);
        return true;
    };
    return encode(job, {}, out, error);
}

bool encodeIndexedPng(const IndexImage& image, const Palette& palette, std::span<const PngText> texts,
                      std::vector<std::uint8_t>& out, std::string& error)
{
    if (image.width > 0 && image.height > 0 && image.pixels.size() < std::size_t(image.width) * std::size_t(image.height)) {
        error = "the pixels do not fill the picture";
        return false;
    }
    EncodeJob job;
    job.width = image.width;
    job.height = image.height;
    job.indexed = true;
    job.indices = image.pixels.data();
    job.colours = palette;
    return encode(job, texts, out, error);
}

bool encodeIndexedPng(const IndexRows& rows, const Palette& palette, std::span<const PngText> texts,
                      const ByteSink& sink, std::string& error)
{
    EncodeJob job;
    job.width = rows.width;
    job.height = rows.height;
    job.indexed = true;
    job.row = [&rows](int y, std::uint8_t* row) {
        rows.fill(y, row);
        return true;
    };
    job.colours = palette;
    return encodeStreamed(job, texts, sink, error);
}

bool encodeUsedColoursPng(std::span<const std::uint8_t> indices, int width, int height, const Palette& palette,
                          std::vector<std::uint8_t>& out, std::string& error)
{
    if (width > 0 && height > 0 && indices.size() < std::size_t(width) * std::size_t(height)) {
        error = "the pixels do not fill the picture";
        return false;
    }
    indices = indices.first(std::size_t(std::max(width, 0)) * std::size_t(std::max(height, 0)));
    std::array<bool, 256> used{};
    for (const std::uint8_t index : indices)
        used[index] = true;
    // The entries used, in palette order, each renumbered to its place.
    std::array<std::uint8_t, 256> renumbered{};
    std::array<PaletteEntry, 256> colours{};
    std::size_t count = 0;
    bool sameNumbers = true;
    for (std::size_t i = 0; i < 256; ++i) {
        if (!used[i])
            continue;
        sameNumbers = sameNumbers && count == i;
        renumbered[i] = std::uint8_t(count);
        colours[count++] = palette[i];
    }
    std::vector<std::uint8_t> kept;
    try {
        if (!sameNumbers) {
            kept.resize(indices.size());
            std::transform(indices.begin(), indices.end(), kept.begin(),
                           [&renumbered](std::uint8_t index) { return renumbered[index]; });
            indices = kept;
        }
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
    EncodeJob job;
    job.width = width;
    job.height = height;
    job.indexed = true;
    job.indices = indices.data();
    job.colours = std::span(colours).first(std::max<std::size_t>(count, 1));
    job.depth = depthFor(count);
    return encode(job, {}, out, error);
}

bool encodeSmallestPng(const ExportPicture& picture, PngChannels channels, std::vector<std::uint8_t>& out,
                       std::string& error)
{
    if (picture.width < 1 || picture.height < 1
        || picture.pixels.size() < std::size_t(picture.width) * std::size_t(picture.height))
        return encodeArgbPng(picture, channels, out, error); // which says what is wrong
    try {
        error.clear();
        if (encodeAsPalette(picture, channels, out, error) || !error.empty())
            return error.empty();
    } catch (const std::bad_alloc&) {
        // The palette form needs a byte a pixel more; the other may still fit.
    }
    return encodeArgbPng(picture, channels, out, error);
}

bool encodeSmallestPng(const ArgbRows& rows, PngChannels channels, const ByteSink& sink, std::string& error)
{
    if (rows.width < 1 || rows.height < 1) {
        error = "the picture is empty";
        return false;
    }
    try {
        const auto width = std::size_t(rows.width);
        std::vector<std::uint32_t> pixels(width);
        // First every colour, up to the 257th.
        ColourTable table;
        ColourIndexer indexer(table, channels);
        bool fits = true;
        for (int y = 0; y < rows.height && fits; ++y) {
            if (!rows.fill(y, pixels.data())) {
                error = "the picture's rows cannot be made";
                return false;
            }
            fits = indexer.index(pixels.data(), width, nullptr);
        }
        // Then the rows again, written.
        EncodeJob job;
        job.width = rows.width;
        job.height = rows.height;
        job.channels = channels;
        std::optional<ColourPalette> palette;
        std::optional<ColourIndexer> written;
        if (fits) {
            palette.emplace(table, channels);
            palette->describe(job);
            // The table gives each colour's place in the palette from now
            // on, and a colour the first pass did not see fails its row.
            table.renumber(palette->renumbered);
            written.emplace(table, channels);
            job.row = [&](int y, std::uint8_t* row) {
                return rows.fill(y, pixels.data()) && written->index(pixels.data(), width, row);
            };
        } else {
            job.row = [&, rgba = channels == PngChannels::Rgba](int y, std::uint8_t* row) {
                if (!rows.fill(y, pixels.data()))
                    return false;
                argbToSamples(pixels.data(), width, rgba, row);
                return true;
            };
        }
        return encodeStreamed(job, {}, sink, error);
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return false;
    }
}

bool writeArgbPng(const std::string& path, const ExportPicture& picture, PngChannels channels, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    if (!encodeArgbPng(picture, channels, bytes, error)) {
        error = "Cannot encode the PNG: " + error + ".";
        return false;
    }
    std::error_code written;
    if (!writeFileAtomically(path, bytes, written)) {
        error = cannotWriteMessage(path, written);
        return false;
    }
    return true;
}

std::optional<PngPicture> decodePng(std::span<const std::uint8_t> bytes, std::string& problem, std::uint64_t maxPixels)
{
    try {
        ReadSession session;
        session.bytes = bytes;
        session.maxPixels = maxPixels;
        ReadStructs structs;
        structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session.error, onError, onWarning);
        if (structs.png)
            structs.info = png_create_info_struct(structs.png);
        if (!structs.info) {
            problem = "Not enough memory for the picture.";
            return std::nullopt;
        }
        png_set_read_fn(structs.png, &session, readBytes);
        png_set_chunk_malloc_max(structs.png, kMaxChunkBytes);
        png_set_chunk_cache_max(structs.png, kMaxStoredChunks);
        if (!runRead(structs.png, structs.info, session)) {
            if (session.tooLarge)
                problem = "The picture is too large.";
            else
                problem = "Cannot read the picture: " + (session.error.empty() ? std::string("libpng failed") : session.error) + ".";
            return std::nullopt;
        }

        PngPicture& picture = session.picture;
        if (picture.kind == PngPicture::Kind::TrueColour)
            samplesToArgb(session, png_get_channels(structs.png, structs.info));
        for (std::uint8_t& index : picture.indices.pixels)
            index = session.invertBits ? (index ? 0 : 1) : index < session.paletteEnd ? index : 0;
        collectTexts(structs.png, structs.info, picture);
        return std::move(picture);
    } catch (const std::bad_alloc&) {
        problem = "Not enough memory for the picture.";
        return std::nullopt;
    }
}

std::optional<PngPicture> readPngFile(const std::string& path, std::string& problem, const PngHeaderCheck& check)
{
    const auto cannotOpen = [&problem] {
        problem = "Cannot read the picture: the file cannot be opened.";
        return std::nullopt;
    };
    std::vector<std::uint8_t> bytes;
    const bool opened = readFileHead(path, kPngHeadSize, bytes);
    const auto size = regularFileSize(path);
    if (!opened || !size)
        return cannotOpen();
    std::string why;
    const auto header = readPngHeader(bytes, why);
    if (header && check && !check(*header, problem))
        return std::nullopt;
    if (!header || !pngFileSizeFits(*header, *size, why)) {
        problem = "Cannot read the picture: " + why + ".";
        return std::nullopt;
    }
    if (!readWholeFile(path, bytes, *size))
        return cannotOpen();
    return decodePng(bytes, problem, header->pixels());
}

} // namespace kinetra
