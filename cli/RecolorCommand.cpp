#include "cli/Command.h"
#include "cli/ParallelFiles.h"
#include "cli/PlayerOptions.h"

#include "io/FileBatch.h"
#include "io/WriteFailure.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace kinetra::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::array kRecolorOptions =
    joinOptions(std::array{OptionSpec{.name = "--out-dir", .takesValue = true}, kJobsOption}, kPaletteSourceOptions);

bool sameFile(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// Recolours one file and adds it to `batch` as `out`; false after the problem in the program's
// form, "'path'\nmessage", on `problems`, where the player puts its own
// message for a file it cannot read.
bool recolorFile(const std::string& file, const fs::path& out, const PaletteSourceRequest& palette,
                 const std::vector<std::string>& written, FileBatch& batch, std::ostream& problems)
{
    MemorySettingsStore settings;
    HeadlessPlayer player(settings, problems);
    usePaletteFolders(player, palette);
    const auto refuse = [&problems](const std::string& path, const std::string& message) {
        problems << '\'' << path << "'\n" << message << '\n';
        return false;
    };
    if (!player.Initialize())
        return refuse(file, "Cannot create the player.");
    if (!player.open(file))
        return false;
    if (player.IsPlainFlc())
        return refuse(file, "A plain FLC has no civilization colours; only game animations are recoloured.");
    if (sameFile(file, out))
        return refuse(file, "Its output '" + out.string() + "' is the file itself; recolor never overwrites a source.");
    // `written` holds only earlier outputs that are this one, which are not
    // in place before the batch ends.
    if (!written.empty())
        return refuse(file, "An earlier file was written to '" + out.string() + "'; it is not overwritten.");
    if (!applyCivColor(player, palette))
        return refuse(file, "Cannot get civilization specified palette.");
    std::vector<std::uint8_t> bytes;
    if (player.SavedBytes(bytes) != kOk)
        return refuse(out.string(), "Cannot save the file.");
    std::error_code error;
    if (!batch.add(out.string(), bytes, error)) {
        problems << cannotWriteMessage(out.string(), error) << '\n';
        return false;
    }
    return true;
}

int runRecolor(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    const auto& files = args.positional;
    if (files.empty())
        return context.usageError("missing FILE");
    if (!args.has("--civ"))
        return context.usageError("missing --civ N");
    if (!args.has("--out-dir"))
        return context.usageError("missing --out-dir DIR");
    PaletteSourceRequest palette;
    if (auto problem = readPaletteSource(args, palette))
        return context.usageError(*problem);
    unsigned workers = 1;
    if (auto problem = readJobCount(args, workers))
        return context.usageError(*problem);

    const fs::path outDir = args.value("--out-dir");
    std::error_code error;
    fs::create_directories(outDir, error);
    if (error || !fs::is_directory(outDir))
        return context.failure("Cannot create the output folder '" + outDir.string() + "'.");

    std::vector<std::string> outputs;
    for (const std::string& file : files)
        outputs.push_back((outDir / fs::path(file).filename()).string());
    // Each output is put in place once every file is done, all synced at once.
    FileBatch batch;
    const auto recolor = [&](std::size_t index, const std::vector<std::string>& writtenBefore) {
        std::ostringstream problems;
        if (recolorFile(files[index], outputs[index], palette, writtenBefore, batch, problems))
            return writtenReport(files[index], outputs[index]);
        return FileReport{.succeeded = false, .text = problems.str()};
    };
    const bool allDone = runFilesInParallel(outputs, workers, recolor, context.out, context.err);
    WriteFailure failure;
    if (!batch.commit(failure))
        return context.failure(cannotWriteMessage(failure));
    return allDone ? kExitOk : kExitFailure;
}

} // namespace

constexpr Command kRecolorCommand{
    .name = "recolor",
    .summary = "write copies of FLC files in a civilization colouring",
    .usage = "Usage: kinetra-cli recolor FILE... --civ N --out-dir DIR [-j N]\n"
             "                           [--pal-type 0|1|2] [--pal-dir DIR] [--game-dir DIR]\n"
             "\n"
             "Tints each game animation FILE with civilization colouring N, as the\n"
             "player's colour list does, and saves it with that palette as DIR/<its\n"
             "file name>; only the colour bytes of its palette chunks change. DIR is\n"
             "created when missing. One line '[i/n] NAME -> DIR/NAME' is printed for\n"
             "each file written; a file that cannot be done has its message on the\n"
             "error stream after the same '[i/n]' and the others go on.\n"
             "\n"
             "A file is refused when its output would be the file itself or a file\n"
             "written earlier in the same run (two FILEs of the same name), and when it\n"
             "is a plain FLC, which has no civilization colours.\n"
             "\n"
             "Options:\n"
             "  --out-dir DIR     folder to write the recoloured files into (required)\n"
             KINETRA_CLI_JOBS_HELP
             KINETRA_CLI_PALETTE_SOURCE_HELP
             "  -h, --help        show this help\n"
             "\n"
             "--civ is required. The status is 1 when any file failed, else 0.\n",
    .options = kRecolorOptions,
    .run = runRecolor,
};

} // namespace kinetra::cli
