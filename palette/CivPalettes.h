#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kinetra {

inline constexpr int kCivColorCount = 32;

// The file of colouring n (1..32): "ntp00.pcx" .. "ntp31.pcx".
std::string CivPaletteFileName(int n);

// `name` in `folder`, matched without regard to letter case (game folders
// copied from Windows differ in case); empty when there is none.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& name);

// The per-user data folder the built-in files are written out to:
// $XDG_DATA_HOME/Halvorek/Kinetra/ (or ~/.local/share/...), ending in '/'.
std::string UserDataFolder();

} // namespace kinetra
