#include "cli/Command.h"
#include "cli/StoryboardOptions.h"

#include "storyboard/Formation.h"
#include "storyboard/StoryboardFile.h"
#include "io/AtomicFile.h"
#include "io/WriteFailure.h"

#include <ostream>

namespace kinetra::cli {

namespace {

constexpr std::array kCombineOptions{
    OptionSpec{.name = "--out", .takesValue = true},
    OptionSpec{.name = "--frames-per-direction", .takesValue = true},
    OptionSpec{.name = "--speed", .takesValue = true},
};

// The unit as a storyboard sheet and its note, to touch up and build again.
bool writeSheet(const std::string& out, const StoryboardBuild& unit, std::string& problem)
{
    CFlcAnimation animation;
    if (animation.LoadFromMemory(unit.file, true) != kOk) {
        problem = "Cannot read the combined unit back.";
        return false;
    }
    const auto storyboard = makeStoryboard(animation, animation.header, std::nullopt, problem);
    std::optional<WriteFailure> refused;
    return storyboard && writeStoryboardFile(out, *storyboard, problem, refused);
}

int runCombine(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (const auto problem = oneOperandProblem(args, "NAME.formation.json", "--out UNIT.flc or SHEET.png"))
        return context.usageError(*problem);
    std::string problem;
    // Only --frames-per-direction and --speed can be among them.
    const auto facts = readLayoutOptions(args, problem);
    if (!facts)
        return context.usageError(problem);
    const std::string& formationPath = args.positional[0];
    const std::string out = args.value("--out");
    const bool sheet = storyboardFormatOf(out).has_value();

    const FormationBuild build = combineFormation(formationPath, {facts->framesPerDirection, facts->speed}, problem);
    for (const std::string& file : build.files) {
        if (sameFile(file, out) || (sheet && sameFile(file, storyboardNotePath(out))))
            return context.usageError("--out must not be the formation or one of its figures' files");
    }
    if (!build.unit)
        return context.failure('\'' + formationPath + "'\n" + problem);
    const StoryboardBuild& unit = *build.unit;
    std::error_code written;
    if (sheet ? !writeSheet(out, unit, problem) : !writeFileAtomically(out, unit.file, written))
        return context.failure(sheet ? problem : cannotWriteMessage(out, written));

    const StoryboardLayout& layout = unit.layout;
    context.out << out << ": " << build.figures << (build.figures == 1 ? " figure, " : " figures, ")
                << layout.directions << " x " << layout.framesPerDirection << " frames of " << layout.frameWidth
                << " x " << layout.frameHeight;
    if (sheet)
        context.out << ", note in " << storyboardNotePath(out);
    else
        context.out << ", " << unit.file.size() << " bytes";
    context.out << "; " << build.cutPixels << " pixels cut outside the 240 x 240 picture\n";
    reportColourMapping(unit, context.out);
    return kExitOk;
}

} // namespace

constexpr Command kCombineCommand{
    .name = "combine",
    .summary = "combine the single-figure units of a formation into one unit",
    .usage = "Usage: kinetra-cli combine NAME.formation.json --out UNIT.flc|SHEET.png\n"
             "                            [--frames-per-direction N] [--speed MS]\n"
             "\n"
             "Combines the figures a formation file places on the ground into one\n"
             "game unit, or into a storyboard sheet (.png, .pcx or .bmp, with its\n"
             "note) to touch up and build with 'kinetra-cli build'. The formation is\n"
             "JSON:\n"
             "\n"
             "  {\"format\": \"kinetra-formation\", \"version\": 1, \"figures\": [\n"
             "    {\"source\": \"spearman.flc\", \"forward\": 0, \"right\": -24, \"frameOffset\": 0},\n"
             "    {\"source\": \"archer.flc\", \"forward\": 14, \"right\": 20, \"frameOffset\": 7}]}\n"
             "\n"
             "A source is a game FLC or a storyboard (a sheet, or the note of\n"
             "filmstrips or cels), relative to the formation's folder; all have 8\n"
             "directions, or all 1. forward and right place the figure in pixels on\n"
             "the ground from the unit's centre, seen from the unit's facing (-240\n"
             "to 240); at the unit's frame i a figure shows its frame (i +\n"
             "frameOffset) mod its frames per direction. At most 64 figures.\n"
             "\n"
             "Facing the angle t from screen east (E 0, SE 45, S 90, ... NE 315\n"
             "degrees, screen y down; a unit of one direction faces S), a figure\n"
             "stands forward (cos t, sin t) + right (-sin t, cos t) on the ground\n"
             "and half as far down on screen, rounded. Each frame draws the shadows\n"
             "(240-254) of all figures first, the darker where two meet, then the\n"
             "figures from the furthest (smaller screen y; ties in the file's order)\n"
             "to the nearest, and is cut to what shows in any frame. Pixels outside\n"
             "the 240 x 240 picture are cut and counted. The palette is the first\n"
             "figure's; another figure's colours take its entries of the same class,\n"
             "their own where it has them, and light, shadow and transparent indices\n"
             "stay as they are.\n"
             "\n"
             "Options:\n"
             "  --out FILE        the unit (.flc) or the sheet (.png, .pcx, .bmp) to\n"
             "                    write, whole or not at all\n"
             "  --frames-per-direction N\n"
             "                    the unit's frames per direction (default: the first\n"
             "                    figure's)\n"
             "  --speed MS        delay between frames in milliseconds (default: the\n"
             "                    first figure's)\n"
             "  -h, --help        show this help\n",
    .options = kCombineOptions,
    .run = runCombine,
};

} // namespace kinetra::cli
