#include "formats/BmpFile.h"

#include "io/ByteReader.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>

namespace kinetra {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV5HeaderSize = 124;
// The info header sizes Windows' versions and the programs that follow them
// write: BITMAPINFOHEADER, the two Adobe ones with masks, V4, V5.
constexpr std::uint32_t kWindowsHeaderSizes[] = {kInfoHeaderSize, 52, 56, 108, kV5HeaderSize};

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitfields = 6,
};

// Room after the colour table and after the pixels for what writers put
// there (gaps, a V5 header's colour profile): beyond it a file is refused
// before it is read whole.
constexpr std::uint64_t kMaxExtraBytes = 1024 * 1024;

constexpr std::uint32_t kAlphaMask = 0xFF000000u;

std::string sizeText(const BmpHeader& header)
{
    return std::to_string(header.width) + " x " + std::to_string(header.height);
}

bool refuse(std::string& problem, std::string why)
{
    problem = std::move(why);
    return false;
}

// The header's compression and depth, and the masks they imply; false with
// the reason when the reader does not take them.
bool checkEncoding(BmpHeader& header, std::string& problem)
{
    const int bits = header.bitsPerPixel;
    switch (header.compression) {
    case kRgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return refuse(problem, "the BMP has " + std::to_string(bits)
                                       + " bits per pixel; only 1, 4, 8, 16, 24 and 32 are read");
        if (bits == 16)
            header.masks = {0x7C00, 0x03E0, 0x001F, 0};
        if (bits == 32) {
            header.masks = {0xFF0000, 0xFF00, 0xFF, kAlphaMask};
            header.alphaIfAny = true;
        }
        return true;
    case kBitfields:
    case kAlphaBitfields:
        if (bits != 16 && bits != 32)
            return refuse(problem, "the BMP has colour masks on " + std::to_string(bits)
                                       + " bits per pixel; only 16 and 32 bits take them");
        if ((header.masks[0] | header.masks[1] | header.masks[2]) == 0)
            return refuse(problem, "the BMP's colour masks are all empty");
        return true;
    case kRle8:
    case kRle4:
        if (bits != (header.compression == kRle8 ? 8 : 4) || header.topDown)
            return refuse(problem, std::string("the BMP's run-length compression (")
                                       + (header.compression == kRle8 ? "RLE8" : "RLE4") + ") does not fit its "
                                       + std::to_string(bits) + " bits per pixel"
                                       + (header.topDown ? " and top-down rows" : ""));
        return true;
    case kJpeg:
    case kPng:
        return refuse(problem, std::string("the BMP holds a ") + (header.compression == kJpeg ? "JPEG" : "PNG")
                                   + " picture; only uncompressed BMP pictures are read");
    default:
        return refuse(problem, "the BMP's compression " + std::to_string(header.compression)
                                   + " is none the reader knows");
    }
}

// A channel of `mask` as 8 bits: a narrower one's bits repeated, as
// Windows and ImageMagick widen them, a wider one's top 8.
std::uint32_t channelOf(std::uint32_t pixel, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = int(std::bit_width(mask >> shift));
    const std::uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8)
        return value >> (bits - 8) & 0xFF;
    std::uint32_t wide = 0;
    int filled = 0;
    for (; filled < 8; filled += bits)
        wide = wide << bits | value;
    return wide >> (filled - 8);
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put16(out, std::uint16_t(value));
    put16(out, std::uint16_t(value >> 16));
}

void decodeIndexedRow(std::span<const std::uint8_t> row, int bits, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x) {
        const auto at = std::size_t(x);
        if (bits == 8)
            out[x] = row[at];
        else if (bits == 4)
            out[x] = std::uint8_t(row[at / 2] >> (at % 2 ? 0 : 4) & 0x0F);
        else
            out[x] = std::uint8_t(row[at / 8] >> (7 - at % 8) & 0x01);
    }
}

bool isRunLength(const BmpHeader& header)
{
    return header.compression == kRle8 || header.compression == kRle4;
}

