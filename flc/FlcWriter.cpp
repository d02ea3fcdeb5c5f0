#include "flc/CFlcAnimation.h"

#include "flc/Color256Layout.h"
#include "flc/FlcChunks.h"
#include "flc/HeaderEdits.h"
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
// header of its type in front and the packet layout recorded then. Each
// packet's colours go where `reading` places them, and nothing but colour
// bytes changes. False when the file no longer matches or a packet reaches
// past entry 255.
bool writePaletteChunk(std::vector<std::uint8_t>& file, std::size_t offset, std::uint16_t type,
    PacketReading reading, const std::vector<std::uint8_t>& recordedLayout, const Palette& palette)
{
    if (offset < kSubChunkHeaderSize || offset > file.size())
        return false;
    ByteReader header(std::span<const std::uint8_t>(file).subspan(offset - kSubChunkHeaderSize, kSubChunkHeaderSize));
    const std::uint32_t chunkSize = header.u32();
    if (header.u16() != type || (type != kChunkColor256 && type != kChunkColor64))
        return false;

    // The same bytes the load walked: a game unit's COLOR_256 chunk counted
    // as 778 bytes and its COLOR_64 chunk running on (the recorded layout
    // says where its packets end); any other palette chunk by its size.
    std::size_t dataSize = file.size() - offset;
    if (reading == PacketReading::kPublished) {
        if (chunkSize < kSubChunkHeaderSize)
            return false;
        dataSize = chunkSize - kSubChunkHeaderSize;
    } else if (type == kChunkColor256) {
        dataSize = kColor256DataSize;
    }
    ByteReader data(std::span<const std::uint8_t>(file).subspan(offset, std::min(dataSize, file.size() - offset)));
    std::vector<std::uint8_t> layout;
    std::vector<PalettePacket> packets;
    if (!readColor256Layout(data, reading, layout, packets) || layout != recordedLayout)
        return false;

    const auto stored = [type](std::uint8_t value) { return type == kChunkColor64 ? toColor64(value) : value; };
    for (const PalettePacket& packet : packets) {
        if (!packet.fitsPalette())
            return false;
        const std::size_t at = offset + packet.coloursAt;
        if (at > file.size() || 3 * packet.count > file.size() - at)
            return false; // the walk above rules this out; the write is checked anyway
        const std::span<std::uint8_t> colours = std::span<std::uint8_t>(file).subspan(at, 3 * packet.count);
        for (std::size_t i = 0; i < packet.count; ++i) {
            const PaletteEntry& entry = palette[packet.firstEntry + i];
            colours[3 * i] = stored(entry.red);
            colours[3 * i + 1] = stored(entry.green);
            colours[3 * i + 2] = stored(entry.blue);
        }
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
        && check.paletteChunkTypes == paletteChunkTypes && check.paletteReading == paletteReading
        && headerHolds(check.header, m_headerEdits);
}

HResult CFlcAnimation::SavedBytes(std::vector<std::uint8_t>& copy) const
{
    return patchedCopy(true, copy);
}

HResult CFlcAnimation::HeaderEditedBytes(std::vector<std::uint8_t>& copy) const
{
    return patchedCopy(false, copy);
}

HResult CFlcAnimation::patchedCopy(bool writePalettes, std::vector<std::uint8_t>& copy) const
{
    // A load cut short holds only some frames; its bytes would not be the file's.
    if (m_cutShort || paletteLayouts.size() != paletteOffsets.size()
        || paletteChunkTypes.size() != paletteOffsets.size())
        return kFail;
    // Nothing of the model's to write.
    if ((!writePalettes || paletteOffsets.empty()) && m_headerEdits.empty())
        return kFail;
    try {
        // The copy lives in memory; the destination sees only its final
        // bytes, written in one step.
        copy.clear();
        if (!readWholeFile(path, copy))
            return kFail;
        for (std::size_t chunk = 0; writePalettes && chunk < paletteOffsets.size(); ++chunk) {
            if (!writePaletteChunk(copy, paletteOffsets[chunk], paletteChunkTypes[chunk], paletteReading,
                                   paletteLayouts[chunk], displayPalette))
                return kFail;
        }
        if (!m_headerEdits.empty() && !writeHeaderEdits(copy, m_headerEdits))
            return kFail;
        // A palette's packets may reach over bytes the reader took for
        // something else in a damaged file; writing colours there would
        // change more than colours, so the copy must read back the same,
        // with the header fields as edited.
        return decodesLikeThis(copy) ? kOk : kFail;
    } catch (...) {
        // Running out of memory, or anything else, ends the save, not the
        // program.
        return kFail;
    }
}

std::optional<std::string> CFlcAnimation::EditHeader(const HeaderEdits& edits)
{
    if (auto problem = headerEditProblem(header, edits))
        return problem;
    applyHeaderEdits(header, edits);
    m_headerEdits.merge(edits);
    return std::nullopt;
}

HResult CFlcAnimation::Save(const std::string& destination)
{
    writeError.clear();
    if (destination.empty())
        return kFail;
    try {
        std::vector<std::uint8_t> copy;
        if (SavedBytes(copy) != kOk)
            return kFail;
        std::string savedPath = destination; // copied first: nothing may fail after the write
        if (!writeFileAtomically(savedPath, copy, writeError))
            return kFail;
        path.swap(savedPath);
        // The file holds them now.
        m_headerEdits = {};
        return kOk;
    } catch (...) {
        return kFail;
    }
}

} // namespace kinetra
