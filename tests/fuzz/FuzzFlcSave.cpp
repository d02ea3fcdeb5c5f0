// libFuzzer entry point for load, Save and reload: whatever a load accepts,
// Save must write back so that the frames decode the same, the palette
// chunks hold the saved colours, and no byte outside their colours changes.

#include "FuzzScreen.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcHeader.h"
#include "io/WholeFile.h"

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace kinetra;

std::string scratchPath(const char* name)
{
    return "/tmp/kinetra-fuzz-save-" + std::to_string(::getpid()) + "-" + name;
}

bool writeFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// Colours both palette chunk types store exactly (6-bit values widened).
Palette savedPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i) {
        const auto six = [](int v) { return std::uint8_t(((v & 63) << 2) | ((v & 63) >> 4)); };
        palette[std::size_t(i)] = PaletteEntry::fromRgb(six(i * 5), six(i * 3 + 7), six(255 - i));
    }
    return palette;
}

// Whether the file's palette packets follow the published format, each skip
// counting on from the previous packet's end: plain files (no game
// extension) and every FLI file. Game units take each skip as the index.
bool publishedPackets(const std::uint8_t* data)
{
    const FlcHeader header = FlcHeader::parse(std::span<const std::uint8_t, kFlcHeaderSize>(data, kFlcHeaderSize));
    return header.magic == kFliMagic || header.framesPerDirection == 0;
}

// The file bytes that hold colours, and the palette entries they set, as
// the load's recorded packet layouts say.
void colourPlaces(const CFlcAnimation& animation, bool published, std::vector<bool>& colourBytes,
                  std::vector<bool>& entries)
{
    for (std::size_t chunk = 0; chunk < animation.paletteOffsets.size(); ++chunk) {
        const std::vector<std::uint8_t>& layout = animation.paletteLayouts[chunk];
        std::size_t at = animation.paletteOffsets[chunk] + 2;
        std::size_t next = 0;
        for (std::size_t packet = 2; packet + 1 < layout.size(); packet += 2) {
            const std::size_t skip = layout[packet];
            const std::size_t count = layout[packet + 1] == 0 ? 256 : layout[packet + 1];
            const std::size_t first = published ? next + skip : layout[packet + 1] == 0 ? 0 : skip;
            next = first + count;
            at += 2;
            for (std::size_t i = 0; i < 3 * count && at + i < colourBytes.size(); ++i)
                colourBytes[at + i] = true;
            for (std::size_t i = first; i < first + count && i < entries.size(); ++i)
                entries[i] = true;
            at += 3 * count;
        }
    }
}

bool sameFrames(const CFlcAnimation& a, const CFlcAnimation& b)
{
    return std::equal(a.frames.begin(), a.frames.end(), b.frames.begin(), b.frames.end(),
                      [](const FlcFrame& x, const FlcFrame& y) {
                          return x.width == y.width && x.height == y.height
                              && std::ranges::equal(x.pixels(), y.pixels());
                      });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string source = scratchPath("source.flc");
    static const std::string saved = scratchPath("saved.flc");
    if (!writeFile(source, data, size))
        return 0;
    CFlcAnimation animation;
    animation.maxTotalPixels = fuzz::kMaxFuzzedPixels;
    if (animation.Load(source, true) != kOk)
        return 0;
    const Palette loaded = animation.filePalette;
    animation.displayPalette = savedPalette();
    if (animation.Save(saved) != kOk)
        return 0; // a file without palette chunks, or one whose packets run past entry 255

    std::vector<std::uint8_t> written;
    if (!readWholeFile(saved, written) || written.size() != size)
        std::abort();
    std::vector<bool> colourBytes(size, false);
    std::vector<bool> entries(256, false);
    colourPlaces(animation, publishedPackets(data), colourBytes, entries);
    for (std::size_t i = 0; i < size; ++i) {
        if (!colourBytes[i] && written[i] != data[i])
            std::abort();
    }

    CFlcAnimation reloaded;
    reloaded.maxTotalPixels = fuzz::kMaxFuzzedPixels;
    if (reloaded.LoadFromMemory(written, true) != kOk || !sameFrames(animation, reloaded))
        std::abort();
    for (std::size_t i = 0; i < 256; ++i) {
        const PaletteEntry expected = entries[i] ? savedPalette()[i] : loaded[i];
        if (reloaded.filePalette[i] != expected)
            std::abort();
    }
    return 0;
}