// Run-length pixels, bottom up, into `image`: runs and literal stretches of
// indices (two to a byte in RLE4), with codes for a line's end, the
// picture's end and a jump ahead. Pixels a run would put past a row's end
// are dropped; pixels no code reaches stay index 0. False when the data
// ends before the picture's end code.
bool decodeRunLength(ByteReader& in, bool fourBits, IndexImage& image)
{
    int x = 0;
    int y = image.height - 1;
    const auto put = [&](std::uint8_t index) {
        if (x < image.width && y >= 0)
            image.row(y)[x] = index;
        ++x;
    };
    const auto pixelOf = [fourBits](std::uint8_t value, int i) {
        return fourBits ? std::uint8_t(i % 2 ? value & 0x0F : value >> 4) : value;
    };
    while (in.ok()) {
        const std::uint8_t count = in.u8();
        const std::uint8_t value = in.u8();
        if (!in.ok())
            return false;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(pixelOf(value, i));
        } else if (value == 0) { // the line's end
            x = 0;
            --y;
        } else if (value == 1) { // the picture's end
            return true;
        } else if (value == 2) { // a jump right and up
            x += in.u8();
            y -= in.u8();
        } else { // `value` pixels as they are, the bytes padded to a word
            const std::size_t bytes = fourBits ? (value + 1u) / 2 : value;
            const auto literal = in.bytes(bytes);
            for (int i = 0; i < value && in.ok(); ++i)
                put(fourBits ? pixelOf(literal[std::size_t(i / 2)], i) : literal[std::size_t(i)]);
            in.skip(bytes % 2);
        }
        if (y < 0)
            return true;
    }
    return false;
}

void decodeTrueColourRow(std::span<const std::uint8_t> row, const BmpHeader& header, std::uint32_t* out)
{
    const auto& masks = header.masks;
    for (std::size_t x = 0; x < std::size_t(header.width); ++x) {
        if (header.bitsPerPixel == 24) {
            out[x] = kAlphaMask | std::uint32_t(row[3 * x + 2]) << 16 | std::uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
            continue;
        }
        ByteReader in(row.subspan(x * std::size_t(header.bitsPerPixel / 8)));
        const std::uint32_t pixel = header.bitsPerPixel == 16 ? in.u16() : in.u32();
        const std::uint32_t alpha = masks[3] ? channelOf(pixel, masks[3]) : 255;
        out[x] = alpha << 24 | channelOf(pixel, masks[0]) << 16 | channelOf(pixel, masks[1]) << 8
            | channelOf(pixel, masks[2]);
    }
}

} // namespace

