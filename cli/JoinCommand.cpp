#include "cli/CliAnimation.h"
#include "cli/Command.h"
#include "cli/StoryboardOptions.h"

#include "storyboard/DirectionFiles.h"
#include "storyboard/StoryboardBuild.h"
#include "storyboard/StoryboardFile.h"
#include "io/AtomicFile.h"
#include "io/WriteFailure.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace kinetra::cli {

namespace {

constexpr std::array kJoinOptions =
    joinOptions(std::array{OptionSpec{.name = "--out", .takesValue = true}}, kLayoutOptions);

// The one note of a split in `folder`, or a reason why there is none.
std::optional<std::filesystem::path> findNote(const std::filesystem::path& folder, std::string& problem)
{
    std::error_code error;
    std::optional<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= kStoryboardNoteSuffix.size() || !name.ends_with(kStoryboardNoteSuffix))
            continue;
        if (found) {
            problem = "The folder holds more than one split note (*" + std::string(kStoryboardNoteSuffix)
                      + "); join one split per folder.";
            return std::nullopt;
        }
        found = entry.path();
    }
    if (error)
        problem = "Cannot read the folder.";
    else if (!found)
        problem = "The folder holds no split note (*" + std::string(kStoryboardNoteSuffix) + ").";
    return error ? std::nullopt : found;
}

int runJoin(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (const auto problem = oneOperandProblem(args, "DIR", "--out UNIT.flc"))
        return context.usageError(*problem);
    std::string problem;
    const auto overrides = readLayoutOptions(args, problem);
    if (!overrides)
        return context.usageError(problem);
    const std::filesystem::path folder = args.positional[0];
    const std::string out = args.value("--out");

    const auto notePath = findNote(folder, problem);
    if (!notePath)
        return context.failure('\'' + folder.string() + "'\n" + problem);
    if (sameFile(notePath->string(), out))
        return context.usageError("--out must not be the split's note");
    const auto note = readStoryboardNoteFile(notePath->string(), problem);
    if (!note)
        return context.failure('\'' + folder.string() + "'\n" + problem);
    if (note->directionFiles.empty())
        return context.failure('\'' + notePath->string() + "'\nThe note is a storyboard's, not a split's: it names no direction files.");
    StoryboardFacts facts = note->facts;
    facts.overrideWith(*overrides);
    if (!checkDirectionFiles(note->directionFiles, facts, problem))
        return context.failure('\'' + notePath->string() + "'\n" + problem);
    for (const std::string& name : note->directionFiles) {
        if (sameFile((folder / name).string(), out))
            return context.usageError("--out must not be a direction file of the split");
    }

    std::vector<std::unique_ptr<CliAnimation>> files;
    std::vector<const CFlcAnimation*> directions;
    for (const std::string& name : note->directionFiles) {
        auto& file = files.emplace_back(std::make_unique<CliAnimation>());
        if (!file->open((folder / name).string(), context.err))
            return kExitFailure;
        directions.push_back(&file->animation());
    }
    const auto joined = joinDirections(directions, facts, note->palette, problem);
    if (!joined)
        return context.failure('\'' + folder.string() + "'\n" + problem);
    std::error_code written;
    if (!writeFileAtomically(out, joined->file, written))
        return context.failure(cannotWriteMessage(out, written));
    context.out << out << ": " << directions.size() << " x " << directions.front()->frames.size() << " frames, "
                << joined->file.size() << " bytes\n";
    reportColourMapping(*joined, context.out);
    return kExitOk;
}

} // namespace

constexpr Command kJoinCommand{
    .name = "join",
    .summary = "join the direction files of a split back into one game FLC",
    .usage = "Usage: kinetra-cli join DIR --out UNIT.flc [--speed MS] [--offset LEFT,TOP]\n"
             "                           [--original W,H] [--animation-time MS]\n"
             "\n"
             "Joins the plain FLC files that 'kinetra-cli split' wrote into DIR, in the\n"
             "order its note NAME.kinetra.json gives, into one game FLC with the note's\n"
             "layout facts. The files may have been edited in any FLIC editor, as long\n"
             "as every direction keeps the same number of frames of the same size. The\n"
             "palette is the note's, and every pixel takes the entry its colour names,\n"
             "as 'kinetra-cli build' maps a storyboard; a note without the colours\n"
             "keeps the indices and the first direction's palette.\n"
             "\n"
             "Options:\n"
             "  --out FILE        the FLC file to write, whole or not at all\n"
             KINETRA_CLI_LAYOUT_HELP
             "  -h, --help        show this help\n",
    .options = kJoinOptions,
    .run = runJoin,
};

} // namespace kinetra::cli
