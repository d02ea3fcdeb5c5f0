#pragma once

#include "io/ByteReader.h"

#include <cstdint>
#include <vector>

namespace kinetra {

// The packet layout of a COLOR_256 chunk's data, bytes as stored: the packet
// count word, then each packet's skip and count bytes; the colours are
// passed over (a count of 0 stands for 256 of them). False when the packets
// run past the reader's bytes. The save compares the layout a load recorded
// with the file it patches, so both walk the packets through this one reader.
bool readColor256Layout(ByteReader& in, std::vector<std::uint8_t>& layout);

} // namespace kinetra
