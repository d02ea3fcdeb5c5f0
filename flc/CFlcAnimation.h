#pragma once

#include "flc/CSurface.h"
#include "flc/FlcHeader.h"
#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "flc/Result.h"
#include "imaging/DrawDevice.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace kinetra {

// The animation model of one open FLC file: its header, every frame decoded
// once into 8-bit indices and a 32-bit surface through the display palette,
// the two palettes and where the palette chunks lie in the file.
class CFlcAnimation {
public:
    using FrameList = std::vector<std::unique_ptr<CSurface>>;

    // Decoding stops before width × height × frames pixels pass this, so a
    // header cannot make the program ask for more memory than a desktop has
    // (five bytes a pixel: the indices and the 32-bit surface).
    static constexpr std::uint64_t kMaxTotalPixels = 128ull * 1024 * 1024;
    // Image chunks one frame chunk may hold. Real files hold one or two; the
    // bound keeps a frame of thousands of tiny chunks, each redrawing the
    // whole picture, from costing more than its bytes are worth.
    static constexpr int kMaxImageChunksPerFrame = 16;

    CFlcAnimation();
    ~CFlcAnimation();
    CFlcAnimation(const CFlcAnimation&) = delete;
    CFlcAnimation& operator=(const CFlcAnimation&) = delete;

    // Reads and decodes the whole file. With readPalette false the palette
    // chunks' colours are passed over and the frames are converted through
    // the current display palette.
    virtual HResult Load(const std::string& filePath, bool readPalette);
    // The same over a file's bytes already in memory; `path` is not changed.
    HResult LoadFromMemory(std::span<const std::uint8_t> file, bool readPalette);
    // Writes the display palette into every palette chunk of the file last
    // loaded (`path`) and stores the result at `destination`; no other byte
    // changes. The destination is replaced in one step or not at all, and
    // only when every palette chunk still lies where the last load found it.
    // On success `path` becomes the destination.
    virtual HResult Save(const std::string& destination);
    // Why the last Save or palette export failed, when the system gave a
    // reason (permission denied, no space left, ...); empty otherwise.
    std::error_code writeError;

    // Deletes every frame and the palette offsets; header, palettes and path
    // stay.
    void Clear();

    FlcHeader header;
    FrameList frames;
    FrameList setAsideFrames;
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
    bool alphaBlend = true;
    // The pixel ceiling of a load; the fuzz targets lower it to stay fast.
    std::uint64_t maxTotalPixels = kMaxTotalPixels;

private:
    // Decodes the frames' indices only, with no surfaces and no screen: how
    // Save checks the bytes it is about to write.
    bool m_indicesOnly = false;

    bool decodesLikeThis(std::span<const std::uint8_t> file) const;
    HResult decode(std::span<const std::uint8_t> file, bool readPalette);
    HResult readPaletteChunk(std::span<const std::uint8_t> file, std::size_t chunkStart, std::uint16_t type,
                             std::size_t dataEnd, bool readPalette);
    HResult addFrame(bool keyFrame);
    HResult finishFrame(CSurface& frame);
};

} // namespace kinetra
