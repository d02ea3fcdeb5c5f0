#include "cli/CliAnimation.h"
#include "cli/Command.h"

#include <filesystem>
#include <ostream>

namespace kinetra::cli {

namespace {

// The rows of the program's information dialog, labels as the dialog spells
// them (typo included, so scripts can match either output).
void printHeaderRows(std::ostream& out, const std::string& path, const FlcHeader& header)
{
    out << "File name: " << std::filesystem::path(path).filename().string() << '\n'
        << "File size (bytes): " << header.size << '\n'
        << "Total frames: " << header.frames << '\n'
        << "Width (pixels): " << header.width << '\n'
        << "Height (pixels): " << header.height << '\n'
        << "Speed (mc): " << header.speed << '\n'
        << "Total directions: " << header.directions << '\n'
        << "Frames per direction: " << header.framesPerDirection << '\n'
        << "Animation time: " << header.animationTime << '\n'
        << "Original widt (pixels): " << header.originalWidth << '\n'
        << "Original height (pixels): " << header.originalHeight << '\n'
        << "Left offset (pixels): " << header.leftOffset << '\n'
        << "Top offset (pixels): " << header.topOffset << '\n';
}

int runInfo(const CommandContext& context)
{
    const auto& positional = context.args.positional;
    if (positional.empty())
        return context.usageError("missing FILE");
    if (positional.size() > 1)
        return context.usageError("unexpected argument '" + positional[1] + "'");

    CliAnimation opened;
    if (!opened.open(positional[0], context.err))
        return kExitFailure;
    const CFlcAnimation& animation = opened.animation();
    printHeaderRows(context.out, animation.path, animation.header);
    context.out << "Decoded frames: " << animation.frames.size() << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kInfoCommand{
    .name = "info",
    .summary = "show the header values of an FLC file",
    .usage = "Usage: kinetra-cli info FILE\n"
             "\n"
             "Shows the header values of FILE as the player sees them after\n"
             "loading it, one 'Label: value' line each, then the number of\n"
             "decoded frames.\n"
             "\n"
             "Options:\n"
             "  -h, --help   show this help\n",
    .options = {},
    .run = runInfo,
};

} // namespace kinetra::cli
