#include "formats/GifLzw.h"

#include <algorithm>
#include <memory>

namespace kinetra {

namespace {

constexpr int kMaxCodeBits = 12;
// The code at which the dictionary starts over: giflib's and ffmpeg's
// encoders never assign 4095, and some decoders take a full table of 4096
// codes for a broken stream.
constexpr unsigned kCodeLimit = 4095;
constexpr std::size_t kBlockSize = 255;
// The dictionary is an open-addressed table of at most kCodeLimit entries,
// kept at most an eighth full: a look-up seldom goes on to a second slot,
// whose branch the processor cannot foresee, and that costs more than the
// table not fitting the first-level cache. Codes are kept scrambled,
// multiplied by an odd number modulo 4096 (one to one), so that the strings
// of one index spread over the table and the slot of the next look-up is
// one exclusive or away from the entry just found: most look-ups find their
// string, each waiting on the one before. A slot holds scrambled code << 20
// | scrambled prefix << 8 | index.
constexpr int kSlotBits = 15;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr std::uint32_t kKeyMask = 0xFFFFF;
constexpr std::uint32_t kScramble = 0x9B1;
constexpr std::uint32_t kUnscramble = 0xF51; // kScramble * kUnscramble = 1 modulo 4096
static_assert(((kScramble * kUnscramble) & 0xFFF) == 1);

constexpr std::uint32_t scrambled(std::uint32_t code)
{
    return (code * kScramble) & 0xFFF;
}

constexpr std::uint32_t unscrambled(std::uint32_t code)
{
    return (code * kUnscramble) & 0xFFF;
}

// No string has the prefix kCodeLimit, so no look-up matches a free slot.
constexpr std::uint32_t kFreeSlot = scrambled(kCodeLimit) << 8;

std::uint32_t slotOf(std::uint32_t prefix, std::uint32_t index)
{
    return prefix ^ index << (kSlotBits - 8);
}

// Codes packed least significant bit first into data sub-blocks, each after
// its length byte.
class CodeWriter {
public:
    explicit CodeWriter(std::uint8_t* at) : m_at(at) { startBlock(); }

    void put(unsigned code, int bits)
    {
        m_pending |= std::uint64_t(code) << m_pendingBits;
        m_pendingBits += bits;
        while (m_pendingBits >= 8) {
            putByte(std::uint8_t(m_pending));
            m_pending >>= 8;
            m_pendingBits -= 8;
        }
    }

    // Writes the last bits and the empty block that ends the data; returns
    // the end.
    std::uint8_t* finish()
    {
        if (m_pendingBits > 0)
            putByte(std::uint8_t(m_pending));
        if (m_fill == 0)
            m_at = m_block; // the block just started stays empty: it becomes the end
        else
            *m_block = std::uint8_t(m_fill);
        *m_at++ = 0;
        return m_at;
    }

private:
    void putByte(std::uint8_t byte)
    {
        if (m_fill == kBlockSize) {
            *m_block = std::uint8_t(kBlockSize);
            startBlock();
        }
        *m_at++ = byte;
        ++m_fill;
    }

    void startBlock()
    {
        m_block = m_at++;
        m_fill = 0;
    }

    std::uint8_t* m_at;
    std::uint8_t* m_block = nullptr;
    std::size_t m_fill = 0;
    std::uint64_t m_pending = 0;
    int m_pendingBits = 0;
};

// The most bytes the data of `pixels` indices can take: a code of at most
// 12 bits for every index, the clear codes, the end code, the sub-blocks'
// length bytes, the code size before and the empty block after them.
std::size_t dataBound(std::size_t pixels)
{
    const std::size_t codes = pixels + pixels / (kCodeLimit / 2) + 3;
    const std::size_t bytes = (codes * kMaxCodeBits + 7) / 8;
    return 1 + bytes + bytes / kBlockSize + 2;
}

} // namespace

void AppendGifImageData(const GifIndexRows& rows, int bitsPerPixel, std::vector<std::uint8_t>& out)
{
    const int indexBits = std::clamp(bitsPerPixel, 1, 8);
    // GIF's smallest code size is 2, for one-bit pictures too.
    const int minCodeSize = std::max(indexBits, 2);
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    const auto indexMask = std::uint8_t((1u << indexBits) - 1);
    const int width = std::max(rows.width, 0);
    const int height = std::max(rows.height, 0);
    const std::size_t pixels = std::size_t(width) * std::size_t(height);

    const std::size_t start = out.size();
    out.resize(start + dataBound(pixels));
    out[start] = std::uint8_t(minCodeSize);
    CodeWriter writer(out.data() + start + 1);
    const auto slots = std::make_unique<std::uint32_t[]>(std::size_t(1) << kSlotBits);
    std::fill_n(slots.get(), std::size_t(1) << kSlotBits, kFreeSlot);

    int bits = minCodeSize + 1;
    unsigned next = clear + 2;
    // A decoder widens its codes once the next code it would assign needs
    // more bits; it assigns one a code later than the encoder, so the test
    // comes after each code is written.
    const auto emit = [&](unsigned code) {
        writer.put(code, bits);
        if (next >= (1u << bits) && bits < kMaxCodeBits)
            ++bits;
    };
    emit(clear);
    if (pixels == 0) {
        emit(end);
        out.resize(std::size_t(writer.finish() - out.data()));
        return;
    }

    std::uint32_t prefix = scrambled(rows.pixels[0] & indexMask);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = rows.pixels + std::size_t(y) * rows.stride;
        for (int x = y == 0 ? 1 : 0; x < width; ++x) {
            const std::uint32_t index = row[x] & indexMask;
            const std::uint32_t key = prefix << 8 | index;
            std::uint32_t slot = slotOf(prefix, index);
            std::uint32_t entry = slots[slot];
            if ((entry & kKeyMask) == key) {
                prefix = entry >> 20;
                continue;
            }
            while (entry != kFreeSlot) {
                slot = (slot + 1) & kSlotMask;
                entry = slots[slot];
                if ((entry & kKeyMask) == key)
                    break;
            }
            if (entry != kFreeSlot) {
                prefix = entry >> 20;
                continue;
            }
            emit(unscrambled(prefix));
            if (next == kCodeLimit) {
                emit(clear);
                std::fill_n(slots.get(), std::size_t(1) << kSlotBits, kFreeSlot);
                bits = minCodeSize + 1;
                next = clear + 2;
            } else {
                slots[slot] = scrambled(next++) << 20 | key;
            }
            prefix = scrambled(index);
        }
    }
    emit(unscrambled(prefix));
    emit(end);
    out.resize(std::size_t(writer.finish() - out.data()));
}

} // namespace kinetra
