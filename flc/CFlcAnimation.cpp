#include "flc/CFlcAnimation.h"

#include "flc/Color256Layout.h"
#include "flc/FlcChunks.h"
#include "io/ByteReader.h"
#include "io/WholeFile.h"

#include <algorithm>
#include <new>
#include <utility>

namespace kinetra {

namespace {

bool isImageChunk(std::uint16_t type)
{
    return type == kChunkDeltaFlc || type == kChunkBlack || type == kChunkByteRun || type == kChunkFliCopy
        || type == kChunkDeltaFli;
}

bool decodeImageChunk(std::uint16_t type, ByteReader& data, IndexView image)
{
    switch (type) {
    case kChunkByteRun: return decodeByteRun(data, image);
    case kChunkDeltaFlc: return decodeDeltaFlc(data, image);
    case kChunkDeltaFli: return decodeDeltaFli(data, image);
    case kChunkFliCopy: return decodeFliCopy(data, image);
    default: return false;
    }
}

// FLI files have no game extension (their reserved bytes are not one) and
// count their delay, a word, in 1/70 s; the program works in milliseconds.
void normalizeFliHeader(FlcHeader& header)
{
    header.speed = fliTicksToMilliseconds(header.speed & kMaxFliTicks);
    header.directions = 0;
    header.framesPerDirection = 0;
    header.leftOffset = 0;
    header.topOffset = 0;
    header.originalWidth = 0;
    header.originalHeight = 0;
    header.animationTime = 0;
}

// The frame chunks the file holds, from the top-level chunk headers alone,
// so that the memory a load may ask for follows what the file holds rather
// than what its header claims. Empty frame chunks count where they make
// frames (`emptyOnesCount`).
std::uint64_t frameChunksPresent(std::span<const std::uint8_t> file, bool emptyOnesCount)
{
    ByteReader in(file);
    in.seek(kFlcHeaderSize);
    std::uint64_t count = 0;
    while (in.remaining() >= kFrameChunkHeaderSize) {
        const std::size_t start = in.position();
        const std::uint32_t size = in.u32();
        const std::uint16_t type = in.u16();
        const std::uint16_t subChunks = in.u16();
        if (type == kChunkFrame && (subChunks > 0 || emptyOnesCount))
            ++count;
        if (size >= kFrameChunkHeaderSize)
            in.seek(start + size);
        else if (type == kChunkFrame && subChunks == 0)
            in.seek(start + kFrameChunkHeaderSize);
        else
            break;
    }
    return count;
}

} // namespace

CFlcAnimation::CFlcAnimation() = default;

CFlcAnimation::~CFlcAnimation()
{
    Clear();
}

void CFlcAnimation::Clear()
{
    frames.clear();
    setAsideFrames.clear();
    paletteOffsets.clear();
    paletteLayouts.clear();
    paletteChunkTypes.clear();
    workBuffer.reset();
    m_frameBlock.reset();
    m_cutShort = false;
    m_headerEdits = {};
    earlierColours.clear();
    m_framesInDisplayColours.clear();
}

HResult CFlcAnimation::Load(const std::string& filePath, bool readPalette)
{
    Clear();
    if (filePath.empty())
        return kFail;
    std::vector<std::uint8_t> file;
    if (!readWholeFile(filePath, file))
        return kFail;
    const HResult result = LoadFromMemory(file, readPalette);
    if (result == kOk)
        path = filePath;
    return result;
}

HResult CFlcAnimation::LoadFromMemory(std::span<const std::uint8_t> file, bool readPalette)
{
    Clear();
    HResult result = kFail;
    try {
        result = decode(file, readPalette);
    } catch (const std::bad_alloc&) {
        result = kFail;
    }
    workBuffer.reset();
    m_framesInDisplayColours.clear();
    if (result != kOk)
        return result;

    // Key frames are only the animation when nothing else came out.
    if (frames.empty()) {
        if (setAsideFrames.empty())
            return kFail;
        frames = std::move(setAsideFrames);
    }
    setAsideFrames.clear();
    return kOk;
}

HResult CFlcAnimation::decode(std::span<const std::uint8_t> file, bool readPalette)
{
    if (file.size() < kFlcHeaderSize)
        return kFail;
    header = FlcHeader::parse(file.first<kFlcHeaderSize>());
    if (header.magic == kFliMagic)
        normalizeFliHeader(header);
    const int width = header.width;
    const int height = header.height;
    if (width < 1 || height < 1 || header.frames < 1)
        return kFail;
    const int limit = header.frames;
    const int wanted = frameLimit ? frameLimit(header) : 0;
    const int keptAtMost = wanted > 0 ? std::min(wanted, limit) : limit;

    // A plain file is its frames in order, as FLIC players show it: no key
    // frame is set aside, and a frame chunk without an image holds the
    // picture before it. Game units keep their cycles of key frames.
    const bool plain = header.framesPerDirection == 0;
    paletteReading = plain ? PacketReading::kPublished : PacketReading::kGameUnit;
    const std::uint64_t pixelsPerFrame = std::uint64_t(width) * std::uint64_t(height);
    // Every frame a game unit keeps may come with a key frame set aside.
    const auto framesFor = [plain](int count) { return plain ? std::uint64_t(count) : 2 * std::uint64_t(count) + 1; };
    const std::uint64_t chunks = frameChunksPresent(file, plain);
    const std::uint64_t framesAtMost = std::min(chunks, framesFor(limit));
    if (framesAtMost == 0 || framesAtMost * pixelsPerFrame > maxTotalPixels)
        return kFail;
    workBuffer = ZeroedIndexBuffer::allocate(width, height);
    if (!workBuffer)
        return kFail;
    m_framesAtMost = std::min(chunks, framesFor(keptAtMost));
    const IndexView image = workBuffer->view();

    ByteReader in(file);
    in.seek(kFlcHeaderSize);
    int kept = 0;
    int cycle = 0;
    bool pictureDrawn = false;
    while (kept < limit) {
        if (in.remaining() < kFrameChunkHeaderSize)
            break; // the end of the file ends the reading
        const std::size_t chunkStart = in.position();
        std::size_t chunkSize = in.u32();
        const std::uint16_t chunkType = in.u16();
        const std::uint16_t subChunks = in.u16();
        in.skip(8);
        if (chunkSize < kFrameChunkHeaderSize) {
            // Anything this short but an empty frame chunk (zero padding at
            // the end of a file, say) ends the reading as the end of the
            // file does.
            if (chunkType != kChunkFrame || subChunks != 0)
                break;
            // An empty frame chunk that gives no size ends with its header.
            // In a plain file it holds the picture for a frame, as any empty
            // frame chunk does; game units pass over it.
            if (!plain)
                continue;
            chunkSize = kFrameChunkHeaderSize;
        }
        if (chunkType != kChunkFrame) {
            // Passed over; it does not count towards the frames.
            in.seek(chunkStart + chunkSize);
            continue;
        }

        const std::size_t chunkEnd = chunkStart + std::min<std::size_t>(chunkSize, file.size() - chunkStart);
        bool drawn = false;
        bool key = false;
        int imageChunks = 0;
        for (int sub = 0; sub < subChunks; ++sub) {
            const std::size_t subStart = in.position();
            if (subStart + kSubChunkHeaderSize > chunkEnd)
                break; // the count promised more than the frame holds
            const std::uint32_t subSize = in.u32();
            const std::uint16_t subType = in.u16();

            if (subType == kChunkColor256 || subType == kChunkColor64) {
                // A game unit's COLOR_256 chunk is taken as one full packet
                // whatever its size field says, as the game takes it. Every
                // other palette chunk ends where its size says; in a game
                // unit (FLI files never are one) a COLOR_64 chunk's packets
                // may still run on to the end of the frame.
                const bool wholePacket = !plain && subType == kChunkColor256;
                if (!wholePacket && subSize < kSubChunkHeaderSize)
                    return kFail;
                const std::size_t size = wholePacket ? kColor256ChunkSize : subSize;
                std::size_t dataEnd = chunkEnd;
                if (wholePacket) {
                    if (file.size() - subStart < size)
                        return kFail;
                    dataEnd = subStart + size;
                } else if (plain) {
                    dataEnd = std::min(subStart + size, chunkEnd);
                }
                const std::size_t dataStart = subStart + kSubChunkHeaderSize;
                if (readPaletteChunk(file.subspan(dataStart, dataEnd - dataStart), dataStart, subType, readPalette)
                    != kOk)
                    return kFail;
                in.seek(subStart + size);
                continue;
            }
            // BLACK alone never moves by its size, so only it may give none.
            if (subSize < kSubChunkHeaderSize && subType != kChunkBlack)
                return kFail;
            if (!isImageChunk(subType)) {
                in.seek(subStart + subSize); // passed over; not counted
                continue;
            }
            if (++imageChunks > kMaxImageChunksPerFrame)
                return kFail;
            if (subType == kChunkBlack) {
                decodeBlack(image); // the position stays behind its header
            } else {
                // The data runs to the frame's end, not to the chunk's own
                // size, which writers get a few bytes wrong either way (cels
                // of the classic authoring program say 2 bytes short on
                // FLI_COPY). The next sub-chunk still starts where the size
                // says, and the frame ends where its own size says.
                const std::size_t dataStart = subStart + kSubChunkHeaderSize;
                ByteReader data(file.subspan(dataStart, chunkEnd - dataStart));
                if (!decodeImageChunk(subType, data, image))
                    return kFail;
                in.seek(subStart + subSize);
            }
            drawn = true;
            if (!plain && subType == kChunkByteRun && cycle == 0)
                key = true;
        }
        if (!drawn && !(plain && pictureDrawn))
            continue; // left where its last sub-chunk ended
        pictureDrawn = true;

        // On to the end of the frame chunk, which skips any padding.
        in.seek(chunkStart + chunkSize);
        // Past the frames wanted the file is still decoded, into the work
        // buffer alone, so that a load cut short refuses what a whole one
        // refuses; it only keeps nothing more.
        if (kept < keptAtMost && addFrame(key) != kOk)
            return kFail;
        if (!plain)
            cycle = cycle == header.framesPerDirection ? 0 : cycle + 1;
        if (!key)
            ++kept;
    }
    m_cutShort = keptAtMost < kept;
    return kOk;
}

HResult CFlcAnimation::readPaletteChunk(std::span<const std::uint8_t> data, std::size_t dataStart, std::uint16_t type,
                                        bool readPalette)
{
    // Recorded with or without the colours: Save writes the display palette
    // back through this layout.
    ByteReader walk(data);
    std::vector<std::uint8_t> layout;
    std::vector<PalettePacket> packets;
    if (!readColor256Layout(walk, paletteReading, layout, packets))
        return kFail;
    paletteOffsets.push_back(static_cast<std::uint32_t>(dataStart));
    paletteLayouts.push_back(std::move(layout));
    paletteChunkTypes.push_back(type);
    Palette next = filePalette;
    if (readPalette) {
        ByteReader colours(data);
        if (!(type == kChunkColor256 ? decodeColor256(colours, next, paletteReading)
                                     : decodeColor64(colours, next, paletteReading)))
            return kFail;
    }
    const Palette& nextDisplay = readPalette ? next : displayPalette;
    const ColorKey nextKey = ColorKey::single(alphaBlend ? (readPalette ? next[255].rgb() : transparentColor) : kNeverAColor);
    keepColoursOfEarlierFrames(nextDisplay, nextKey);
    if (readPalette) {
        filePalette = next;
        transparentColor = filePalette[255].rgb();
        displayPalette = filePalette;
    }
    colorKey = nextKey;
    return kOk;
}

void CFlcAnimation::keepColoursOfEarlierFrames(const Palette& nextDisplay, ColorKey nextKey)
{
    if (m_framesInDisplayColours.empty() || (nextDisplay == displayPalette && nextKey == colorKey))
        return;
    earlierColours.push_back({displayPalette, colorKey});
    const auto index = static_cast<std::int32_t>(earlierColours.size() - 1);
    for (const auto& [setAside, at] : m_framesInDisplayColours)
        (setAside ? setAsideFrames : frames)[at].earlierColours = index;
    m_framesInDisplayColours.clear();
}

const Palette& CFlcAnimation::paletteOf(const FlcFrame& frame) const
{
    return frame.earlierColours < 0 ? displayPalette : earlierColours[std::size_t(frame.earlierColours)].palette;
}

ColorKey CFlcAnimation::colorKeyOf(const FlcFrame& frame) const
{
    return frame.earlierColours < 0 ? colorKey : earlierColours[std::size_t(frame.earlierColours)].key;
}

void CFlcAnimation::useDisplayColoursForAll()
{
    for (FlcFrame& frame : frames)
        frame.earlierColours = -1;
    earlierColours.clear();
}

HResult CFlcAnimation::addFrame(bool keyFrame)
{
    const IndexView image = workBuffer->view();
    const std::uint64_t made = frames.size() + setAsideFrames.size() + 1;
    if (made * image.size() > maxTotalPixels)
        return kFail;
    // Made with the first frame, so that a file refused before any costs
    // nothing for the frames its header promised.
    if (!m_frameBlock)
        m_frameBlock = FrameBlock::allocate(image.size(), m_framesAtMost);
    std::uint8_t* slot = m_frameBlock ? m_frameBlock->append() : nullptr;
    if (!slot)
        return kFail;
    std::copy_n(image.pixels, image.size(), slot);
    const FlcFrame frame{static_cast<std::int16_t>(image.width), static_cast<std::int16_t>(image.height), slot};
    FrameList& list = keyFrame ? setAsideFrames : frames;
    list.push_back(frame);
    m_framesInDisplayColours.emplace_back(keyFrame, list.size() - 1);
    return kOk;
}

} // namespace kinetra
