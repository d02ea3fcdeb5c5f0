#pragma once

#include "flc/Palette.h"

#include <QString>

#include <optional>

// The palette a user names by a file to map pictures onto: a palette file
// (.act, .pal), an 8-bit PCX (a civilization palette of the game) or an
// animation's file palette (.flc, .fli). Nothing when none can be read.
std::optional<kinetra::Palette> readPaletteFrom(const QString& path);
