#include "cli/CliAnimation.h"
#include "cli/Command.h"
#include "cli/FrameFiles.h"
#include "cli/ParallelFiles.h"

#include "io/FileBatch.h"
#include "io/WriteFailure.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

namespace kinetra::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::array kFramesOptions{
    OptionSpec{.name = "--out", .takesValue = true},
    OptionSpec{.name = "--indices", .takesValue = false},
    OptionSpec{.name = "--rgba", .takesValue = false},
    kJobsOption,
};

std::string frameFileName(std::size_t index, FrameFormat format)
{
    std::array<char, 32> name{};
    std::snprintf(name.data(), name.size(), "frame_%04zu.%s", index, format == FrameFormat::IndexPgm ? "pgm" : "png");
    return name.data();
}

// Encodes every frame into `batch`, `workers` frames at once. The message of
// the first frame in order that fails, or nothing when every one is added.
std::optional<std::string> addFrames(const CFlcAnimation& animation, const fs::path& outDir, FrameFormat format,
                                     unsigned workers, FileBatch& batch)
{
    const auto& frames = animation.frames;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::size_t firstFailed = frames.size();
    std::string message;
    const auto work = [&] {
        std::vector<std::uint8_t> bytes;
        // Frames are taken in order, so once one fails every earlier one is
        // done or under way and the first failure is among those reported.
        for (std::size_t i = next++; i < frames.size() && !failed; i = next++) {
            const std::string file = (outDir / frameFileName(i, format)).string();
            std::string problem;
            std::error_code error;
            if (!encodeFrame(frames[i], animation.paletteOf(frames[i]), format, bytes, problem))
                problem = '\'' + file + "'\n" + problem;
            else if (!batch.add(file, bytes, error))
                problem = cannotWriteMessage(file, error);
            else
                continue;
            const std::lock_guard lock(mutex);
            if (i < firstFailed) {
                firstFailed = i;
                message = problem;
            }
            failed = true;
        }
    };
    {
        std::vector<std::jthread> helpers;
        try {
            for (unsigned t = 1; t < workers && t < frames.size(); ++t)
                helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads than asked for: those there are do every frame.
        }
        work();
    }
    if (failed)
        return message;
    return std::nullopt;
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
    if (context.args.has("--indices") && context.args.has("--rgba"))
        return context.usageError("--indices and --rgba exclude each other");
    unsigned workers = 1;
    if (auto problem = readJobCount(context.args, workers))
        return context.usageError(*problem);
    const fs::path outDir = context.args.value("--out");
    const FrameFormat format = context.args.has("--indices") ? FrameFormat::IndexPgm
                               : context.args.has("--rgba")  ? FrameFormat::TrueColourPng
                                                             : FrameFormat::PalettePng;

    CliAnimation opened;
    if (!opened.open(positional[0], context.err))
        return kExitFailure;

    std::error_code error;
    fs::create_directories(outDir, error);
    if (error || !fs::is_directory(outDir))
        return context.failure("Cannot create the output folder '" + outDir.string() + "'.");

    // Every frame's file is made before any is put in place, and all are
    // synced at once: a frame that cannot be written leaves none behind.
    FileBatch batch;
    const CFlcAnimation& animation = opened.animation();
    if (const auto problem = addFrames(animation, outDir, format, workers, batch))
        return context.failure(*problem);
    WriteFailure failure;
    if (!batch.commit(failure))
        return context.failure(cannotWriteMessage(failure));
    context.out << "Wrote " << animation.frames.size() << " frames to " << outDir.string() << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kFramesCommand{
    .name = "frames",
    .summary = "write every decoded frame as an image file",
    .usage = "Usage: kinetra-cli frames FILE --out DIR [--indices | --rgba] [-j N]\n"
             "\n"
             "Writes every decoded frame of FILE, in order, as DIR/frame_0000.png,\n"
             "DIR/frame_0001.png, ... in the colours of the file's palette: 8-bit\n"
             "palette PNGs holding just the colours each frame uses. DIR is created\n"
             "when missing. No frame file is put in place before every one is\n"
             "written, so a frame that cannot be written leaves none behind.\n"
             "\n"
             "Options:\n"
             "  --out DIR    folder to write the frames into (required)\n"
             "  --indices    write the raw palette indices as 8-bit PGM files\n"
             "               (frame_0000.pgm, ...) instead of PNG\n"
             "  --rgba       write true-colour PNGs (8-bit red, green and blue) of\n"
             "               the same pixels instead of palette PNGs\n"
             "  -j, --jobs N encode N frames at once (default: one per core)\n"
             "  -h, --help   show this help\n",
    .options = kFramesOptions,
    .run = runFrames,
};

} // namespace kinetra::cli
