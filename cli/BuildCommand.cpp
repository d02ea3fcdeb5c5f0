#include "cli/BuildFromFrames.h"
#include "cli/Command.h"
#include "cli/StoryboardOptions.h"

#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardSet.h"
#include "io/AtomicFile.h"
#include "io/WriteFailure.h"

#include <ostream>

namespace kinetra::cli {

namespace {

constexpr std::array kBuildOptions = joinOptions(joinOptions(
    std::array{
        OptionSpec{.name = "--out", .takesValue = true},
        OptionSpec{.name = "--border", .takesValue = true},
        OptionSpec{.name = "--palette", .takesValue = true},
    },
    kLayoutOptions), kFrameSeriesOptions);

// A note ending in ".kinetra.json" names filmstrips or cels; anything else
// is a sheet, its note beside it.
bool isSetNote(const std::string& path)
{
    return path.size() > kStoryboardNoteSuffix.size() && path.ends_with(kStoryboardNoteSuffix);
}

// The sheet and the note found with it, built.
std::optional<StoryboardBuild> buildSheet(const std::string& sheetPath, const StoryboardFacts& overrides,
                                          const std::optional<Palette>& palette, const CommandContext& context,
                                          std::string& problem)
{
    const auto picture = readStoryboardFile(sheetPath, problem);
    if (!picture)
        return std::nullopt;
    if (picture->textNoteOverruled)
        context.out << storyboardNotePath(sheetPath) << ": used instead of the PNG's text chunk, which differs\n";
    auto build = buildFromStoryboard(*picture, overrides, palette, problem);
    if (build && !build->mappedByColour && picture->paletteSize < 256 && !palette)
        context.err << "warning: the picture's palette has " << picture->paletteSize << " colours; entries "
                    << picture->paletteSize << " to 255 are black\n";
    return build;
}

int runBuild(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (args.has("--frames"))
        return runBuildFromFrames(context);
    if (const auto problem = oneOperandProblem(args, "SHEET or NAME.kinetra.json", "--out UNIT.flc"))
        return context.usageError(*problem);
    std::string problem;
    auto overrides = readLayoutOptions(args, problem);
    if (!overrides)
        return context.usageError(problem);
    if (!readBorderOption(args, overrides->border, problem))
        return context.usageError(problem);
    const std::string& sheetPath = args.positional[0];
    const std::string out = args.value("--out");
    if (sameFile(sheetPath, out))
        return context.usageError("--out must not be the storyboard itself");
    if (!isSetNote(sheetPath) && sameFile(storyboardNotePath(sheetPath), out))
        return context.usageError("--out must not be the storyboard's note");
    if (args.has("--palette") && sameFile(args.value("--palette"), out))
        return context.usageError("--out must not be the palette's file");

    std::optional<Palette> palette;
    if (args.has("--palette")) {
        palette.emplace();
        if (!readPaletteOption(args.value("--palette"), *palette, context.err))
            return kExitFailure;
    }
    const auto build = isSetNote(sheetPath) ? buildFromStoryboardSet(sheetPath, *overrides, palette, problem)
                                            : buildSheet(sheetPath, *overrides, palette, context, problem);
    if (!build)
        return context.failure('\'' + sheetPath + "'\n" + problem);
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
    .summary = "build a new game FLC from a storyboard or a series of frames",
    .usage = "Usage: kinetra-cli build SHEET.png|SHEET.pcx|SHEET.bmp|NAME.kinetra.json\n"
             "                         --out UNIT.flc [--border INDEX]\n"
             "                         [--directions 8|1] [--frames-per-direction N]\n"
             "                         [--speed MS] [--offset LEFT,TOP] [--original W,H]\n"
             "                         [--animation-time MS] [--palette FILE]\n"
             "       kinetra-cli build --frames PATTERN --directions 8|1\n"
             "                         --frames-per-direction N --speed MS --out UNIT.flc\n"
             "                         [--direction-order LIST] [--offset auto|LEFT,TOP]\n"
             "                         [--palette auto|FILE] [--team-colour #RRGGBB]\n"
             "                         [--team-tolerance DEGREES] [--civ-palette FILE]\n"
             "                         [--dither]\n"
             "\n"
             "Builds a game FLC from a storyboard: a row per direction (SW, S, SE, E,\n"
             "NE, N, NW, W), the frames of a direction left to right. Each direction\n"
             "opens with a key frame and goes on with deltas, the palette travels in\n"
             "the first frame and a ring frame ends the file, as the game expects.\n"
             "\n"
             "The layout comes from the note that 'kinetra-cli storyboard' wrote:\n"
             "SHEET.kinetra.json, else the PNG's text chunk (where the two differ, the\n"
             "sidecar is used, and that is said). Filmstrips and cels are built from\n"
             "their note, NAME.kinetra.json, which names them: every named picture\n"
             "must be in the note's folder, as many as the layout takes, each of the\n"
             "size it gives, or nothing is built. The options override it, and give\n"
             "it for a sheet drawn from scratch. A sheet from a plain FLC builds a\n"
             "plain FLC again unless --directions or --frames-per-direction is given.\n"
             "A note with a fact of the wrong type or out of range is refused, naming\n"
             "the fact.\n"
             "\n"
             "Every pixel takes the palette entry its colour names: the note keeps\n"
             "the file's own colours and the sheet holds them each made distinct, so\n"
             "a sheet a program saved again, its palette reordered, compacted or\n"
             "dropped for true colour, builds the same unit. A colour within 6 in\n"
             "each channel of an entry takes that entry, whatever its class; magenta\n"
             "#FF00FF as near and alpha below 128 become index 255; any other colour\n"
             "takes the nearest of entries 64 to 223. How many pixels of each class\n"
             "took a colour not their own is printed. A sheet turned to greys is\n"
             "refused, unless every grey in it is a colour of the sheet's palette.\n"
             "\n"
             "With --frames, the unit is built from one picture per frame (PNG, PCX\n"
             "or BMP; 8-bit or true colour, with or without alpha), all of one size:\n"
             "the frames of the first direction, then the next. Indexed pictures of\n"
             "one whole 256-colour palette keep their indices and colours. Other\n"
             "pictures get a palette of their own (--palette auto) or are mapped onto\n"
             "--palette\n"
             "FILE, by classes: alpha below 128 is transparent (255); a dark pixel\n"
             "(luma at most 64) with alpha from 1 to 254 is a shadow of level\n"
             "alpha x 15 / 255, index 255 - level; a pixel of the team colour's hue\n"
             "takes the entry of 0-63 of its brightness, which every civilization\n"
             "tints; every other pixel one of the ordinary entries 64-223. What was\n"
             "built is reported: the frames, where the palette came from, the pixels\n"
             "of each class and the largest colour error of an ordinary pixel.\n"
             "\n"
             "A note without the colours (an older sheet, or none): an indexed sheet\n"
             "keeps its indices and its palette, and a true-colour sheet (a render)\n"
             "is mapped onto the --palette by the same rules.\n"
             "\n"
             "Options:\n"
             "  --out FILE        the FLC file to write, whole or not at all\n"
             "  --border INDEX    the sheet has a one-pixel grid of this palette index\n"
             KINETRA_CLI_LAYOUT_HELP
             "  --palette FILE    the palette for the new file: .act, RIFF or JASC\n"
             "                    .pal, or an FLC to take it from; the pixels keep\n"
             "                    the entries the note's colours name, or without\n"
             "                    them an indexed sheet's indices\n"
             KINETRA_CLI_FRAME_SERIES_HELP
             "  -h, --help        show this help\n",
    .options = kBuildOptions,
    .run = runBuild,
};

} // namespace kinetra::cli
