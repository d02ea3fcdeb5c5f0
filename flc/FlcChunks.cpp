#include "flc/FlcChunks.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kinetra {

bool decodeByteRun(ByteReader& in, IndexView image)
{
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* line = image.row(y);
        in.u8(); // packet count: not trusted, the line ends at its width
        int x = 0;
        while (x < image.width) {
            const int count = in.i8();
            if (!in.ok())
                return false;
            if (count > 0) {
                const std::uint8_t value = in.u8();
                if (!in.ok() || count > image.width - x)
                    return false;
                std::memset(line + x, value, std::size_t(count));
                x += count;
            } else if (count < 0) {
                const int length = -count; // -128 stands for 128
                if (length > image.width - x)
                    return false;
                auto literal = in.bytes(std::size_t(length));
                if (!in.ok())
                    return false;
                std::memcpy(line + x, literal.data(), literal.size());
                x += length;
            }
        }
    }
    return in.ok();
}

bool decodeDeltaFlc(ByteReader& in, IndexView image)
{
    int lines = in.u16();
    int y = 0;
    while (lines > 0) {
        const std::uint16_t word = in.u16();
        if (!in.ok())
            return false;
        switch (word & 0xC000) {
        case 0xC000: // line skip, stored negated
            y -= static_cast<std::int16_t>(word);
            if (y > image.height)
                return false;
            break;
        case 0x8000:
        case 0x4000: // the last pixel of an odd-width line
            if (y >= image.height)
                return false;
            image.row(y)[image.width - 1] = static_cast<std::uint8_t>(word);
            break;
        default: { // packet count, then the line is done
            if (y >= image.height)
                return false;
            std::uint8_t* line = image.row(y);
            int x = 0;
            for (int packet = 0; packet < word; ++packet) {
                x += in.u8();
                int count = in.i8();
                if (!in.ok())
                    return false;
                if (count > 0) {
                    if (x > image.width || 2 * count > image.width - x)
                        return false;
                    auto pairs = in.bytes(2 * std::size_t(count));
                    if (!in.ok())
                        return false;
                    std::memcpy(line + x, pairs.data(), pairs.size());
                    x += 2 * count;
                } else {
                    const std::uint8_t low = in.u8();
                    const std::uint8_t high = in.u8();
                    if (!in.ok())
                        return false;
                    count = -count; // -128 stands for 128; 0 writes nothing
                    if (x > image.width || 2 * count > image.width - x)
                        return false;
                    for (int i = 0; i < count; ++i) {
                        line[x++] = low;
                        line[x++] = high;
                    }
                }
            }
            ++y;
            --lines;
            break;
        }
        }
    }
    return in.ok();
}

bool decodeDeltaFli(ByteReader& in, IndexView image)
{
    int y = in.u16();
    const int lines = in.u16();
    for (int line = 0; line < lines; ++line, ++y) {
        const int packets = in.u8();
        if (!in.ok() || y >= image.height)
            return false;
        std::uint8_t* row = image.row(y);
        int x = 0;
        for (int packet = 0; packet < packets; ++packet) {
            x += in.u8();
            const int count = in.i8();
            if (!in.ok())
                return false;
            const int length = count < 0 ? -count : count;
            if (x > image.width || length > image.width - x)
                return false;
            if (count > 0) {
                auto literal = in.bytes(std::size_t(length));
                if (!in.ok())
                    return false;
                std::memcpy(row + x, literal.data(), literal.size());
            } else if (count < 0) {
                const std::uint8_t value = in.u8();
                if (!in.ok())
                    return false;
                std::memset(row + x, value, std::size_t(length));
            }
            x += length;
        }
    }
    return in.ok();
}

bool decodeFliCopy(ByteReader& in, IndexView image)
{
    auto data = in.bytes(image.size());
    if (!in.ok())
        return false;
    std::copy(data.begin(), data.end(), image.pixels);
    return true;
}

void decodeBlack(IndexView image)
{
    std::fill_n(image.pixels, image.size(), 0);
}

namespace {

// The packets both palette chunks share; `widen` turns a stored colour value
// into an 8-bit one.
template <typename Widen>
bool decodePalettePackets(ByteReader& in, Palette& palette, PacketReading reading, Widen widen)
{
    ByteReader colours = in;
    std::vector<std::uint8_t> layout;
    std::vector<PalettePacket> packets;
    if (!readColor256Layout(in, reading, layout, packets))
        return false;
    if (!std::ranges::all_of(packets, &PalettePacket::fitsPalette))
        return false;
    for (const PalettePacket& packet : packets) {
        colours.seek(packet.coloursAt);
        const auto triples = colours.bytes(3 * packet.count);
        if (!colours.ok())
            return false;
        for (std::size_t i = 0; i < packet.count; ++i)
            palette[packet.firstEntry + i] =
                PaletteEntry::fromRgb(widen(triples[3 * i]), widen(triples[3 * i + 1]), widen(triples[3 * i + 2]));
    }
    return true;
}

} // namespace

bool decodeColor256(ByteReader& in, Palette& palette, PacketReading reading)
{
    return decodePalettePackets(in, palette, reading, [](std::uint8_t value) { return value; });
}

bool decodeColor64(ByteReader& in, Palette& palette, PacketReading reading)
{
    return decodePalettePackets(in, palette, reading, [](std::uint8_t value) {
        const auto sixBits = std::uint8_t(value & 0x3F);
        return std::uint8_t((sixBits << 2) | (sixBits >> 4));
    });
}

} // namespace kinetra
