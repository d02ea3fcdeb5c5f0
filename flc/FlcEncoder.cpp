#include "flc/FlcEncoder.h"

#include "flc/FlcChunks.h"

#include <algorithm>
#include <fstream>

namespace kinetra::encoder {

namespace {

void put8(Bytes& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value));
}

void put16(Bytes& out, unsigned value)
{
    put8(out, int(value & 0xFF));
    put8(out, int((value >> 8) & 0xFF));
}

void put32(Bytes& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void set16(Bytes& out, std::size_t at, unsigned value)
{
    out[at] = static_cast<std::uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

Bytes subChunk(std::uint16_t type, const Bytes& data)
{
    Bytes out;
    const std::size_t padded = (kSubChunkHeaderSize + data.size() + 1) & ~std::size_t(1);
    out.reserve(padded);
    put32(out, static_cast<std::uint32_t>(padded));
    put16(out, type);
    out.insert(out.end(), data.begin(), data.end());
    out.resize(padded, 0);
    return out;
}

// The top-level chunk header: size, type, sub-chunk count and 8 bytes that
// the published format gives to delay, reserved, width and height.
Bytes topLevelChunk(std::uint16_t type, std::uint16_t chunks, const Bytes& body)
{
    Bytes out;
    put32(out, static_cast<std::uint32_t>(kFrameChunkHeaderSize + body.size()));
    put16(out, type);
    put16(out, chunks);
    out.resize(kFrameChunkHeaderSize, 0);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

int runLength(const std::uint8_t* line, int from, int width, int cap)
{
    int n = 1;
    while (from + n < width && n < cap && line[from + n] == line[from])
        ++n;
    return n;
}

// One BYTE_RUN line; returns the number of packets written. Runs of two or
// more start a repeat packet; a literal stretch only gives way to a run of
// three, since shorter runs cost as much as they save.
int encodeByteRunLine(const std::uint8_t* line, int width, Bytes& out)
{
    int packets = 0;
    int x = 0;
    while (x < width) {
        const int run = runLength(line, x, width, 127);
        if (run >= 2) {
            put8(out, run);
            put8(out, line[x]);
            x += run;
        } else {
            const int start = x;
            while (x < width && x - start < 128) {
                if (x > start && runLength(line, x, width, 3) >= 3)
                    break;
                ++x;
            }
            put8(out, -(x - start)); // -128 stands for 128
            out.insert(out.end(), line + start, line + x);
        }
        ++packets;
    }
    return packets;
}

// The pixel pairs of a DELTA_FLC line, low byte first as they are stored.
std::uint16_t pairAt(const std::uint8_t* line, int pair)
{
    return static_cast<std::uint16_t>(line[2 * pair] | (line[2 * pair + 1] << 8));
}

// The packets of one changed line, behind its packet-count word. Pairs are
// aligned to even columns; the last pixel of an odd width is the caller's.
void encodeDeltaLine(const std::uint8_t* before, const std::uint8_t* after, int pairs, Bytes& out)
{
    const std::size_t countAt = out.size();
    put16(out, 0);
    unsigned packets = 0;
    auto changed = [&](int pair) { return pairAt(before, pair) != pairAt(after, pair); };

    int pos = 0; // the decoder's column, in pairs
    int next = 0;
    while (true) {
        while (next < pairs && !changed(next))
            ++next;
        if (next >= pairs)
            break;
        // A single unchanged pair between two changes is cheaper to rewrite
        // than to open another packet for.
        int end = next + 1;
        while (true) {
            int gapEnd = end;
            while (gapEnd < pairs && !changed(gapEnd))
                ++gapEnd;
            if (gapEnd < pairs && gapEnd - end <= 1)
                end = gapEnd + 1;
            else
                break;
        }

        // The column skip is one byte: a longer gap is crossed by packets
        // that rewrite one unchanged pair each. A packet with a count of 0
        // is avoided; readers disagree on whether it carries a word.
        int gap = next - pos;
        while (gap > 127) {
            put8(out, 254);
            put8(out, 1);
            put16(out, pairAt(after, pos + 127));
            ++packets;
            pos += 128;
            gap -= 128;
        }

        int at = next;
        bool first = true;
        while (at < end) {
            const int skip = first ? 2 * (at - pos) : 0;
            first = false;
            int run = 1;
            while (at + run < end && run < 128 && pairAt(after, at + run) == pairAt(after, at))
                ++run;
            if (run >= 2) {
                put8(out, skip);
                put8(out, -run); // -128 stands for 128
                put16(out, pairAt(after, at));
                at += run;
            } else {
                const int start = at;
                while (at < end && at - start < 127) {
                    if (at > start && at + 2 < end && pairAt(after, at) == pairAt(after, at + 1)
                        && pairAt(after, at) == pairAt(after, at + 2))
                        break;
                    ++at;
                }
                put8(out, skip);
                put8(out, at - start);
                for (int p = start; p < at; ++p)
                    put16(out, pairAt(after, p));
            }
            ++packets;
        }
        pos = end;
        next = end;
    }
    set16(out, countAt, packets);
}

} // namespace

Bytes color256Chunk(const Palette& palette)
{
    Bytes data;
    put16(data, 1); // one packet
    put8(data, 0);  // starting at index 0
    put8(data, 0);  // of 256 colours
    for (const PaletteEntry& entry : palette) {
        put8(data, entry.red);
        put8(data, entry.green);
        put8(data, entry.blue);
    }
    return subChunk(kChunkColor256, data);
}

Bytes color64Chunk(const Palette& palette)
{
    Bytes data;
    put16(data, 1);
    put8(data, 0);
    put8(data, 0);
    for (const PaletteEntry& entry : palette) {
        put8(data, toColor64(entry.red));
        put8(data, toColor64(entry.green));
        put8(data, toColor64(entry.blue));
    }
    return subChunk(kChunkColor64, data);
}

Bytes deltaFliChunk(const IndexImage& previous, const IndexImage& next)
{
    const auto width = std::size_t(next.width);
    auto lineChanged = [&](int y) {
        return !std::equal(previous.pixels.begin() + std::ptrdiff_t(std::size_t(y) * width),
                           previous.pixels.begin() + std::ptrdiff_t(std::size_t(y + 1) * width),
                           next.pixels.begin() + std::ptrdiff_t(std::size_t(y) * width));
    };
    int first = 0;
    while (first < next.height && !lineChanged(first))
        ++first;
    int last = next.height - 1;
    while (last >= first && !lineChanged(last))
        --last;

    Bytes data;
    put16(data, first < next.height ? unsigned(first) : 0);
    put16(data, first <= last ? unsigned(last - first + 1) : 0);
    for (int y = first; y <= last; ++y) {
        // Each line whole, in literal packets of up to 127 bytes.
        const std::uint8_t* line = next.pixels.data() + std::size_t(y) * width;
        const std::size_t countAt = data.size();
        put8(data, 0);
        int packets = 0;
        for (std::size_t x = 0; x < width; x += 127, ++packets) {
            const std::size_t length = std::min<std::size_t>(127, width - x);
            put8(data, 0);
            put8(data, int(length));
            data.insert(data.end(), line + x, line + x + length);
        }
        data[countAt] = static_cast<std::uint8_t>(packets);
    }
    return subChunk(kChunkDeltaFli, data);
}

Bytes byteRunChunk(const IndexImage& image)
{
    Bytes data;
    for (int y = 0; y < image.height; ++y) {
        const std::size_t countAt = data.size();
        put8(data, 0);
        const int packets = encodeByteRunLine(image.pixels.data() + std::size_t(y) * std::size_t(image.width), image.width, data);
        // The count is only a hint to readers; a line of more packets than
        // a byte holds says 0.
        data[countAt] = static_cast<std::uint8_t>(packets <= 255 ? packets : 0);
    }
    return subChunk(kChunkByteRun, data);
}

Bytes deltaFlcChunk(const IndexImage& previous, const IndexImage& next)
{
    Bytes data;
    put16(data, 0);
    unsigned lines = 0;
    int skipped = 0;
    const int width = next.width;
    const std::size_t stride = std::size_t(width);
    for (int y = 0; y < next.height; ++y) {
        const std::uint8_t* before = previous.pixels.data() + std::size_t(y) * stride;
        const std::uint8_t* after = next.pixels.data() + std::size_t(y) * stride;
        if (std::equal(before, before + width, after)) {
            ++skipped;
            continue;
        }
        // A skip word holds at most 16384 lines (0xC000 read as int16).
        while (skipped > 0) {
            const int step = std::min(skipped, 0x4000);
            put16(data, static_cast<std::uint16_t>(-step));
            skipped -= step;
        }
        if (width % 2 != 0 && before[width - 1] != after[width - 1])
            put16(data, 0x8000u | after[width - 1]);
        encodeDeltaLine(before, after, width / 2, data);
        ++lines;
    }
    set16(data, 0, lines);
    return subChunk(kChunkDeltaFlc, data);
}

Bytes fliCopyChunk(const IndexImage& image)
{
    return subChunk(kChunkFliCopy, Bytes(image.pixels.begin(), image.pixels.end()));
}

Bytes blackChunk()
{
    return subChunk(kChunkBlack, {});
}

Bytes rawSubChunk(std::uint16_t type, const Bytes& data)
{
    return subChunk(type, data);
}

FlcBuilder::FlcBuilder(int width, int height) : m_width(width), m_height(height) {}

FlcBuilder& FlcBuilder::addFrame(const std::vector<Bytes>& subChunks)
{
    Bytes body;
    for (const Bytes& sub : subChunks)
        body.insert(body.end(), sub.begin(), sub.end());
    m_chunks.push_back(topLevelChunk(kChunkFrame, static_cast<std::uint16_t>(subChunks.size()), body));
    m_isFrame.push_back(true);
    return *this;
}

FlcBuilder& FlcBuilder::addChunk(std::uint16_t type, const Bytes& data)
{
    m_chunks.push_back(topLevelChunk(type, 0, data));
    m_isFrame.push_back(false);
    return *this;
}

Bytes FlcBuilder::build() const
{
    FlcHeader out = header;
    out.magic = magic;
    out.width = static_cast<std::int16_t>(m_width);
    out.height = static_cast<std::int16_t>(m_height);
    out.depth = 8;
    out.oframe1 = 0;
    out.oframe2 = 0;

    std::size_t offset = kFlcHeaderSize;
    int framesSeen = 0;
    for (std::size_t i = 0; i < m_chunks.size(); ++i) {
        if (m_isFrame[i]) {
            if (framesSeen == 0)
                out.oframe1 = static_cast<std::uint32_t>(offset);
            else if (framesSeen == 1)
                out.oframe2 = static_cast<std::uint32_t>(offset);
            ++framesSeen;
        }
        offset += m_chunks[i].size();
    }
    out.size = static_cast<std::uint32_t>(offset);

    const auto head = out.serialize();
    Bytes file(head.begin(), head.end());
    file.reserve(offset);
    for (const Bytes& chunk : m_chunks)
        file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

bool FlcBuilder::writeTo(const std::string& path) const
{
    const Bytes bytes = build();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

namespace {

bool sameSize(const std::vector<IndexImage>& images, int width, int height)
{
    return std::all_of(images.begin(), images.end(), [&](const IndexImage& image) {
        return image.width == width && image.height == height
            && image.pixels.size() == std::size_t(width) * std::size_t(height);
    });
}

} // namespace

Bytes buildGameAnimation(const GameAnimation& animation)
{
    const int perDirection = animation.framesPerDirection;
    if (animation.width < 1 || animation.height < 1 || animation.directions < 1 || perDirection < 1
        || animation.images.size() != std::size_t(animation.directions) * std::size_t(perDirection)
        || !sameSize(animation.images, animation.width, animation.height))
        return {};

    FlcBuilder builder(animation.width, animation.height);
    FlcHeader& h = builder.header;
    h.frames = static_cast<std::int16_t>(animation.images.size());
    h.speed = animation.speed;
    h.directions = static_cast<std::uint16_t>(animation.directions);
    h.framesPerDirection = static_cast<std::uint16_t>(perDirection);
    h.leftOffset = animation.leftOffset;
    h.topOffset = animation.topOffset;
    h.originalWidth = animation.originalWidth;
    h.originalHeight = animation.originalHeight;
    h.animationTime = animation.animationTime.value_or(animation.speed * std::uint32_t(perDirection));

    const IndexImage* shown = nullptr;
    for (int d = 0; d < animation.directions; ++d) {
        const IndexImage& key = animation.images[std::size_t(d) * std::size_t(perDirection)];
        std::vector<Bytes> keyFrame;
        if (d == 0)
            keyFrame.push_back(color256Chunk(animation.palette));
        keyFrame.push_back(byteRunChunk(key));
        builder.addFrame(keyFrame);
        shown = &key;
        for (int f = 0; f < perDirection; ++f) {
            const IndexImage& image = animation.images[std::size_t(d) * std::size_t(perDirection) + std::size_t(f)];
            builder.addFrame({deltaFlcChunk(*shown, image)});
            shown = &image;
        }
    }
    builder.addFrame({deltaFlcChunk(*shown, animation.images.front())});
    return builder.build();
}

Bytes buildPlainFlc(const Palette& palette, const std::vector<IndexImage>& images, std::uint32_t speed)
{
    if (images.empty())
        return {};
    const int width = images.front().width;
    const int height = images.front().height;
    if (width < 1 || height < 1 || !sameSize(images, width, height))
        return {};

    FlcBuilder builder(width, height);
    builder.header.frames = static_cast<std::int16_t>(images.size());
    builder.header.speed = speed;
    builder.addFrame({color256Chunk(palette), byteRunChunk(images.front())});
    for (std::size_t i = 1; i < images.size(); ++i)
        builder.addFrame({deltaFlcChunk(images[i - 1], images[i])});
    builder.addFrame({deltaFlcChunk(images.back(), images.front())});
    return builder.build();
}

} // namespace kinetra::encoder
