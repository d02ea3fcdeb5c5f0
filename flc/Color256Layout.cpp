#include "flc/Color256Layout.h"

namespace kinetra {

bool readColor256Layout(ByteReader& in, std::vector<std::uint8_t>& layout)
{
    layout.clear();
    const std::uint8_t low = in.u8();
    const std::uint8_t high = in.u8();
    if (!in.ok())
        return false;
    layout = {low, high};
    const int packets = low | high << 8;
    for (int packet = 0; packet < packets; ++packet) {
        const std::uint8_t skip = in.u8();
        const std::uint8_t count = in.u8();
        if (!in.skip(3 * std::size_t(count == 0 ? 256 : count)))
            return false;
        layout.push_back(skip);
        layout.push_back(count);
    }
    return true;
}

} // namespace kinetra
