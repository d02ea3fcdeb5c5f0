#include "cli/Command.h"
#include "cli/StoryboardOptions.h"

#include "storyboard/StoryboardFile.h"
#include "io/AtomicFile.h"
#include "io/WriteFailure.h"

#include <filesystem>
#include <ostream>

namespace kinetra::cli {

namespace {

constexpr std::array kBuildOptions = joinOptions(
    std::array{
        OptionSpec{.name = "--out", .takesValue = true},
        OptionSpec{.name = "--border", .takesValue = true},
        OptionSpec{.name = "--palette", .takesValue = true},
    },
    kLayoutOptions);

bool samePath(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

int runBuild(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (const auto problem = oneOperandProblem(args, "SHEET", "--out UNIT.flc"))
        return context.usageError(*problem);
    std::string problem;
    auto overrides = readLayoutOptions(args, problem);
    if (!overrides)
        return context.usageError(problem);
    if (!readBorderOption(args, overrides->border, problem))
        return context.usageError(problem);
    const std::string& sheetPath = args.positional[0];
    const std::string out = args.value("--out");
    if (samePath(sheetPath, out))
        return context.usageError("--out must not be the storyboard itself");

    std::optional<Palette> palette;
    if (args.has("--palette")) {
        palette.emplace();
        if (!readPaletteOption(args.value("--palette"), *palette, context.err))
            return kExitFailure;
    }
    const auto picture = readStoryboardFile(sheetPath, problem);
    if (!picture)
        return context.failure('\'' + sheetPath + "'\n" + problem);
    const auto build = buildFromStoryboard(*picture, *overrides, palette, problem);
    if (!build)
        return context.failure('\'' + sheetPath + "'\n" + problem);
    if (!build->mappedByColour && picture->paletteSize < 256 && !palette)
        context.err << "warning: the picture's palette has " << picture->paletteSize << " colours; entries "
                    << picture->paletteSize << " to 255 are black\n";
    std::error_code written;
    if (!writeFileAtomically(out, build->file, written))
        return context.failure(cannotWriteMessage(out, written));

    const StoryboardLayout& layout = build->layout;
    context.out << out << ": " << layout.directions << " x " << layout.framesPerDirection << " frames of "
                << layout.frameWidth << " x " << layout.frameHeight << ", " << build->file.size() << " bytes\n";
    reportColourMapping(*build, context.out);
    return kExitOk;
}

} // namespace

constexpr Command kBuildCommand{
    .name = "build",
    .summary = "build a new game FLC from a storyboard picture",
    .usage = "Usage: kinetra-cli build SHEET.png|SHEET.pcx --out UNIT.flc [--border INDEX]\n"
             "                           [--directions 8|1] [--frames-per-direction N]\n"
             "                           [--speed MS] [--offset LEFT,TOP] [--original W,H]\n"
             "                           [--palette FILE]\n"
             "\n"
             "Builds a game FLC from a storyboard: a row per direction (SW, S, SE, E,\n"
             "NE, N, NW, W), the frames of a direction left to right. Each direction\n"
             "opens with a key frame and goes on with deltas, the palette travels in\n"
             "the first frame and a ring frame ends the file, as the game expects.\n"
             "\n"
             "The layout comes from the note that 'kinetra-cli storyboard' wrote (the\n"
             "PNG's text chunk or SHEET.kinetra.json); the options override it, and\n"
             "give it for a sheet drawn from scratch. A sheet from a plain FLC builds\n"
             "a plain FLC again unless --directions or --frames-per-direction is given.\n"
             "\n"
             "An 8-bit indexed sheet keeps its indices and its palette. A true-colour\n"
             "sheet (a render) is mapped onto the --palette: transparent pixels and\n"
             "magenta #FF00FF become index 255, colours the palette holds keep their\n"
             "entry (64 to 223 first), others take the nearest of entries 64 to 223;\n"
             "how many did is printed.\n"
             "\n"
             "Options:\n"
             "  --out FILE        the FLC file to write, whole or not at all\n"
             "  --border INDEX    the sheet has a one-pixel grid of this palette index\n"
             KINETRA_CLI_LAYOUT_HELP
             "  --palette FILE    the palette for the new file: .act, RIFF or JASC\n"
             "                    .pal, or an FLC to take it from; an indexed sheet's\n"
             "                    indices are kept\n"
             "  -h, --help        show this help\n",
    .options = kBuildOptions,
    .run = runBuild,
};

} // namespace kinetra::cli
