#include "cli/ExportBatch.h"

#include "imaging/SettingsStore.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <system_error>

namespace kinetra::cli {

namespace {

namespace fs = std::filesystem;

// Renders `file` as the request shows it into `animation`; false after the
// problem in the program's form, "'path'\nmessage", on `problems`, where the
// player puts its own message for a file it cannot read.
bool renderFile(const std::string& file, const ExportRequest& request, ExportAnimation& animation,
                std::ostream& problems)
{
    MemorySettingsStore settings;
    seedPictureSettings(settings, request.picture);
    HeadlessPlayer player(settings, problems);
    usePaletteFolders(player, request.picture.palette);
    const auto refuse = [&problems, &file](const std::string& message) {
        problems << '\'' << file << "'\n" << message << '\n';
        return false;
    };
    if (!player.Initialize())
        return refuse("Cannot create the picture.");
    if (!player.open(file))
        return false;
    player.SetDirection(request.picture.direction);
    player.Stop();
    if (const auto problem = applyPictureOptions(player, request.picture))
        return refuse(*problem);
    if (request.delayMs) {
        player.SetDelayMode(false);
        player.SetCustomDelay(*request.delayMs);
    }
    const ExportOptions options{.transparent = request.transparent};
    const auto keepGoing = [](int, int) { return true; };
    if (RenderAnimation(player, options, keepGoing, animation) != ExportResult::Ok)
        return refuse("Cannot create the pictures.");
    return true;
}

} // namespace

std::optional<std::string> readExportRequest(const ParsedArguments& args, ExportRequest& request)
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
            return "--delay takes milliseconds from 10 to 500, not '" + args.value("--delay") + "'";
        request.delayMs = std::uint32_t(*delay);
    }
    request.transparent = args.has("--transparent");
    return readPictureRequest(args, request.picture);
}

int runExportBatch(const CommandContext& context, const ExportRequest& request, std::string_view extension,
                   const ExportWriter& write)
{
    if (!request.outDir.empty()) {
        std::error_code error;
        fs::create_directories(request.outDir, error);
        if (error || !fs::is_directory(request.outDir))
            return context.failure("Cannot create the output folder '" + request.outDir + "'.");
    }

    std::vector<std::string> written;
    bool anyFailed = false;
    for (std::size_t i = 0; i < request.files.size(); ++i) {
        const std::string& file = request.files[i];
        const std::string counter = '[' + std::to_string(i + 1) + '/' + std::to_string(request.files.size()) + "] ";
        const std::string out = request.outFile.empty()
                                    ? (fs::path(request.outDir) / fs::path(file).stem()).string() + std::string(extension)
                                    : request.outFile;
        std::ostringstream problems;
        ExportAnimation animation;
        std::string problem;
        if (std::find(written.begin(), written.end(), out) != written.end()) {
            problems << '\'' << file << "'\nAn earlier file was written to '" << out << "'; it is not overwritten.\n";
        } else if (renderFile(file, request, animation, problems)) {
            if (write(animation, out, problem)) {
                context.out << counter << fs::path(file).filename().string() << " -> " << out << '\n';
                written.push_back(out);
                continue;
            }
            problems << '\'' << out << "'\n" << problem << '\n';
        }
        anyFailed = true;
        context.err << counter << problems.str();
    }
    return anyFailed ? kExitFailure : kExitOk;
}

} // namespace kinetra::cli
