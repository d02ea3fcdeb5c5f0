#include "cli/Command.h"
#include "cli/PlayerOptions.h"

#include "io/WriteFailure.h"
#include "palette/PaletteFiles.h"

#include <array>
#include <optional>
#include <ostream>
#include <string>

namespace kinetra::cli {

namespace {

constexpr std::array kPaletteOptions = joinOptions(
    std::array{
        OptionSpec{.name = "--format", .takesValue = true},
        OptionSpec{.name = "--out", .takesValue = true},
    },
    kPaletteSourceOptions);

std::optional<PaletteFormat> parseFormat(const std::string& text)
{
    if (text == "act")
        return PaletteFormat::Act;
    if (text == "riff")
        return PaletteFormat::Riff;
    if (text == "jasc")
        return PaletteFormat::Jasc;
    return std::nullopt;
}

// The options share one list, so an option of the other action gets past
// the parser and is refused here.
[[nodiscard]] OptionProblem foreignOption(const ParsedArguments& args, std::span<const OptionSpec> foreign,
                                         std::string_view action)
{
    for (const OptionSpec& option : foreign) {
        if (args.has(option.name))
            return std::string(option.name) + " is for 'palette " + std::string(action) + "' only";
    }
    return std::nullopt;
}

// The positional arguments after the action: exactly FILE and one more.
[[nodiscard]] OptionProblem checkOperands(const ParsedArguments& args, std::string_view second)
{
    if (args.positional.size() < 2)
        return "missing FILE";
    if (args.positional.size() < 3)
        return "missing " + std::string(second);
    if (args.positional.size() > 3)
        return "unexpected argument '" + args.positional[3] + "'";
    return std::nullopt;
}

int runExport(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (auto problem = checkOperands(args, "OUT"))
        return context.usageError(*problem);
    constexpr std::array kImportOnly{OptionSpec{.name = "--out", .takesValue = true}};
    if (auto problem = foreignOption(args, kImportOnly, "import"))
        return context.usageError(*problem);
    PaletteFormat format = PaletteFormat::Act;
    if (args.has("--format")) {
        const auto chosen = parseFormat(args.value("--format"));
        if (!chosen)
            return context.usageError("--format takes act, riff or jasc, not '" + args.value("--format") + "'");
        format = *chosen;
    }
    PaletteSourceRequest palette;
    if (auto problem = readPaletteSource(args, palette))
        return context.usageError(*problem);
    const std::string& file = args.positional[1];
    const std::string& out = args.positional[2];

    MemorySettingsStore settings;
    HeadlessPlayer player(settings, context.err);
    usePaletteFolders(player, palette);
    if (!player.Initialize())
        return context.failure("Cannot create the player.");
    if (!player.open(file))
        return kExitFailure;
    // As in the window, a plain FLC has no colouring to apply.
    if (palette.civ >= 0 && !player.IsPlainFlc() && !applyCivColor(player, palette))
        return context.failure("Cannot get civilization specified palette.");

    // The format's extension replaces the one given: the file named in
    // either message is the one written.
    const std::string written = palettePathForFormat(out, format);
    if (player.ExportPalette(out, static_cast<int>(format)) != PaletteFileResult::Done) {
        return context.failure(player.writeError ? cannotWriteMessage(written, player.writeError)
                                                 : '\'' + out + "'\nCannot export palette to the file.");
    }
    context.out << written << '\n';
    return kExitOk;
}

int runImport(const CommandContext& context)
{
    const ParsedArguments& args = context.args;
    if (auto problem = checkOperands(args, "PALETTE"))
        return context.usageError(*problem);
    if (auto problem = foreignOption(args, kPaletteSourceOptions, "export"))
        return context.usageError(*problem);
    constexpr std::array kExportOnly{OptionSpec{.name = "--format", .takesValue = true}};
    if (auto problem = foreignOption(args, kExportOnly, "export"))
        return context.usageError(*problem);
    if (!args.has("--out"))
        return context.usageError("missing --out NEW.flc");
    const std::string& file = args.positional[1];
    const std::string& paletteFile = args.positional[2];
    const std::string out = args.value("--out");

    MemorySettingsStore settings;
    HeadlessPlayer player(settings, context.err);
    if (!player.Initialize())
        return context.failure("Cannot create the player.");
    if (!player.open(file))
        return kExitFailure;
    if (player.ImportPalette(paletteFile) != PaletteFileResult::Done)
        return context.failure('\'' + paletteFile + "'\nCould not import the color table because it's not a valid file.");
    if (player.Save(out) != kOk)
        return context.failure(player.saveFailure(out));
    context.out << out << '\n';
    return kExitOk;
}

int runPalette(const CommandContext& context)
{
    const auto& positional = context.args.positional;
    if (positional.empty())
        return context.usageError("missing the action, export or import");
    if (positional[0] == "export")
        return runExport(context);
    if (positional[0] == "import")
        return runImport(context);
    return context.usageError("unknown action '" + positional[0] + "', not export or import");
}

} // namespace

constexpr Command kPaletteCommand{
    .name = "palette",
    .summary = "export the palette to, or import it from, a palette file",
    .usage = "Usage: kinetra-cli palette export FILE OUT [--format act|riff|jasc]\n"
             "                           [--civ N] [--pal-type 0|1|2] [--pal-dir DIR] [--game-dir DIR]\n"
             "       kinetra-cli palette import FILE PALETTE --out NEW.flc\n"
             "\n"
             "export writes the palette of FILE, as the player shows it, to a palette\n"
             "file: Adobe Color Table (.act, 768 bytes), RIFF (.pal, 1048 bytes) or\n"
             "JASC text (.pal). The extension of OUT is replaced by the format's (or\n"
             "added when OUT has none); the path written is printed. The .act and RIFF\n"
             "files hold entry 255 first, as the program always wrote them. With --civ\n"
             "the civilization colouring is part of the palette; a plain FLC ignores\n"
             "--civ as the player's window does.\n"
             "\n"
             "import reads PALETTE (.act, or a RIFF or JASC .pal) into FILE's palette\n"
             "and writes the result to NEW.flc, which may be FILE itself; only the\n"
             "colour bytes of the palette chunks differ from FILE. The path written is\n"
             "printed.\n"
             "\n"
             "Options:\n"
             "  --format F        export: act (default), riff or jasc\n"
             KINETRA_CLI_PALETTE_SOURCE_HELP
             "  --out NEW.flc     import: the FLC file to write (required)\n"
             "  -h, --help        show this help\n"
             "\n"
             "Failures end with status 1 and the program's message: 'Cannot write the\n"
             "file 'PATH': REASON.' with the system's reason for a file that cannot be\n"
             "written, 'Could not import the color table because it's not a valid\n"
             "file.', 'Cannot save the file.' for a FILE changed since it was read, or\n"
             "'Cannot get civilization specified palette.'.\n",
    .options = kPaletteOptions,
    .run = runPalette,
};

} // namespace kinetra::cli
