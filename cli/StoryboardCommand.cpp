#include "cli/CliAnimation.h"
#include "cli/Command.h"
#include "cli/StoryboardOptions.h"

#include "storyboard/StoryboardFile.h"

#include <array>
#include <ostream>

namespace kinetra::cli {

namespace {

constexpr std::array kStoryboardOptions{
    OptionSpec{.name = "--out", .takesValue = true},
    OptionSpec{.name = "--border", .takesValue = true},
};

int runStoryboard(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (const auto problem = oneOperandProblem(args, "FILE", "--out SHEET.png or SHEET.pcx"))
        return context.usageError(*problem);
    const std::string& out = args.value("--out");
    if (!storyboardFormatOf(out))
        return context.usageError("--out names a .png or .pcx picture, not '" + args.value("--out") + "'");
    std::string problem;
    std::optional<int> border;
    if (!readBorderOption(args, border, problem))
        return context.usageError(problem);

    CliAnimation animation;
    if (!animation.open(args.positional[0], context.err))
        return kExitFailure;
    const auto storyboard = makeStoryboard(animation.animation(), animation.fileHeader(), border, problem);
    if (!storyboard)
        return context.failure('\'' + args.positional[0] + "'\n" + problem);
    std::optional<WriteFailure> refused;
    if (!writeStoryboardFile(out, *storyboard, problem, refused))
        return context.failure(problem);

    const StoryboardLayout& layout = storyboard->layout;
    context.out << args.value("--out") << ": " << layout.directions << " x " << layout.framesPerDirection
                << " frames of " << layout.frameWidth << " x " << layout.frameHeight << ", note in "
                << storyboardNotePath(args.value("--out")) << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kStoryboardCommand{
    .name = "storyboard",
    .summary = "write every frame into one 8-bit storyboard picture to draw on",
    .usage = "Usage: kinetra-cli storyboard FILE --out SHEET.png|SHEET.pcx [--border INDEX]\n"
             "\n"
             "Writes the frames of FILE as ONE 8-bit indexed picture with the file's\n"
             "palette: a row per direction in the file's order (SW, S, SE, E, NE, N,\n"
             "NW, W), the frames of a direction left to right, each cell the frame's\n"
             "size. A plain FLC gives one row. Every palette index is kept as it is,\n"
             "civilization, light, shadow and transparent entries included, so the\n"
             "picture builds back into the same animation ('kinetra-cli build').\n"
             "\n"
             "Each palette entry of the picture is a colour of its own: an entry that\n"
             "shares its colour with an earlier one, or lies within 3 of it in every\n"
             "channel, is nudged apart by steps of 4. Paint programs and converters\n"
             "keep a pixel's colour but not always its index, and 'build' finds every\n"
             "entry again by its colour.\n"
             "\n"
             "What the picture cannot hold (directions, frames per direction, speed,\n"
             "offsets, original size, animation time, border, the file's true 256\n"
             "colours) goes into the note SHEET.kinetra.json beside it, and into a\n"
             "PNG text chunk as well.\n"
             "\n"
             "Options:\n"
             "  --out SHEET       the picture to write, .png or .pcx\n"
             "  --border INDEX    a one-pixel grid of this palette index between the\n"
             "                    cells and around the sheet\n"
             "  -h, --help        show this help\n",
    .options = kStoryboardOptions,
    .run = runStoryboard,
};

} // namespace kinetra::cli
