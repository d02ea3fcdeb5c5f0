#include "cli/Command.h"
#include "cli/PlayerOptions.h"

#include "formats/PngFile.h"
#include "io/SettingsStore.h"
#include "imaging/Thumbnail.h"
#include "io/AtomicFile.h"
#include "io/WriteFailure.h"

#include <array>
#include <ostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace kinetra::cli {

namespace {

constexpr std::array kThumbnailOptions{
    OptionSpec{.name = "--size", .takesValue = true, .alias = "-s"},
};

struct ThumbnailRequest {
    std::string input;
    std::string output;
    int side = 0;
};

[[nodiscard]] OptionProblem readRequest(const ParsedArguments& args, ThumbnailRequest& request)
{
    if (!args.has("--size"))
        return "missing -s SIZE";
    const auto side = parseInt(args.value("--size"), 1, kMaxThumbnailSide);
    if (!side) {
        return "-s takes the thumbnail's side in pixels, a whole number from 1 to "
               + std::to_string(kMaxThumbnailSide) + ", not '" + args.value("--size") + "'";
    }
    request.side = *side;
    if (args.positional.size() < 2)
        return args.positional.empty() ? "missing INPUT and OUTPUT.png" : "missing OUTPUT.png";
    if (args.positional.size() > 2)
        return "unexpected argument '" + args.positional[2] + "'";
    request.input = args.positional[0];
    request.output = args.positional[1];
    return std::nullopt;
}

// The player's two-line message for a file it cannot read as one line: a
// thumbnailer's caller logs one line per failure.
std::string oneLine(std::string message)
{
    while (!message.empty() && message.back() == '\n')
        message.pop_back();
    if (const auto end = message.find('\n'); end != std::string::npos)
        message.replace(end, 1, ": ");
    return message;
}

// "kinetra-cli thumbnail: 'FILE': PROBLEM" on one line, and status 1.
int fileFailure(const CommandContext& context, const std::string& file, std::string_view problem)
{
    std::string message = "kinetra-cli thumbnail: '";
    message.append(file).append("': ").append(problem);
    return context.failure(message);
}

int runThumbnail(const CommandContext& context)
{
    ThumbnailRequest request;
    if (const auto problem = readRequest(context.args, request))
        return context.usageError(*problem);

    // The player's own defaults: blending on, nothing of the user's.
    MemorySettingsStore settings;
    std::ostringstream playerMessage;
    HeadlessPlayer player(settings, playerMessage);
    if (!player.Initialize())
        return context.failure("kinetra-cli thumbnail: cannot create the picture.");
    if (!player.open(request.input))
        return context.failure("kinetra-cli thumbnail: " + oneLine(playerMessage.str()));
    // The player reads any header; a file manager hands over whatever bears
    // the type, and only real FLC and FLI files get a thumbnail.
    if (!IsFlcOrFliMagic(player.header.magic)) {
        std::ostringstream problem;
        problem << "not an FLC or FLI animation (its magic number is 0x" << std::hex << std::uppercase
                << player.header.magic << ", not 0xAF12 or 0xAF11).";
        return fileFailure(context, request.input, problem.str());
    }
    player.SetDirection(kFacingDirection);
    player.Stop();

    const ExportPicture thumbnail = MakeThumbnail(player, request.side);
    if (thumbnail.pixels.empty())
        return fileFailure(context, request.input, "no picture can be made of it.");
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!encodeSmallestPng(thumbnail, PngChannels::Rgba, bytes, error))
        return fileFailure(context, request.output, "cannot encode the PNG: " + error + ".");
    std::error_code written;
    if (!writeFileAtomically(request.output, bytes, written))
        return context.failure("kinetra-cli thumbnail: " + cannotWriteMessage(request.output, written));
    return kExitOk;
}

} // namespace

constexpr Command kThumbnailCommand{
    .name = "thumbnail",
    .summary = "write a thumbnail of an FLC file, for file managers",
    .usage = "Usage: kinetra-cli thumbnail -s SIZE INPUT OUTPUT.png\n"
             "\n"
             "Writes a PNG of at most SIZE x SIZE pixels of the first picture of INPUT,\n"
             "as the desktop's file managers ask a thumbnailer for one\n"
             "(kinetra.thumbnailer). A game unit shows its first frame facing the\n"
             "viewer (south-west) as the player composes it, over a transparent\n"
             "background (shadow and light pixels translucent), cut to what shows\n"
             "in any frame of that direction. A plain FLC shows its first frame\n"
             "whole. The picture is enlarged by the largest whole multiple that\n"
             "fits, without smoothing, or shrunk to fit when it is larger.\n"
             "\n"
             "Options:\n"
             "  -s, --size SIZE   the thumbnail's largest side in pixels, 1 to 4096\n"
             "                    (required)\n"
             "  -h, --help        show this help\n"
             "\n"
             "A file that cannot be read ends with one line on standard error and\n"
             "status 1, and no OUTPUT is written.\n",
    .options = kThumbnailOptions,
    .run = runThumbnail,
};

} // namespace kinetra::cli
