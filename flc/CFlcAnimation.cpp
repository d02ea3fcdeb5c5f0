#include "flc/CFlcAnimation.h"

#include "flc/ByteReader.h"
#include "flc/Color256Layout.h"
#include "flc/FlcChunks.h"
#include "flc/WholeFile.h"

#include <array>
#include <new>
#include <utility>

namespace kinetra {

namespace {

constexpr std::uint32_t kNeverAColor = 0x00000001;

struct FrameChunkState {
    std::uint64_t consumed = 0;
    bool image = false;
    bool key = false;
};

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
    workBuffer.reset();
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
    const int width = header.width;
    const int height = header.height;
    if (width < 1 || height < 1)
        return kFail;
    const std::uint64_t framePixels = std::uint64_t(width) * std::uint64_t(height);
    if (framePixels > kMaxTotalPixels)
        return kFail;
    workBuffer = std::make_unique<IndexImage>(width, height);

    ByteReader in(file);
    in.seek(kFlcHeaderSize);
    int kept = 0;
    const int limit = header.frames;
    int cycle = 0;
    while (kept < limit) {
        if (in.remaining() < kFrameChunkHeaderSize)
            break; // the end of the file ends the reading
        const std::size_t chunkStart = in.position();
        const std::uint32_t chunkSize = in.u32();
        const std::uint16_t chunkType = in.u16();
        const std::uint16_t subChunks = in.u16();
        in.skip(8);
        if (chunkSize < kFrameChunkHeaderSize)
            return kFail;
        if (chunkType != kChunkFrame) {
            // Passed over; it does not count towards the frames.
            in.seek(chunkStart + chunkSize);
            continue;
        }

        FrameChunkState state;
        std::unique_ptr<CSurface> frame;
        for (int sub = 0; sub < subChunks; ++sub) {
            const std::size_t subStart = in.position();
            const std::uint32_t subSize = in.u32();
            const std::uint16_t subType = in.u16();
            if (!in.ok())
                return kFail;

            if (subType == kChunkColor256) {
                if (file.size() - subStart < kColor256ChunkSize)
                    return kFail;
                const auto chunkData = file.subspan(subStart + kSubChunkHeaderSize, kColor256ChunkSize - kSubChunkHeaderSize);
                // Recorded with or without the colours: Save writes the
                // display palette back through this layout.
                ByteReader walk(chunkData);
                std::vector<std::uint8_t> layout;
                if (!readColor256Layout(walk, layout))
                    return kFail;
                paletteOffsets.push_back(static_cast<std::uint32_t>(subStart + kSubChunkHeaderSize));
                paletteLayouts.push_back(std::move(layout));
                if (readPalette) {
                    ByteReader data(chunkData);
                    if (!decodeColor256(data, filePalette))
                        return kFail;
                    transparentColor = filePalette[255].rgb();
                    displayPalette = filePalette;
                }
                in.seek(subStart + kColor256ChunkSize);
                colorKey = ColorKey::single(alphaBlend ? transparentColor : kNeverAColor);
                state.consumed += kColor256ChunkSize;
                continue;
            }

            if (subSize < kSubChunkHeaderSize)
                return kFail;
            state.consumed += subSize;
            const bool isImage = subType == kChunkDeltaFlc || subType == kChunkBlack
                || subType == kChunkByteRun || subType == kChunkFliCopy;
            if (!isImage) {
                in.seek(subStart + subSize); // passed over; not counted
                continue;
            }

            if (!state.image) {
                const std::uint64_t madeFrames = frames.size() + setAsideFrames.size() + 1;
                if (madeFrames * framePixels > kMaxTotalPixels)
                    return kFail;
                frame = std::make_unique<CSurface>();
                if (frame->Create(width, height) != kOk)
                    return kFail;
            }
            if (subType == kChunkBlack) {
                decodeBlack(*workBuffer); // the position stays behind its header
            } else {
                ByteReader data = in.take(subSize - kSubChunkHeaderSize);
                const bool decoded = subType == kChunkByteRun ? decodeByteRun(data, *workBuffer)
                    : subType == kChunkDeltaFlc                ? decodeDeltaFlc(data, *workBuffer)
                                                               : decodeFliCopy(data, *workBuffer);
                if (!decoded)
                    return kFail;
            }
            state.image = true;
            if (subType == kChunkByteRun && cycle == 0)
                state.key = true;
        }
        if (!state.image)
            continue; // left where its last sub-chunk ended

        // On to the end of the frame chunk, which skips any padding.
        const std::uint64_t walked = kFrameChunkHeaderSize + state.consumed;
        if (walked > chunkSize)
            return kFail;
        in.seek(in.position() + (chunkSize - walked));

        if (finishFrame(*frame) != kOk)
            return kFail;
        cycle = cycle == header.framesPerDirection ? 0 : cycle + 1;
        if (state.key) {
            setAsideFrames.push_back(std::move(frame));
        } else {
            frames.push_back(std::move(frame));
            ++kept;
        }
    }
    return kOk;
}

HResult CFlcAnimation::finishFrame(CSurface& frame)
{
    frame.SetColorKey(colorKey);
    std::uint8_t* bits = nullptr;
    int pitch = 0;
    if (frame.Lock(bits, pitch) != kOk)
        return kFail;

    const int width = workBuffer->width;
    const int height = workBuffer->height;
    frame.indices.reset(new (std::nothrow) std::uint8_t[workBuffer->pixels.size()]);
    if (!frame.indices) {
        frame.Unlock();
        return kFail;
    }
    std::copy(workBuffer->pixels.begin(), workBuffer->pixels.end(), frame.indices.get());

    std::array<std::uint32_t, 256> pixelOf;
    for (std::size_t i = 0; i < pixelOf.size(); ++i)
        pixelOf[i] = displayPalette[i].pixel();
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(bits + std::size_t(y) * std::size_t(pitch));
        const std::uint8_t* in = workBuffer->row(y);
        for (int x = 0; x < width; ++x)
            out[x] = pixelOf[in[x]];
    }
    frame.Unlock();
    return kOk;
}

} // namespace kinetra
