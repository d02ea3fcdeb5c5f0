#include "cli/CliAnimation.h"
#include "cli/Command.h"
#include "cli/FrameFiles.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <system_error>

namespace kinetra::cli {

namespace {

constexpr std::array kFramesOptions{
    OptionSpec{.name = "--out", .takesValue = true},
    OptionSpec{.name = "--indices", .takesValue = false},
};

std::string frameFileName(std::size_t index, bool indices)
{
    std::array<char, 32> name{};
    std::snprintf(name.data(), name.size(), "frame_%04zu.%s", index, indices ? "pgm" : "png");
    return name.data();
}

int runFrames(const CommandContext& context)
{
    const auto& positional = context.args.positional;
    if (positional.empty())
        return context.usageError("missing FILE");
    if (positional.size() > 1)
        return context.usageError("unexpected argument '" + positional[1] + "'");
    if (!context.args.has("--out"))
        return context.usageError("missing --out DIR");
    const std::filesystem::path outDir = context.args.value("--out");
    const bool indices = context.args.has("--indices");

    CliAnimation opened;
    if (!opened.open(positional[0], context.err))
        return kExitFailure;

    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error || !std::filesystem::is_directory(outDir))
        return context.failure("Cannot create the output folder '" + outDir.string() + "'.");

    const CFlcAnimation& animation = opened.animation();
    const auto& frames = animation.frames;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const std::string file = (outDir / frameFileName(i, indices)).string();
        const bool written =
            indices ? writeFramePgm(frames[i], file) : writeFramePng(frames[i], animation.paletteOf(frames[i]), file);
        if (!written)
            return context.failure("Cannot write '" + file + "'.");
    }
    context.out << "Wrote " << frames.size() << " frames to " << outDir.string() << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kFramesCommand{
    .name = "frames",
    .summary = "write every decoded frame as an image file",
    .usage = "Usage: kinetra-cli frames FILE --out DIR [--indices]\n"
             "\n"
             "Writes every decoded frame of FILE, in order, as DIR/frame_0000.png,\n"
             "DIR/frame_0001.png, ... in the colours of the file's palette.\n"
             "DIR is created when missing.\n"
             "\n"
             "Options:\n"
             "  --out DIR    folder to write the frames into (required)\n"
             "  --indices    write the raw palette indices as 8-bit PGM files\n"
             "               (frame_0000.pgm, ...) instead of PNG\n"
             "  -h, --help   show this help\n",
    .options = kFramesOptions,
    .run = runFrames,
};

} // namespace kinetra::cli
