#pragma once

#include "flc/Color256Layout.h"
#include "flc/ColorKey.h"
#include "flc/FlcFrame.h"
#include "flc/FlcHeader.h"
#include "flc/HeaderEdits.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "flc/Result.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace kinetra {

// The key of a frame drawn whole: a colour that in practice never occurs.
inline constexpr std::uint32_t kNeverAColor = 0x00000001;

// The animation model of one open FLC file: its header, every frame decoded
// once into 8-bit indices (drawn through the display palette when shown),
// the two palettes and where the palette chunks lie in the file.
class CFlcAnimation {
public:
    using FrameList = std::vector<FlcFrame>;

    // Decoding stops before width × height × frames pixels pass this, so a
    // header cannot make the program ask for more memory than a desktop has
    // (a byte a pixel, all frames in one block).
    static constexpr std::uint64_t kMaxTotalPixels = 128ull * 1024 * 1024;
    // Image chunks one frame chunk may hold. Real files hold one or two; the
    // bound keeps a frame of thousands of tiny chunks, each redrawing the
    // whole picture, from costing more than its bytes are worth.
    static constexpr int kMaxImageChunksPerFrame = 16;

    CFlcAnimation();
    virtual ~CFlcAnimation();
    CFlcAnimation(const CFlcAnimation&) = delete;
    CFlcAnimation& operator=(const CFlcAnimation&) = delete;

    // Reads and decodes the whole file. With readPalette false the palette
    // chunks' colours are passed over and the palettes stay as they are.
    virtual HResult Load(const std::string& filePath, bool readPalette);
    // The same over a file's bytes already in memory; `path` is not changed.
    HResult LoadFromMemory(std::span<const std::uint8_t> file, bool readPalette);
    // Writes the display palette into every palette chunk of the file last
    // loaded (`path`), and the header fields edited since into its header,
    // and stores the result at `destination`; no other byte changes. The
    // destination is replaced in one step or not at all, and only when every
    // palette chunk still lies where the last load found it and the result
    // reads back with the same frames and the edited fields. On success
    // `path` becomes the destination.
    virtual HResult Save(const std::string& destination);
    // The bytes Save would write, for a caller that writes them itself
    // (several files made durable at once).
    HResult SavedBytes(std::vector<std::uint8_t>& file) const;
    // The same with the header edits alone, every palette chunk left as the
    // file has it: a change of the unit's header and nothing else.
    HResult HeaderEditedBytes(std::vector<std::uint8_t>& file) const;
    // Changes the speed, offsets or original size in `header` and has every
    // later save write them too. Nothing, or why the file cannot hold them
    // (headerEditProblem), and then nothing changes. A load or Clear forgets
    // them.
    std::optional<std::string> EditHeader(const HeaderEdits& edits);
    // The fields edited since the last load or save.
    const HeaderEdits& PendingHeaderEdits() const { return m_headerEdits; }
    // Why the last Save or palette export failed, when the system gave a
    // reason (permission denied, no space left, ...); empty otherwise.
    std::error_code writeError;

    // Deletes every frame, the palette offsets and the pending header edits;
    // header, palettes and path stay.
    void Clear();

    // The palette and key `frame` is drawn with: the display palette and
    // colorKey, or for a frame decoded before a later palette chunk changed
    // them, the colours in force then, as the file shows it.
    const Palette& paletteOf(const FlcFrame& frame) const;
    ColorKey colorKeyOf(const FlcFrame& frame) const;
    // Every frame is drawn with the display palette and colorKey from now
    // on: what a palette change (a tint, an edit) does.
    void useDisplayColoursForAll();

    FlcHeader header;
    // Both lists point into the frame block; they live and die with it.
    FrameList frames;
    FrameList setAsideFrames;
    // The colours of frames decoded before a later palette chunk; see
    // paletteOf.
    struct FrameColours {
        Palette palette{};
        ColorKey key;
    };
    std::vector<FrameColours> earlierColours;
    std::unique_ptr<ZeroedIndexBuffer> workBuffer;
    ColorKey colorKey;
    std::uint32_t transparentColor = 0x00FF00FF;
    Palette filePalette{};
    Palette displayPalette{};
    std::string path;
    std::vector<std::uint32_t> paletteOffsets;
    // For each entry of paletteOffsets, the chunk's packet layout as the last
    // load read it: the packet count word, then each packet's skip and count
    // bytes. Save checks the file against it before writing.
    std::vector<std::vector<std::uint8_t>> paletteLayouts;
    // For each entry of paletteOffsets, the chunk's type: COLOR_256, or
    // COLOR_64 in FLI files, whose colours are 6-bit.
    std::vector<std::uint16_t> paletteChunkTypes;
    // How the last load placed the palette packets' colours: as the game
    // does for its units, as the published format says for other files.
    // Save writes the colours back to the same places.
    PacketReading paletteReading = PacketReading::kGameUnit;
    bool alphaBlend = true;
    // The pixel ceiling of a load; the fuzz targets lower it to stay fast.
    std::uint64_t maxTotalPixels = kMaxTotalPixels;
    // How many of the animation's frames a load keeps, from the header it
    // read (0 or less: all of them): what shows only the first few (a
    // thumbnail) takes no memory for the rest. They are still decoded, into
    // the one frame of work, so that the load refuses any file a whole one
    // refuses, and their palette chunks colour the kept frames as ever. Key
    // frames set aside on the way are kept. A load cut short is not saved:
    // its frames are not the file's.
    using FrameLimit = int (*)(const FlcHeader& header);
    FrameLimit frameLimit = nullptr;
    // Whether the last load kept fewer frames than the file holds.
    bool cutShort() const { return m_cutShort; }

private:
    std::unique_ptr<FrameBlock> m_frameBlock;
    std::size_t m_framesAtMost = 0;
    bool m_cutShort = false;
    HeaderEdits m_headerEdits;
    // While loading: the frames (set aside or not, and where in their list)
    // drawn with the colours in force now.
    std::vector<std::pair<bool, std::size_t>> m_framesInDisplayColours;

    bool decodesLikeThis(std::span<const std::uint8_t> file) const;
    HResult patchedCopy(bool writePalettes, std::vector<std::uint8_t>& copy) const;
    HResult decode(std::span<const std::uint8_t> file, bool readPalette);
    HResult readPaletteChunk(std::span<const std::uint8_t> data, std::size_t dataStart, std::uint16_t type,
                             bool readPalette);
    HResult addFrame(bool keyFrame);
    void keepColoursOfEarlierFrames(const Palette& nextDisplay, ColorKey nextKey);
};

} // namespace kinetra
