#include "cli/ExportBatch.h"

#include "cli/ParallelFiles.h"
#include "io/SettingsStore.h"
#include "io/FileBatch.h"
#include "io/WriteFailure.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <system_error>

namespace kinetra::cli {

namespace {

namespace fs = std::filesystem;

// Renders `file` as the request shows it and encodes it one frame (or row)
// at a time straight into `out`'s place in `batch`; false after the problem
// on `problems` in the program's form, "'path'\nmessage", where the player
// puts its own message for a file it cannot read, or after the sentence of
// a write that failed.
bool exportInto(FileBatch& batch, const std::string& file, const std::string& out, const ExportRequest& request,
                const ExportEncoder& encode, std::ostream& problems)
{
    MemorySettingsStore settings;
    seedPictureSettings(settings, request.picture);
    HeadlessPlayer player(settings, problems);
    usePaletteFolders(player, request.picture.palette);
    const auto refuse = [&problems](const std::string& path, const std::string& message) {
        problems << '\'' << path << "'\n" << message << '\n';
        return false;
    };
    if (!player.Initialize())
        return refuse(file, "Cannot create the picture.");
    if (!player.open(file))
        return false;
    player.SetDirection(request.picture.direction);
    player.Stop();
    if (const auto problem = applyPictureOptions(player, request.picture))
        return refuse(file, *problem);
    if (request.delayMs) {
        player.SetDelayMode(false);
        player.SetCustomDelay(*request.delayMs);
    }
    PlayerFrames frames(player, ExportOptions{.transparent = request.transparent});
    if (frames.frameCount() == 0)
        return refuse(file, "Cannot create the pictures.");
    std::string problem;
    std::error_code written;
    if (batch.add(out, [&](const ByteSink& sink) { return encode(frames, sink, problem); }, written))
        return true;
    if (written) {
        problems << cannotWriteMessage(out, written) << '\n';
        return false;
    }
    return refuse(out, problem);
}

} // namespace

[[nodiscard]] OptionProblem readExportRequest(const ParsedArguments& args, ExportRequest& request)
{
    request.files = args.positional;
    if (request.files.empty())
        return "missing FILE";
    request.outFile = args.value("--out");
    request.outDir = args.value("--out-dir");
    if (args.has("--out") && args.has("--out-dir"))
        return "--out and --out-dir exclude each other";
    if (args.has("--out") && request.files.size() > 1)
        return "--out names the output of a single FILE; use --out-dir DIR for several";
    if (request.outFile.empty() && request.outDir.empty())
        return "missing --out-dir DIR";
    if (args.has("--delay")) {
        const auto delay = parseInt(args.value("--delay"), kMinimumCustomDelay, kMaximumCustomDelay);
        if (!delay)
            return "--delay takes milliseconds from " + std::to_string(kMinimumCustomDelay) + " to "
                + std::to_string(kMaximumCustomDelay) + ", not '" + args.value("--delay") + "'";
        request.delayMs = std::uint32_t(*delay);
    }
    request.transparent = args.has("--transparent");
    if (auto problem = readJobCount(args, request.workers))
        return problem;
    return readPictureRequest(args, request.picture);
}

int runExportBatch(const CommandContext& context, const ExportRequest& request, std::string_view extension,
                   const ExportEncoder& encode)
{
    if (!request.outDir.empty()) {
        std::error_code error;
        fs::create_directories(request.outDir, error);
        if (error || !fs::is_directory(request.outDir))
            return context.failure("Cannot create the output folder '" + request.outDir + "'.");
    }

    std::vector<std::string> outputs;
    for (const std::string& file : request.files) {
        outputs.push_back(request.outFile.empty()
                              ? (fs::path(request.outDir) / fs::path(file).stem()).string() + std::string(extension)
                              : request.outFile);
    }
    // Each output is put in place once every file is done, all synced at once.
    FileBatch batch;
    const auto exportFile = [&](std::size_t index, const std::vector<std::string>& writtenBefore) {
        const std::string& file = request.files[index];
        const std::string& out = outputs[index];
        std::ostringstream problems;
        if (std::find(writtenBefore.begin(), writtenBefore.end(), out) != writtenBefore.end())
            problems << '\'' << file << "'\nAn earlier file was written to '" << out << "'; it is not overwritten.\n";
        else if (exportInto(batch, file, out, request, encode, problems))
            return writtenReport(file, out);
        return FileReport{.succeeded = false, .text = problems.str()};
    };
    const bool allDone = runFilesInParallel(outputs, request.workers, exportFile, context.out, context.err);
    WriteFailure failure;
    if (!batch.commit(failure))
        return context.failure(cannotWriteMessage(failure));
    return allDone ? kExitOk : kExitFailure;
}

} // namespace kinetra::cli