std::optional<BmpHeader> readBmpHeader(std::span<const std::uint8_t> head, std::string& problem)
{
    ByteReader in(head);
    if (in.u8() != 'B' || in.u8() != 'M') {
        problem = "it is not a BMP picture (it does not start with \"BM\")";
        return std::nullopt;
    }
    in.skip(8); // the file's size, which writers get wrong, and two reserved words
    BmpHeader header;
    header.pixelOffset = in.u32();
    header.infoSize = in.u32();
    const bool core = header.infoSize == kCoreHeaderSize;
    if (!core && std::ranges::find(kWindowsHeaderSizes, header.infoSize) == std::end(kWindowsHeaderSizes)) {
        if (in.ok())
            problem = "the BMP's info header of " + std::to_string(header.infoSize) + " bytes is of no kind the reader knows";
        else
            problem = "the file is shorter than a BMP header";
        return std::nullopt;
    }
    std::int64_t height = 0;
    std::uint32_t coloursUsed = 0;
    int planes = 0;
    if (core) {
        header.width = in.u16();
        height = in.u16();
        planes = in.u16();
        header.bitsPerPixel = in.u16();
        header.colourEntryBytes = 3;
    } else {
        header.width = std::int32_t(in.u32());
        height = std::int32_t(in.u32());
        planes = in.u16();
        header.bitsPerPixel = in.u16();
        header.compression = in.u32();
        in.skip(12); // the image's size, which may be 0, and the resolution
        coloursUsed = in.u32();
        in.skip(4);
        // The masks are the header's own from 52 bytes on; a 40-byte header
        // is followed by them when it names them.
        const bool masksFollow = header.infoSize == kInfoHeaderSize
            && (header.compression == kBitfields || header.compression == kAlphaBitfields);
        const int maskCount = header.infoSize >= 56 || header.compression == kAlphaBitfields ? 4 : 3;
        if (header.infoSize > kInfoHeaderSize || masksFollow) {
            for (int i = 0; i < maskCount; ++i)
                header.masks[std::size_t(i)] = in.u32();
        }
        header.tableOffset = std::uint32_t(kFileHeaderSize + header.infoSize + (masksFollow ? 4 * std::size_t(maskCount) : 0));
    }
    if (core)
        header.tableOffset = std::uint32_t(kFileHeaderSize + kCoreHeaderSize);
    if (!in.ok()) {
        problem = "the file is shorter than a BMP header";
        return std::nullopt;
    }
    if (planes != 1) {
        problem = "the BMP has " + std::to_string(planes) + " planes; a BMP has 1";
        return std::nullopt;
    }
    header.topDown = height < 0;
    if (header.width < 1 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
        problem = "the BMP's size of " + std::to_string(header.width) + " x " + std::to_string(height)
                  + " pixels is no picture";
        return std::nullopt;
    }
    header.height = int(header.topDown ? -height : height);
    if (!checkEncoding(header, problem))
        return std::nullopt;
    if (header.pixelOffset < header.tableOffset) {
        problem = "the BMP's pixels start at byte " + std::to_string(header.pixelOffset) + ", inside its header";
        return std::nullopt;
    }
    if (header.bitsPerPixel <= 8) {
        const std::uint32_t most = 1u << header.bitsPerPixel;
        const std::uint32_t room = (header.pixelOffset - header.tableOffset) / std::uint32_t(header.colourEntryBytes);
        header.colourCount = int(std::min({coloursUsed == 0 ? most : coloursUsed, most, room}));
    }
    return header;
}

bool bmpFileSizeFits(const BmpHeader& header, std::uint64_t fileSize, std::string& problem)
{
    // Run-length data may be as short as the picture's end code, and is
    // at most twice the plain rows with a line's end each.
    const std::uint64_t plainBytes = header.rowBytes() * std::uint64_t(header.height);
    const std::uint64_t pixelsEnd = header.pixelOffset + (isRunLength(header) ? 2 : plainBytes);
    const std::uint64_t mostPixelsEnd =
        header.pixelOffset + (isRunLength(header) ? 2 * plainBytes + 2 * std::uint64_t(header.height) + 2 : plainBytes);
    if (pixelsEnd > fileSize)
        return refuse(problem, "a BMP of " + sizeText(header) + " pixels cannot fit in " + std::to_string(fileSize)
                                   + " bytes");
    const std::uint64_t tableEnd =
        header.tableOffset + std::uint64_t(header.colourCount) * std::uint64_t(header.colourEntryBytes);
    if (fileSize > mostPixelsEnd + kMaxExtraBytes || header.pixelOffset - tableEnd > kMaxExtraBytes)
        return refuse(problem, "the file's " + std::to_string(fileSize) + " bytes are far more than a BMP of "
                                   + sizeText(header) + " pixels holds");
    return true;
}

