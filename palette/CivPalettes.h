#pragma once

#include "flc/Palette.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kinetra {

inline constexpr int kCivColorCount = 32;

// The colour that stands for each civilization, colourings 1 to 32 at 0 to
// 31: the swatch of the colour list and entry 6 of the built-in palettes.
inline constexpr std::array<PaletteEntry, kCivColorCount> kCivColors{{
    PaletteEntry::fromRgb(233, 233, 233), PaletteEntry::fromRgb(231, 12, 12),   PaletteEntry::fromRgb(255, 142, 5),
    PaletteEntry::fromRgb(235, 235, 5),   PaletteEntry::fromRgb(11, 120, 10),   PaletteEntry::fromRgb(31, 219, 219),
    PaletteEntry::fromRgb(57, 100, 252),  PaletteEntry::fromRgb(255, 79, 242),  PaletteEntry::fromRgb(125, 1, 156),
    PaletteEntry::fromRgb(144, 107, 11),  PaletteEntry::fromRgb(121, 225, 3),   PaletteEntry::fromRgb(152, 11, 10),
    PaletteEntry::fromRgb(151, 151, 151), PaletteEntry::fromRgb(3, 41, 148),    PaletteEntry::fromRgb(18, 137, 154),
    PaletteEntry::fromRgb(248, 197, 255), PaletteEntry::fromRgb(64, 64, 64),    PaletteEntry::fromRgb(195, 3, 255),
    PaletteEntry::fromRgb(210, 183, 0),   PaletteEntry::fromRgb(131, 0, 255),   PaletteEntry::fromRgb(175, 219, 237),
    PaletteEntry::fromRgb(118, 137, 57),  PaletteEntry::fromRgb(255, 195, 0),   PaletteEntry::fromRgb(255, 112, 0),
    PaletteEntry::fromRgb(198, 215, 153), PaletteEntry::fromRgb(119, 255, 176), PaletteEntry::fromRgb(194, 201, 72),
    PaletteEntry::fromRgb(178, 137, 82),  PaletteEntry::fromRgb(111, 86, 10),   PaletteEntry::fromRgb(73, 93, 48),
    PaletteEntry::fromRgb(255, 200, 255), PaletteEntry::fromRgb(199, 172, 237),
}};

// Where the civilization palettes come from, as stored in "Options"/"Pal
// Type".
enum PaletteSource : int { kPaletteFromGame = 0, kPaletteBuiltIn = 1, kPaletteFromFolder = 2 };

// The file of colouring n (1..32): "ntp00.pcx" .. "ntp31.pcx".
std::string CivPaletteFileName(int n);

// `name` in `folder`, matched without regard to letter case (game folders
// copied from Windows differ in case); empty when there is none.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& name);

// The per-user data folder the built-in files are written out to:
// $XDG_DATA_HOME/Halvorek/Kinetra/ (or ~/.local/share/...), ending in '/'.
std::string UserDataFolder();

} // namespace kinetra
