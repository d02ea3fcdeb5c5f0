#include "cli/CliAnimation.h"
#include "cli/Command.h"
#include "cli/StoryboardOptions.h"

#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardSet.h"

#include <array>
#include <ostream>

namespace kinetra::cli {

namespace {

constexpr std::array kStoryboardOptions{
    OptionSpec{.name = "--out", .takesValue = true},
    OptionSpec{.name = "--border", .takesValue = true},
    OptionSpec{.name = "--layout", .takesValue = true},
};

int runStoryboard(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (const auto problem = oneOperandProblem(args, "FILE", "--out SHEET.png, SHEET.pcx or SHEET.bmp"))
        return context.usageError(*problem);
    const std::string& out = args.value("--out");
    if (!pictureFormatOf(out))
        return context.usageError("--out names a .png, .pcx or .bmp picture, not '" + args.value("--out") + "'");
    const auto kind = args.has("--layout") ? storyboardLayoutKindOf(args.value("--layout")) : StoryboardLayoutKind::Sheet;
    if (!kind)
        return context.usageError("--layout takes sheet, filmstrips or cels, not '" + args.value("--layout") + "'");
    std::string problem;
    std::optional<int> border;
    if (!readBorderOption(args, border, problem))
        return context.usageError(problem);

    CliAnimation animation;
    if (!animation.open(args.positional[0], context.err))
        return kExitFailure;
    // Drawn from the frame block as it is written, never held whole.
    const auto storyboard = storyboardFramesOf(animation.animation(), animation.fileHeader(), border, problem);
    if (!storyboard)
        return context.failure('\'' + args.positional[0] + "'\n" + problem);
    std::optional<WriteFailure> refused;
    if (!writeStoryboardSet(out, *storyboard, *kind, problem, refused))
        return context.failure(problem);

    const StoryboardLayout& layout = storyboard->layout;
    context.out << out << ": " << layout.directions << " x " << layout.framesPerDirection << " frames of "
                << layout.frameWidth << " x " << layout.frameHeight;
    if (*kind != StoryboardLayoutKind::Sheet)
        context.out << " in " << storyboardPictureNames(out, *kind, layout).size() << ' '
                    << storyboardLayoutName(*kind);
    context.out << ", note in " << storyboardNotePath(out) << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kStoryboardCommand{
    .name = "storyboard",
    .summary = "write every frame into 8-bit storyboard pictures to draw on",
    .usage = "Usage: kinetra-cli storyboard FILE --out OUT.png|OUT.pcx|OUT.bmp\n"
             "                              [--layout sheet|filmstrips|cels] [--border INDEX]\n"
             "\n"
             "Writes the frames of FILE as 8-bit indexed pictures with the file's\n"
             "palette. A sheet (the default) is ONE picture: a row per direction in\n"
             "the file's order (SW, S, SE, E, NE, N, NW, W), the frames of a direction\n"
             "left to right, each cell the frame's size; a plain FLC gives one row,\n"
             "wrapped into rows at most 4096 pixels wide when it is wider (the note\n"
             "says how many frames a row holds).\n"
             "Filmstrips are one such row per direction, OUT_1_SW.png ... OUT_8_W.png\n"
             "(OUT_1.png ... for other than eight directions); cels are one picture\n"
             "per frame, OUT_SW_0000.png ... numbered within each direction\n"
             "(OUT_0000.png ... for a plain FLC). OUT's folder holds them and its\n"
             "extension gives the format. Every palette index is kept as it is,\n"
             "civilization, light, shadow and transparent entries included, so the\n"
             "pictures build back into the same animation ('kinetra-cli build').\n"
             "\n"
             "Each palette entry of the picture is a colour of its own: an entry that\n"
             "shares its colour with an earlier one, or lies within 3 of it in every\n"
             "channel, is nudged apart by steps of 4. Paint programs and converters\n"
             "keep a pixel's colour but not always its index, and 'build' finds every\n"
             "entry again by its colour.\n"
             "\n"
             "What the picture cannot hold (directions, frames per direction, speed,\n"
             "offsets, original size, animation time, border, the file's true 256\n"
             "colours) goes into the note OUT.kinetra.json beside it, and into a\n"
             "sheet's PNG text chunk as well; for filmstrips and cels the note also\n"
             "names the pictures in order. All pictures and the note are written\n"
             "beside their places first and put in place only when all are ready.\n"
             "\n"
             "Options:\n"
             "  --out OUT         the picture or set to write, .png, .pcx or .bmp\n"
             "  --layout LAYOUT   sheet (default), filmstrips or cels\n"
             "  --border INDEX    a one-pixel grid of this palette index between the\n"
             "                    cells and around each picture\n"
             "  -h, --help        show this help\n",
    .options = kStoryboardOptions,
    .run = runStoryboard,
};

} // namespace kinetra::cli
