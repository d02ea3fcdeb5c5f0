#include "cli/Command.h"
#include "cli/PlayerOptions.h"

#include "imaging/CFlcPlayerCore.h"
#include "formats/PngFile.h"
#include "io/AtomicFile.h"
#include "io/SettingsStore.h"

#include <algorithm>
#include <array>
#include <optional>
#include <ostream>
#include <string>

namespace kinetra::cli {

namespace {

constexpr std::array kComposeOptions = joinOptions(
    joinOptions(std::array{
                    OptionSpec{.name = "--frame", .takesValue = true},
                    OptionSpec{.name = "--out", .takesValue = true},
                },
                kPictureOptions),
    kPaletteSourceOptions);

// Everything the command line asks for, checked before the file is opened.
struct ComposeRequest {
    std::string file;
    std::string out;
    int frame = 0;
    PictureRequest picture;
};

// Fills `request`; on a problem returns the text for the usage error.
[[nodiscard]] OptionProblem readRequest(const ParsedArguments& args, ComposeRequest& request)
{
    if (args.positional.empty())
        return "missing FILE";
    if (args.positional.size() > 1)
        return "unexpected argument '" + args.positional[1] + "'";
    request.file = args.positional[0];
    if (!args.has("--frame"))
        return "missing --frame N";
    if (!args.has("--out"))
        return "missing --out PICTURE.png";
    request.out = args.value("--out");

    const auto frame = parseInt(args.value("--frame"), 0, 0xFFFF);
    if (!frame)
        return "--frame takes a frame number from 0, not '" + args.value("--frame") + "'";
    request.frame = *frame;
    return readPictureRequest(args, request.picture);
}

// The top-left width × height of the back buffer: the whole picture.
bool writePicture(const CSurface& backBuffer, int width, int height, const std::string& path)
{
    const PlatformSurface* memory = backBuffer.Memory();
    if (!memory || !memory->pixels)
        return false;
    ExportPicture picture;
    picture.width = std::min(width, memory->width);
    picture.height = std::min(height, memory->height);
    if (picture.width < 1 || picture.height < 1)
        return false;
    const auto rowWords = std::size_t(memory->pitch / 4);
    picture.pixels.reserve(std::size_t(picture.width) * std::size_t(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        const std::uint32_t* row = memory->pixels.get() + std::size_t(y) * rowWords;
        picture.pixels.insert(picture.pixels.end(), row, row + picture.width);
    }
    // The surface's fourth byte is no alpha.
    std::vector<std::uint8_t> bytes;
    std::string error;
    return encodeSmallestPng(picture, PngChannels::Rgb, bytes, error) && writeFileAtomically(path, bytes);
}

int runCompose(const CommandContext& context)
{
    ComposeRequest request;
    if (const auto problem = readRequest(context.args, request))
        return context.usageError(*problem);

    // The player reads these at Initialize, as the window's player reads the
    // user's settings.
    MemorySettingsStore settings;
    seedPictureSettings(settings, request.picture);

    HeadlessPlayer player(settings, context.err);
    usePaletteFolders(player, request.picture.palette);
    if (!player.Initialize())
        return context.failure("Cannot create the picture.");
    if (!player.open(request.file))
        return kExitFailure;

    player.SetDirection(request.picture.direction);
    player.Stop();
    const int lastPosition = player.LastPosition();
    if (request.frame > lastPosition) {
        return context.usageError("--frame " + std::to_string(request.frame) + " is beyond the range of direction "
                                  + std::to_string(player.direction) + ", which has frames 0 to "
                                  + std::to_string(lastPosition));
    }

    if (const auto problem = applyPictureOptions(player, request.picture))
        return context.failure(*problem);

    // What a tick draws, without advancing the frame.
    player.SeekFrame(request.frame);
    player.ComposeFrame();

    const CScreen* screen = player.GetScreen();
    if (!screen || !screen->backBuffer)
        return context.failure("Cannot create the picture.");
    if (!writePicture(*screen->backBuffer, player.PictureWidth(), player.PictureHeight(), request.out))
        return context.failure("Cannot write '" + request.out + "'.");
    return kExitOk;
}

} // namespace

constexpr Command kComposeCommand{
    .name = "compose",
    .summary = "write one frame as the player shows it, over a background",
    .usage = "Usage: kinetra-cli compose FILE --frame N --out PICTURE.png [--direction D]\n"
             "                           [--background default|sea|land|#RRGGBB] [--no-blend]\n"
             "                           [--civ N] [--pal-type 0|1|2] [--pal-dir DIR] [--game-dir DIR]\n"
             "\n"
             "Composes frame N of FILE exactly as the player shows it, by the same code\n"
             "as the player's tick: the background, the frame at its offsets, and the\n"
             "shadow and light pixels blended into the background. A game animation\n"
             "gives a 240 x 240 picture; a plain FLC gives its own width x height over\n"
             "black, and ignores --background, --no-blend and --civ as the player's\n"
             "window does.\n"
             "\n"
             "Options:\n"
             "  --frame N         frame of the chosen direction, from 0 to its count - 1\n"
             "                    (required)\n"
             "  --out PICTURE     PNG file to write (required)\n"
             KINETRA_CLI_PICTURE_HELP
             KINETRA_CLI_PALETTE_SOURCE_HELP
             "  -h, --help        show this help\n"
             "\n"
             "A palette that cannot be read ends with 'Cannot get civilization specified\n"
             "palette.' and status 1.\n",
    .options = kComposeOptions,
    .run = runCompose,
};

} // namespace kinetra::cli
