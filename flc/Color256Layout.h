#pragma once

#include "io/ByteReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kinetra {

// How the packets of a palette chunk (COLOR_256, and COLOR_64 alike) place
// their colours.
enum class PacketReading : std::uint8_t {
    // The game's units, as the game reads them: each skip byte is the index
    // its packet starts at, a count of 0 is the whole palette from index 0,
    // and packets that run past the chunk's bytes fail.
    kGameUnit,
    // Other programs' files, as the published FLIC format has it and FLIC
    // players read them: each skip byte counts on from where the previous
    // packet ended, a count of 0 is 256 colours from there, and the packets
    // end with the chunk: one whose colours do not fit is not read, nor any
    // behind it.
    kPublished,
};

// Where one packet's colours lie in the chunk's data (their triples from
// `coloursAt`, a position of the reader that walked them) and the palette
// entries they set, from `firstEntry` upwards.
struct PalettePacket {
    std::size_t coloursAt = 0;
    std::size_t firstEntry = 0;
    std::size_t count = 0; // 1 to 256
    // Colours that would land past entry 255 have no place in a palette.
    bool fitsPalette() const { return firstEntry + count <= 256; }
};

// The packet layout of a palette chunk's data, bytes as stored: the packet
// count word, then the skip and count bytes of each packet read; and each
// packet's place in `packets`. The colours are passed over. False when the
// count word is missing or, read as a game unit, when the packets run past
// the reader's bytes. The load and the save walk the packets through this
// one reader, so the save can hold the file it patches to the layout the
// load recorded, and both place the colours alike.
bool readColor256Layout(ByteReader& in, PacketReading reading, std::vector<std::uint8_t>& layout,
                        std::vector<PalettePacket>& packets);

} // namespace kinetra
