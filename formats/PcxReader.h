#pragma once

// What the PCX format says of a file, for the programs' readers: the
// header's fields, the run-length decoding of one plane of a scan line, the
// two kinds of picture beyond 16 colours, and the 24-bit kind decoded to
// true colour. CPcxImage reads the 8-bit pictures the player shows;
// storyboard sheets come in either kind.

#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "io/ByteReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kinetra {

struct PcxHeader {
    std::uint8_t manufacturer = 0;
    std::uint8_t encoding = 0;
    std::uint8_t bitsPerPixel = 0;
    int planes = 0;
    int bytesPerLine = 0;
    int width = 0;
    int height = 0;

    // Whether its scan lines can be decoded at all: a picture, and planes
    // long enough to hold its width.
    bool hasLayout() const { return width >= 1 && height >= 1 && planes >= 1 && bytesPerLine >= width; }
    // The bytes every plane of every scan line decodes to.
    std::uint64_t decodedBytes() const
    {
        return std::uint64_t(planes) * std::uint64_t(bytesPerLine) * std::uint64_t(height);
    }
};

// The fields of the header at the start of `file`; nothing when the file is
// shorter than a header. The corners give the size in 16-bit arithmetic, so
// an origin written as a negative number and a side past 32767 pixels (a
// long storyboard row) both come out right.
std::optional<PcxHeader> readPcxHeader(std::span<const std::uint8_t> file);

// Whether `encodedBytes` of run-length data can decode to the header's
// planes: a two-byte run gives at most 63 bytes, so never more than 32 times
// their own size.
bool pcxDataCanHold(const PcxHeader& header, std::uint64_t encodedBytes);

// Whether a file of `fileSize` bytes fits its header: data enough for the
// planes, and no more than every decoded byte written as a run of one (which
// no encoder exceeds) and the palette block. False with what is wrong in
// `problem`, a phrase as pcxKindOf's.
bool pcxFileSizeFits(const PcxHeader& header, std::uint64_t fileSize, std::string& problem);

// Fills exactly one plane of a scan line from `in`. A run reaching past the
// plane's end means the file disagrees with its own BytesPerLine, so it
// fails; so does data that ends first.
bool decodePcxPlane(ByteReader& in, std::span<std::uint8_t> plane);

enum class PcxKind {
    // 8 bits per pixel in one plane; the colours in the 256-colour palette
    // block at the file's end.
    Indexed,
    // 8 bits per pixel in each of three planes: red, green, blue.
    TrueColour,
};

// The kind of picture a header describes, for a run-length encoded file of
// ZSoft's format; nothing, with what is wrong in `problem` (a phrase to
// follow "Cannot read the picture: "), for a different mark or encoding,
// other depths and planes, or an impossible size.
std::optional<PcxKind> pcxKindOf(const PcxHeader& header, std::string& problem);

// Whether the file ends in the 256-colour palette block.
bool hasPcxPaletteBlock(std::span<const std::uint8_t> file);

// The pixels of a 24-bit PCX file as 0xFFRRGGBB, row after row from the
// top. Nothing when the header is not of that kind, the data cannot hold
// its size, a scan line does not decode, or memory runs out.
std::optional<std::vector<std::uint32_t>> decodePcxTrueColour(std::span<const std::uint8_t> file,
                                                              const PcxHeader& header);

// The indices of an 8-bit, one-plane PCX file, row after row from the top.
// Nothing when the header is not of that kind, the data cannot hold its
// size, a scan line does not decode, or memory runs out.
std::optional<IndexImage> decodePcxIndexed(std::span<const std::uint8_t> file, const PcxHeader& header);

// The 256 colours of the palette block at the file's end; black where the
// file has none (hasPcxPaletteBlock).
Palette pcxPaletteBlock(std::span<const std::uint8_t> file);

} // namespace kinetra
