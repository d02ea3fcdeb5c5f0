#include "cli/CliAnimation.h"
#include "cli/Command.h"

#include "storyboard/DirectionFiles.h"
#include "storyboard/StoryboardBuild.h"
#include "io/FileBatch.h"
#include "io/WriteFailure.h"

#include <array>
#include <filesystem>
#include <optional>
#include <ostream>

namespace kinetra::cli {

namespace {

constexpr std::array kSplitOptions{OptionSpec{.name = "--out-dir", .takesValue = true}};

int runSplit(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (const auto problem = oneOperandProblem(args, "FILE", "--out-dir DIR"))
        return context.usageError(*problem);
    const std::string& file = args.positional[0];
    const std::filesystem::path folder = args.value("--out-dir");

    CliAnimation animation;
    if (!animation.open(file, context.err))
        return kExitFailure;
    std::string problem;
    const auto split = splitDirections(animation.animation(), animation.fileHeader(), problem);
    if (!split)
        return context.failure('\'' + file + "'\n" + problem);

    const std::string stem = std::filesystem::path(file).stem().string();
    StoryboardNote note;
    note.facts = split->layout.facts();
    note.palette = split->palette;
    for (std::size_t d = 0; d < split->directionFiles.size(); ++d)
        note.directionFiles.push_back(directionFileName(stem, int(d), split->layout.directions, ".flc"));
    // A note is JSON text, which holds UTF-8 names only; one that cannot
    // name the files as they are could never join them.
    const std::string text = writeStoryboardNote(note);
    std::string unreadable;
    if (const auto named = readStoryboardNote(text, unreadable); !named || named->directionFiles != note.directionFiles)
        return context.failure('\'' + file + "'\nThe file's name is not UTF-8 text, which the split's note cannot hold.");

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error))
        return context.failure('\'' + folder.string() + "'\nCannot create the folder.");
    const std::filesystem::path notePath = folder / (stem + std::string(kStoryboardNoteSuffix));
    std::vector<std::filesystem::path> paths{notePath};
    for (const std::string& name : note.directionFiles)
        paths.push_back(folder / name);
    for (const std::filesystem::path& path : paths) {
        if (std::filesystem::exists(path, error))
            return context.failure('\'' + path.string() + "'\nThe folder already holds a split of this name.");
    }

    // The note goes in place last, so that one is there only beside its
    // files; all are synced at once before any is.
    FileBatch batch;
    for (std::size_t d = 0; d < split->directionFiles.size(); ++d) {
        if (!batch.add(paths[d + 1].string(), split->directionFiles[d], error))
            return context.failure(cannotWriteMessage(paths[d + 1].string(), error));
    }
    const auto noteBytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (!batch.add(notePath.string(), noteBytes, error))
        return context.failure(cannotWriteMessage(notePath.string(), error));
    WriteFailure failure;
    if (!batch.commit(failure))
        return context.failure(cannotWriteMessage(failure));
    for (std::size_t p = 1; p < paths.size(); ++p)
        context.out << paths[p].string() << '\n';
    context.out << notePath.string() << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kSplitCommand{
    .name = "split",
    .summary = "write a game FLC as one plain FLC per direction",
    .usage = "Usage: kinetra-cli split FILE --out-dir DIR\n"
             "\n"
             "Writes each direction of the game animation FILE as a plain FLC that any\n"
             "FLIC editor opens, frames in the direction's order: DIR/NAME_1_SW.flc to\n"
             "DIR/NAME_8_W.flc for the game's eight directions (NAME_1.flc ... for\n"
             "other counts), and the layout facts and the file's true colours in\n"
             "DIR/NAME.kinetra.json, by which 'kinetra-cli join' puts them back\n"
             "together. Each direction's palette has every entry a colour of its own,\n"
             "as a storyboard's has. DIR is made when missing; a split of the same\n"
             "name already in it is not overwritten.\n"
             "\n"
             "Options:\n"
             "  --out-dir DIR     the folder to write into\n"
             "  -h, --help        show this help\n",
    .options = kSplitOptions,
    .run = runSplit,
};

} // namespace kinetra::cli