std::optional<PictureData> decodeBmp(std::span<const std::uint8_t> bytes, std::string& problem, std::uint64_t maxPixels)
{
    std::string why;
    const auto header = readBmpHeader(bytes, why);
    if (header && header->pixels() > maxPixels) {
        problem = "Cannot read the picture: a BMP of " + sizeText(*header) + " pixels is more than the "
                  + std::to_string(maxPixels) + " pixels a picture may have.";
        return std::nullopt;
    }
    if (!header || !bmpFileSizeFits(*header, bytes.size(), why)) {
        problem = "Cannot read the picture: " + why + ".";
        return std::nullopt;
    }
    const bool indexed = header->bitsPerPixel <= 8;
    ByteReader in(bytes);
    try {
        PictureData picture;
        picture.width = header->width;
        picture.height = header->height;
        if (indexed) {
            picture.kind = PictureData::Kind::Indexed;
            picture.paletteSize = header->colourCount;
            in.seek(header->tableOffset);
            for (int i = 0; i < header->colourCount; ++i) {
                const auto entry = in.bytes(std::size_t(header->colourEntryBytes));
                if (in.ok())
                    picture.palette[std::size_t(i)] = PaletteEntry::fromRgb(entry[2], entry[1], entry[0]);
            }
            picture.indices = IndexImage(header->width, header->height);
        } else {
            picture.argb.resize(std::size_t(header->pixels()));
        }
        if (isRunLength(*header)) {
            in.seek(header->pixelOffset);
            if (!decodeRunLength(in, header->compression == kRle4, picture.indices)) {
                problem = "Cannot read the picture: the BMP's run-length data is damaged.";
                return std::nullopt;
            }
            return picture;
        }
        const auto rowBytes = std::size_t(header->rowBytes());
        bool anyAlpha = false;
        for (int y = 0; y < header->height; ++y) {
            const int stored = header->topDown ? y : header->height - 1 - y;
            in.seek(header->pixelOffset + std::size_t(stored) * rowBytes);
            const auto row = in.bytes(rowBytes);
            if (!in.ok()) {
                problem = "Cannot read the picture: the BMP's pixel data is damaged.";
                return std::nullopt;
            }
            if (indexed) {
                decodeIndexedRow(row, header->bitsPerPixel, picture.indices.row(y), header->width);
                continue;
            }
            std::uint32_t* out = picture.argb.data() + std::size_t(y) * std::size_t(header->width);
            decodeTrueColourRow(row, *header, out);
            anyAlpha = anyAlpha || std::any_of(out, out + header->width, [](std::uint32_t p) { return p >> 24 != 0; });
        }
        // Many writers leave a 32-bit BI_RGB picture's fourth bytes zero:
        // such a picture is opaque.
        if (header->alphaIfAny && !anyAlpha) {
            for (std::uint32_t& pixel : picture.argb)
                pixel |= kAlphaMask;
        }
        return picture;
    } catch (const std::bad_alloc&) {
        problem = "Cannot read the picture: there is not enough memory for its " + sizeText(*header) + " pixels.";
        return std::nullopt;
    }
}

bool encodeIndexedBmp(const IndexRows& rows, const Palette& palette, const ByteSink& sink, std::string& problem)
{
    constexpr std::uint32_t kTableBytes = 256 * 4;
    constexpr std::uint32_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize + kTableBytes;
    const std::uint64_t rowBytes = (std::uint64_t(std::max(rows.width, 0)) + 3) / 4 * 4;
    const std::uint64_t fileSize = kPixelOffset + rowBytes * std::uint64_t(std::max(rows.height, 0));
    if (rows.width < 1 || rows.height < 1 || fileSize > std::numeric_limits<std::uint32_t>::max()) {
        problem = "Cannot encode the BMP: a BMP picture has pixels and is smaller than 4 GiB.";
        return false;
    }
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, std::uint32_t(fileSize));
    put32(out, 0);
    put32(out, kPixelOffset);
    put32(out, kInfoHeaderSize);
    put32(out, std::uint32_t(rows.width));
    put32(out, std::uint32_t(rows.height)); // positive: bottom-up, as every reader takes it
    put16(out, 1);
    put16(out, 8);
    put32(out, kRgb);
    put32(out, std::uint32_t(rowBytes * std::uint64_t(rows.height)));
    put32(out, 2835); // 72 dots per inch, as paint programs write it
    put32(out, 2835);
    put32(out, 256);
    put32(out, 0);
    for (const PaletteEntry& entry : palette) {
        out.insert(out.end(), {entry.blue, entry.green, entry.red, 0});
    }
    bool written = sink(out);
    out.assign(std::size_t(rowBytes), 0); // the padding stays zero
    for (int y = rows.height - 1; y >= 0 && written; --y) {
        rows.fill(y, out.data());
        written = sink(out);
    }
    if (!written)
        problem = "Cannot encode the BMP: the bytes cannot be written.";
    return written;
}

bool encodeIndexedBmp(const IndexImage& image, const Palette& palette, std::vector<std::uint8_t>& out,
                      std::string& problem)
{
    out.clear();
    if (encodeIndexedBmp(rowsOf(image), palette, appendingTo(out), problem))
        return true;
    out.clear();
    return false;
}

} // namespace kinetra
