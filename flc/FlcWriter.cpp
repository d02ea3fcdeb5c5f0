#include "flc/CFlcAnimation.h"

#include "flc/Color256Layout.h"
#include "flc/FlcChunks.h"
#include "io/AtomicFile.h"
#include "io/ByteReader.h"
#include "io/WholeFile.h"

#include <algorithm>
#include <utility>

namespace kinetra {

namespace {

constexpr std::size_t kColor256DataSize = kColor256ChunkSize - kSubChunkHeaderSize;

// Writes `palette` into the colour bytes of the palette chunk (COLOR_256,
// or COLOR_64 with 6-bit colours) whose data begins at `offset` in `file`,
// after checking that the chunk is still the one the load found there: a
// header of its type in front and the packet layout recorded then. Nothing
// but colour bytes changes. False when the file no longer matches or a
// packet reaches past entry 255.
bool writePaletteChunk(std::vector<std::uint8_t>& file, std::size_t offset, std::uint16_t type,
    const std::vector<std::uint8_t>& recordedLayout, const Palette& palette)
{
    if (offset < kSubChunkHeaderSize || offset > file.size())
        return false;
    ByteReader header(std::span<const std::uint8_t>(file).subspan(offset - kSubChunkHeaderSize, kSubChunkHeaderSize));
    header.u32(); // the size is not trusted by the reader either
    if (header.u16() != type || (type != kChunkColor256 && type != kChunkColor64))
        return false;

    // The same bytes the load walked: a COLOR_256 chunk counted as 778 bytes.
    const std::size_t dataSize = type == kChunkColor256 ? kColor256DataSize : file.size() - offset;
    ByteReader data(std::span<const std::uint8_t>(file).subspan(offset, std::min(dataSize, file.size() - offset)));
    std::vector<std::uint8_t> layout;
    if (!readColor256Layout(data, layout) || layout != recordedLayout)
        return false;

    std::size_t at = offset + 2;
    for (std::size_t packet = 2; packet + 1 < layout.size(); packet += 2) {
        // As the reader places them: the skip byte is the first index, and a
        // count of 0 is the whole palette from index 0.
        std::size_t index = layout[packet];
        std::size_t count = layout[packet + 1];
        if (count == 0) {
            index = 0;
            count = palette.size();
        }
        if (index + count > palette.size())
            return false;
        at += 2;
        if (at > file.size() || 3 * count > file.size() - at)
            return false; // the walk above rules this out; the write is checked anyway
        const std::span<std::uint8_t> colours = std::span<std::uint8_t>(file).subspan(at, 3 * count);
        const auto stored = [type](std::uint8_t value) { return type == kChunkColor64 ? toColor64(value) : value; };
        for (std::size_t i = 0; i < count; ++i) {
            const PaletteEntry& entry = palette[index + i];
            colours[3 * i] = stored(entry.red);
            colours[3 * i + 1] = stored(entry.green);
            colours[3 * i + 2] = stored(entry.blue);
        }
        at += 3 * count;
    }
    return true;
}

bool sameIndices(const CFlcAnimation::FrameList& a, const CFlcAnimation::FrameList& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const FlcFrame& x, const FlcFrame& y) {
        return x.width == y.width && x.height == y.height && std::ranges::equal(x.pixels(), y.pixels());
    });
}

} // namespace

bool CFlcAnimation::decodesLikeThis(std::span<const std::uint8_t> file) const
{
    CFlcAnimation check;
    check.maxTotalPixels = maxTotalPixels;
    check.alphaBlend = alphaBlend;
    return check.LoadFromMemory(file, true) == kOk && sameIndices(check.frames, frames)
        && check.paletteOffsets == paletteOffsets && check.paletteLayouts == paletteLayouts
        && check.paletteChunkTypes == paletteChunkTypes;
}

HResult CFlcAnimation::Save(const std::string& destination)
{
    writeError.clear();
    if (paletteOffsets.empty() || destination.empty() || paletteLayouts.size() != paletteOffsets.size()
        || paletteChunkTypes.size() != paletteOffsets.size())
        return kFail;
    try {
        // The copy lives in memory; the destination sees only its final
        // bytes, written in one step.
        std::vector<std::uint8_t> copy;
        if (!readWholeFile(path, copy))
            return kFail;
        for (std::size_t chunk = 0; chunk < paletteOffsets.size(); ++chunk) {
            if (!writePaletteChunk(copy, paletteOffsets[chunk], paletteChunkTypes[chunk], paletteLayouts[chunk],
                                   displayPalette))
                return kFail;
        }
        // A palette's packets may reach over bytes the reader took for
        // something else in a damaged file; writing colours there would
        // change more than colours, so the copy must read back the same.
        if (!decodesLikeThis(copy))
            return kFail;
        std::string savedPath = destination; // copied first: nothing may fail after the write
        if (!writeFileAtomically(savedPath, copy, writeError))
            return kFail;
        path.swap(savedPath);
        return kOk;
    } catch (...) {
        // Running out of memory, or anything else, ends the save, not the
        // program.
        return kFail;
    }
}

} // namespace kinetra
