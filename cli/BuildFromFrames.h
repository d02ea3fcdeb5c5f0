#pragma once

// 'build --frames': a unit from a series of pictures, one per frame, drawn
// or rendered, without a note.

#include "cli/Arguments.h"
#include "cli/Command.h"

#include <array>

namespace kinetra::cli {

inline constexpr std::array kFrameSeriesOptions{
    OptionSpec{.name = "--frames", .takesValue = true},
    OptionSpec{.name = "--direction-order", .takesValue = true},
    OptionSpec{.name = "--team-colour", .takesValue = true},
    OptionSpec{.name = "--team-tolerance", .takesValue = true},
    OptionSpec{.name = "--civ-palette", .takesValue = true},
    OptionSpec{.name = "--dither"},
};

#define KINETRA_CLI_FRAME_SERIES_HELP                                                                                  \
    "  --frames PATTERN  build from one picture per frame: a pattern such as\n"                                     \
    "                    'render/*.png' (quoted), a folder, or the files named\n"                                    \
    "                    after it; taken in natural order (frame2 before\n"                                          \
    "                    frame10), direction after direction\n"                                                      \
    "  --direction-order S,SW,W,NW,N,NE,E,SE\n"                                                                      \
    "                    the order of the directions in the pictures, when\n"                                        \
    "                    not the game's SW,S,SE,E,NE,N,NW,W\n"                                                       \
    "  --offset auto     cut the frames to what shows in any of them and place\n"                                   \
    "                    it where it stood, the pictures centred on the game's\n"                                    \
    "                    240 x 240 (the default with --frames)\n"                                                    \
    "  --palette auto    make the palette from the frames: 160 ordinary colours\n"                                  \
    "                    for all frames, the light and shadow entries of the\n"                                      \
    "                    default palette (the default for true-colour frames)\n"                                     \
    "  --team-colour #RRGGBB\n"                                                                                      \
    "                    pixels of this hue take the civilization entries 0-63\n"                                    \
    "  --team-tolerance DEGREES\n"                                                                                   \
    "                    how far a hue may lie from the team colour's (20)\n"                                        \
    "  --civ-palette FILE\n"                                                                                         \
    "                    the colours of entries 0-63: a civilization PCX or a\n"                                     \
    "                    palette file (default: Kinetra's first colouring)\n"                                        \
    "  --dither          dither the ordinary colours (never the transparent,\n"                                     \
    "                    shadow or team pixels)\n"

// Runs the build of the pictures --frames names (and any operands after
// it, as a shell expands an unquoted pattern).
int runBuildFromFrames(const CommandContext& context);

} // namespace kinetra::cli
