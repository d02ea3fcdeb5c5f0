#pragma once

// The layout options that 'build' and 'join' share, the palette a
// true-colour storyboard is mapped onto, what they report of pixels mapped
// by colour, and the check that they write over none of their inputs.

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
    OptionSpec{.name = "--animation-time", .takesValue = true},
};

#define KINETRA_CLI_LAYOUT_HELP                                                                                        \
    "  --directions 8|1  rows of directions (SW, S, SE, E, NE, N, NW, W)\n"                                           \
    "  --frames-per-direction N\n"                                                                                     \
    "                    frames in each direction's row\n"                                                             \
    "  --speed MS        delay between frames in milliseconds\n"                                                       \
    "  --offset LEFT,TOP where the frame's top-left corner lies on the game's\n"                                      \
    "                    240 x 240 picture (default: the frame centred)\n"                                             \
    "  --original W,H    the full picture's size (default 240,240)\n"                                                  \
    "  --animation-time MS\n"                                                                                          \
    "                    the animation's duration in milliseconds (default:\n"                                         \
    "                    the note's, or speed x frames per direction when the\n"                                       \
    "                    note has none or --speed is given)\n"

// The facts the options give. Nothing, with the reason in `problem`, for a
// value out of range.
std::optional<StoryboardFacts> readLayoutOptions(const ParsedArguments& args, std::string& problem);

// Whether two paths name one file, by another name or a link too, or lead
// to the same place where no file is yet: what a command writes must not be
// one of its inputs.
bool sameFile(const std::string& a, const std::string& b);

// --border INDEX into `border` when given; false, with the reason in
// `problem`, for a value that is no palette index.
bool readBorderOption(const ParsedArguments& args, std::optional<int>& border, std::string& problem);

// The palette of a palette file (.act, .pal), of an 8-bit PCX or of an FLC file. False, with
// the message on `err`, when it cannot be read.
bool readPaletteOption(const std::string& path, Palette& palette, std::ostream& err);

// When the pixels were mapped by colour, how many took a colour that was
// not theirs, by class, on a line of `out`.
void reportColourMapping(const StoryboardBuild& build, std::ostream& out);

} // namespace kinetra::cli
