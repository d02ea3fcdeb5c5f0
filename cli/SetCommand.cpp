#include "cli/CliAnimation.h"
#include "cli/Command.h"
#include "cli/StoryboardOptions.h"

#include "flc/HeaderEdits.h"
#include "io/AtomicFile.h"
#include "io/WriteFailure.h"

#include <array>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

namespace kinetra::cli {

namespace {

// --speed, --offset and --original are read as 'build' and 'join' read
// them (readLayoutOptions), in the ranges the header's fields hold.
constexpr std::array kSetOptions{
    OptionSpec{.name = "--speed", .takesValue = true},
    OptionSpec{.name = "--offset", .takesValue = true},
    OptionSpec{.name = "--original", .takesValue = true},
    OptionSpec{.name = "--out", .takesValue = true},
    OptionSpec{.name = "--in-place"},
};

HeaderEdits editsOf(const StoryboardFacts& facts)
{
    const auto field = [](const std::optional<int>& value) {
        return value ? std::optional(std::uint16_t(*value)) : std::nullopt;
    };
    return HeaderEdits{.speed = facts.speed,
                       .leftOffset = field(facts.leftOffset),
                       .topOffset = field(facts.topOffset),
                       .originalWidth = field(facts.originalWidth),
                       .originalHeight = field(facts.originalHeight)};
}

int runSet(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (args.positional.empty())
        return context.usageError("missing FILE");
    if (args.positional.size() > 1)
        return context.usageError("unexpected argument '" + args.positional[1] + "'");
    const bool inPlace = args.has("--in-place");
    if (inPlace && args.has("--out"))
        return context.usageError("--out and --in-place exclude each other");
    if (!inPlace && !args.has("--out"))
        return context.usageError("missing --out NEW.flc or --in-place");
    std::string problem;
    const auto facts = readLayoutOptions(args, problem);
    if (!facts)
        return context.usageError(problem);
    const HeaderEdits edits = editsOf(*facts);
    if (edits.empty())
        return context.usageError("nothing to change: give --speed, --offset or --original");
    const std::string& file = args.positional[0];
    const std::string out = inPlace ? file : args.value("--out");
    if (!inPlace && sameFile(file, out))
        return context.usageError("--out names FILE itself; --in-place changes a file where it is");

    CliAnimation unit;
    if (!unit.open(file, context.err))
        return kExitFailure;
    if (const auto refused = unit.animation().EditHeader(edits))
        return context.usageError('\'' + file + "': " + *refused);
    std::vector<std::uint8_t> bytes;
    if (unit.animation().HeaderEditedBytes(bytes) != kOk)
        return context.failure('\'' + file + "'\nCannot save the file.");
    std::error_code error;
    if (!writeFileAtomically(out, bytes, error))
        return context.failure(cannotWriteMessage(out, error));
    context.out << out << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kSetCommand{
    .name = "set",
    .summary = "change a unit's speed, offsets or original size in its header",
    .usage = "Usage: kinetra-cli set FILE [--speed MS] [--offset LEFT,TOP] [--original W,H]\n"
             "                           (--out NEW.flc | --in-place)\n"
             "\n"
             "Writes FILE with the header fields given changed, to NEW.flc or over FILE\n"
             "itself; every other byte, every frame and palette entry, stays as it was.\n"
             "The file is written whole or not at all, and its path is printed.\n"
             "\n"
             "Options:\n"
             "  --speed MS        delay between frames in milliseconds (0 to 4294967295)\n"
             "  --offset LEFT,TOP where the frame's top-left corner lies on the game's\n"
             "                    picture (0 to 65535 each)\n"
             "  --original W,H    the full picture's size (0 to 65535 each)\n"
             "  --out NEW.flc     the file to write; not FILE itself\n"
             "  --in-place        write over FILE instead\n"
             "  -h, --help        show this help\n"
             "\n"
             "A plain FLC (no game header fields) and an FLI file take only --speed;\n"
             "an FLI file counts its speed in 1/70 s and takes only the speeds that\n"
             "count reads back as. What FILE cannot hold, a value out of range, no\n"
             "change asked for, and --out with --in-place are refused with status 2,\n"
             "and nothing is written.\n",
    .options = kSetOptions,
    .run = runSet,
};

} // namespace kinetra::cli
