#pragma once

// What the commands that work through the player share: the player without a
// window, the options that choose a civilization colouring and where its
// palette files come from, and those that choose how the picture is shown.

#include "cli/Arguments.h"
#include "imaging/CFlcPlayerCore.h"
#include "io/SettingsStore.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace kinetra::cli {

// The player's message for a file it cannot read, with the program's Windows
// line break as a plain newline for the terminal.
void reportInvalidDocument(std::ostream& err, const std::string& filePath);

// A file that is not there or cannot be read is named as such, with the
// system's reason, rather than called an invalid document; true when it
// was reported on `err`.
bool reportUnopenableFile(std::ostream& err, const std::string& filePath);

// The player without a window; only its message for a file it cannot read
// has to reach the user, on `err`.
class HeadlessPlayer : public CFlcPlayerCore {
public:
    HeadlessPlayer(SettingsStore& settings, std::ostream& err);

    // Loads `filePath` as the window's player does; false after the
    // program's message on `err` (an empty path included, which the player
    // itself takes for "nothing to load").
    bool open(const std::string& filePath);

    // Why the last Save to `destination` failed, in the program's words: the
    // failed write's sentence, or "'PATH'\nCannot save the file." for a file
    // refused before any write (one changed on disk since it was read, ...).
    std::string saveFailure(const std::string& destination) const;

protected:
    void OnInvalidDocument(const std::string& filePath) override;

private:
    std::ostream& m_err;
};

// A whole decimal number in [low, high], nothing else.
std::optional<int> parseInt(const std::string& text, int low, int high);

// --civ, --pal-type, --pal-dir and --game-dir.
inline constexpr std::array kPaletteSourceOptions{
    OptionSpec{.name = "--civ", .takesValue = true},
    OptionSpec{.name = "--pal-type", .takesValue = true},
    OptionSpec{.name = "--pal-dir", .takesValue = true},
    OptionSpec{.name = "--game-dir", .takesValue = true},
};

// The lines of a command's help for kPaletteSourceOptions, in the layout of
// every command's "Options:" list. A macro so that it joins the string
// literal of each command's constant usage text.
#define KINETRA_CLI_PALETTE_SOURCE_HELP                                                                                \
    "  --civ N           tint the unit with civilization colouring N (1 to 32;\n"                                     \
    "                    0 keeps the file's colours)\n"                                                                \
    "  --pal-type T      where the civilization palettes come from: 0 the game's\n"                                   \
    "                    folder (Art/Units/Palettes in it): --game-dir, else the\n"                                  \
    "                    one the Wine registry names, as the window finds it\n"                                     \
    "                    1 the built-in set (default), 2 the folder --pal-dir\n"                                       \
    "  --pal-dir DIR     folder of ntp00.pcx ... ntp31.pcx for --pal-type 2\n"                                        \
    "  --game-dir DIR    the game's install folder for --pal-type 0\n"

struct PaletteSourceRequest {
    int civ = -1; // none asked for
    PaletteSource source = kPaletteBuiltIn;
    std::string paletteFolder;
    std::string gameFolder;
};

// Reads kPaletteSourceOptions into `request`; on a problem returns the text
// for the usage error.
[[nodiscard]] OptionProblem readPaletteSource(const ParsedArguments& args, PaletteSourceRequest& request);

// Points the player at the palette files: the built-in ones where the window
// writes them out (so files the user replaced there are used here too), and
// the folders of the command line. Also where the tiles come from.
void usePaletteFolders(CFlcPlayerCore& player, const PaletteSourceRequest& request);

// Applies colouring request.civ (0 to 32) from the request's source; true
// when it is in force.
bool applyCivColor(CFlcPlayerCore& player, const PaletteSourceRequest& request);

// --direction, --background and --no-blend.
inline constexpr std::array kPictureOptions{
    OptionSpec{.name = "--direction", .takesValue = true},
    OptionSpec{.name = "--background", .takesValue = true},
    OptionSpec{.name = "--no-blend", .takesValue = false},
};

// The help lines for kPictureOptions, joined like KINETRA_CLI_PALETTE_SOURCE_HELP.
#define KINETRA_CLI_PICTURE_HELP                                                                                       \
    "  --direction D     0 all directions (default), 1 SW, 2 S, 3 SE, 4 E, 5 NE,\n"                                  \
    "                    6 N, 7 NW, 8 W; a file without 8 directions uses 0\n"                                        \
    "  --background B    default (the colour #D4D0C8), sea, land, or a colour\n"                                      \
    "                    #RRGGBB; the sea and land tiles are read from the\n"                                         \
    "                    user's data folder (~/.local/share/Halvorek/Kinetra),\n"                                     \
    "                    written there from the built-in ones when missing\n"                                         \
    "  --no-blend        no blending: the frame is drawn whole, its shadow,\n"                                        \
    "                    light and transparent pixels in their palette colours\n"

struct Background {
    int type = kBackgroundDefault;
    std::uint32_t colorRef = 0; // kBackgroundCustom only
};

// "default", "sea", "land" or "#RRGGBB".
std::optional<Background> parseBackground(const std::string& text);

// How the picture is to be shown, from kPictureOptions and
// kPaletteSourceOptions.
struct PictureRequest {
    int direction = 0;
    Background background;
    bool blend = true;
    PaletteSourceRequest palette;
};

// Reads kPictureOptions and kPaletteSourceOptions into `request`; on a
// problem returns the text for the usage error.
[[nodiscard]] OptionProblem readPictureRequest(const ParsedArguments& args, PictureRequest& request);

// The settings the player reads at Initialize, as the window's player reads
// the user's: the direction and blending.
void seedPictureSettings(SettingsStore& settings, const PictureRequest& request);

// The colouring and background of a loaded game animation; a plain FLC is
// left as it is, as the window offers it neither. On failure returns the
// program's message.
[[nodiscard]] OptionProblem applyPictureOptions(CFlcPlayerCore& player, const PictureRequest& request);

} // namespace kinetra::cli
