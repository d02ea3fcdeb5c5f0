#include "cli/BuildFromFrames.h"

#include "cli/PlayerOptions.h"
#include "cli/StoryboardOptions.h"
#include "io/AtomicFile.h"
#include "io/WriteFailure.h"
#include "storyboard/ColourText.h"
#include "storyboard/FrameSeries.h"
#include "storyboard/FrameSeriesBuild.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace kinetra::cli {

namespace {

// The options' say on the palette and the renders' classes; false with the
// message given.
bool readRenderOptions(const CommandContext& context, FrameSeriesRequest& request, int& status)
{
    const ParsedArguments& args = context.args;
    if (args.has("--palette")) {
        if (args.value("--palette") == "auto") {
            request.palette = SeriesPalette::Generated;
        } else {
            request.palette = SeriesPalette::Given;
            request.givenPalette.emplace();
            if (!readPaletteOption(args.value("--palette"), *request.givenPalette, context.err)) {
                status = kExitFailure;
                return false;
            }
        }
    }
    if (args.has("--team-colour")) {
        request.render.teamColour = parseColourText(args.value("--team-colour"));
        if (!request.render.teamColour) {
            status = context.usageError("--team-colour takes a colour as #RRGGBB, not '" + args.value("--team-colour")
                                        + "'");
            return false;
        }
    }
    if (args.has("--team-tolerance")) {
        const auto degrees = parseInt(args.value("--team-tolerance"), 0, 180);
        if (!degrees) {
            status = context.usageError("--team-tolerance takes 0 to 180 degrees, not '"
                                        + args.value("--team-tolerance") + "'");
            return false;
        }
        request.render.teamToleranceDegrees = *degrees;
    }
    if (args.has("--civ-palette")) {
        request.render.civilizationColours.emplace();
        if (!readPaletteOption(args.value("--civ-palette"), *request.render.civilizationColours, context.err)) {
            status = kExitFailure;
            return false;
        }
    }
    request.render.dither = args.has("--dither");
    return true;
}

const char* originText(SeriesPalette origin)
{
    switch (origin) {
    case SeriesPalette::Pictures:
        return "the pictures' own";
    case SeriesPalette::Generated:
        return "made from the frames";
    case SeriesPalette::Given:
        break;
    }
    return "given";
}

void report(const std::string& out, const FrameSeriesBuild& build, const std::string& paletteFile, std::ostream& stream)
{
    const StoryboardLayout& layout = build.layout;
    stream << out << ": " << layout.directions << " x " << layout.framesPerDirection << " frames of "
           << layout.frameWidth << " x " << layout.frameHeight << " at " << layout.leftOffset << ','
           << layout.topOffset << ", " << build.file.size() << " bytes\n";
    stream << "palette: " << originText(build.paletteOrigin);
    if (build.paletteOrigin == SeriesPalette::Given)
        stream << " (" << paletteFile << ')';
    stream << '\n';
    const auto& pixels = build.pixelsPerClass;
    stream << "pixels: " << pixels[std::size_t(IndexClass::Civilization)] << " civilization, "
           << pixels[std::size_t(IndexClass::Ordinary)] << " ordinary, " << pixels[std::size_t(IndexClass::Light)]
           << " light, " << pixels[std::size_t(IndexClass::Shadow)] << " shadow, "
           << pixels[std::size_t(IndexClass::Transparent)] << " transparent\n";
    stream << "largest colour error of an ordinary pixel: " << std::lround(build.largestOrdinaryError) << '\n';
}

} // namespace

int runBuildFromFrames(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (!args.has("--out"))
        return context.usageError("--out UNIT.flc is required");
    const std::string out = args.value("--out");
    std::string problem;
    FrameSeriesRequest request;
    // "--offset auto" is the series' own default, and not a pair.
    ParsedArguments layoutArgs = args;
    if (args.has("--offset") && args.value("--offset") == "auto")
        layoutArgs.options.erase("--offset");
    auto facts = readLayoutOptions(layoutArgs, problem);
    if (!facts)
        return context.usageError(problem);
    if (args.has("--border"))
        return context.usageError("--border is for a storyboard; the pictures of a series have no grid");
    request.facts = *facts;
    if (args.has("--direction-order")) {
        const auto order = parseDirectionOrder(args.value("--direction-order"), problem);
        if (!order)
            return context.usageError(problem);
        request.directionOrder = *order;
    }
    int status = kExitOk;
    if (!readRenderOptions(context, request, status))
        return status;

    auto pictures = expandFramePattern(args.value("--frames"), problem);
    if (!pictures)
        return context.failure(problem);
    // An unquoted pattern reaches us expanded by the shell: its first file
    // is --frames' value, the rest are operands.
    for (const std::string& operand : args.positional) {
        auto more = expandFramePattern(operand, problem);
        if (!more)
            return context.failure(problem);
        pictures->insert(pictures->end(), more->begin(), more->end());
    }
    if (!args.positional.empty())
        std::stable_sort(pictures->begin(), pictures->end(),
                         [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    for (const std::string& picture : *pictures) {
        if (sameFile(picture, out))
            return context.usageError("--out must not be one of the pictures");
    }
    request.pictures = std::move(*pictures);

    const auto build = buildFromFrames(request, problem);
    if (!build)
        return context.failure(problem);
    std::error_code written;
    if (!writeFileAtomically(out, build->file, written))
        return context.failure(cannotWriteMessage(out, written));
    report(out, *build, args.value("--palette"), context.out);
    return kExitOk;
}

} // namespace kinetra::cli
