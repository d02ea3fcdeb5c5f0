#include "flc/Color256Layout.h"

namespace kinetra {

bool readColor256Layout(ByteReader& in, PacketReading reading, std::vector<std::uint8_t>& layout,
                        std::vector<PalettePacket>& packets)
{
    layout.clear();
    packets.clear();
    const std::uint8_t low = in.u8();
    const std::uint8_t high = in.u8();
    if (!in.ok())
        return false;
    layout = {low, high};
    const bool published = reading == PacketReading::kPublished;
    const int count = low | high << 8;
    std::size_t nextEntry = 0;
    for (int packet = 0; packet < count; ++packet) {
        if (published && in.remaining() < 2)
            break;
        const std::uint8_t skip = in.u8();
        const std::uint8_t colours = in.u8();
        PalettePacket placed;
        placed.coloursAt = in.position();
        placed.count = colours == 0 ? 256 : colours;
        placed.firstEntry = published ? nextEntry + skip : colours == 0 ? 0 : skip;
        if (published && in.remaining() < 3 * placed.count)
            break;
        if (!in.skip(3 * placed.count))
            return false;
        layout.push_back(skip);
        layout.push_back(colours);
        packets.push_back(placed);
        nextEntry = placed.firstEntry + placed.count;
    }
    return true;
}

} // namespace kinetra
