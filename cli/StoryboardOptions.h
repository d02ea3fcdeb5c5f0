#pragma once

// The layout options that 'build' and 'join' share, the palette a
// true-colour storyboard is mapped onto, and what they report of pixels
// mapped by colour.

#include "cli/Arguments.h"
#include "storyboard/Storyboard.h"
#include "storyboard/StoryboardBuild.h"

#include <array>
#include <iosfwd>
#include <optional>
#include <string>

namespace kinetra::cli {

inline constexpr std::array kLayoutOptions{
    OptionSpec{.name = "--directions", .takesValue = true},
    OptionSpec{.name = "--frames-per-direction", .takesValue = true},
    OptionSpec{.name = "--speed", .takesValue = true},
    OptionSpec{.name = "--offset", .takesValue = true},
    OptionSpec{.name = "--original", .takesValue = true},
};

#define KINETRA_CLI_LAYOUT_HELP                                                                                        \
    "  --directions 8|1  rows of directions (SW, S, SE, E, NE, N, NW, W)\n"                                           \
    "  --frames-per-direction N\n"                                                                                     \
    "                    frames in each direction's row\n"                                                             \
    "  --speed MS        delay between frames in milliseconds\n"                                                       \
    "  --offset LEFT,TOP where the frame's top-left corner lies on the game's\n"                                      \
    "                    240 x 240 picture (default: the frame centred)\n"                                             \
    "  --original W,H    the full picture's size (default 240,240)\n"

// The facts the options give. Nothing, with the reason in `problem`, for a
// value out of range.
std::optional<StoryboardFacts> readLayoutOptions(const ParsedArguments& args, std::string& problem);

// --border INDEX into `border` when given; false, with the reason in
// `problem`, for a value that is no palette index.
bool readBorderOption(const ParsedArguments& args, std::optional<int>& border, std::string& problem);

// The palette of a palette file (.act, .pal) or of an FLC file. False, with
// the message on `err`, when it cannot be read.
bool readPaletteOption(const std::string& path, Palette& palette, std::ostream& err);

// When the pixels were mapped by colour, how many took a colour that was
// not theirs, by class, on a line of `out`.
void reportColourMapping(const StoryboardBuild& build, std::ostream& out);

} // namespace kinetra::cli
