#include "cli/Command.h"
#include "cli/ExportBatch.h"

#include "formats/PngFile.h"

#include <array>
#include <optional>
#include <string>

namespace kinetra::cli {

namespace {

constexpr std::array kSheetOptions =
    joinOptions(std::array{OptionSpec{.name = "--crop", .takesValue = false}}, kExportOptions);

// The sheet is written a row at a time as it is made, never held whole: its
// rows are made twice, once for the colours that choose how it is stored.
bool encodeSheet(ExportFrameSource& frames, bool crop, const ByteSink& sink, std::string& problem)
{
    const std::optional<ExportRect> cell = SheetCell(frames, crop);
    const ArgbRows rows = cell ? SpriteSheetRows(frames, *cell) : ArgbRows{};
    if (rows.width < 1 || rows.height < 1) {
        problem = "Cannot create the sprite sheet.";
        return false;
    }
    bool made = true;
    const ArgbRows checked{rows.width, rows.height, [&rows, &made](int y, std::uint32_t* row) {
                               made = rows.fill(y, row);
                               return made;
                           }};
    std::string error;
    if (encodeSmallestPng(checked, PngChannels::Rgba, sink, error))
        return true;
    problem = made ? "Cannot encode the PNG: " + error + "." : "Cannot create the sprite sheet.";
    return false;
}

int runSheet(const CommandContext& context)
{
    ExportRequest request;
    if (const auto problem = readExportRequest(context.args, request))
        return context.usageError(*problem);
    const bool crop = context.args.has("--crop");
    return runExportBatch(context, request, ".png",
                          [crop](ExportFrameSource& frames, const ByteSink& sink, std::string& problem) {
                              return encodeSheet(frames, crop, sink, problem);
                          });
}

} // namespace

constexpr Command kSheetCommand{
    .name = "sheet",
    .summary = "write animations as PNG sprite sheets, as the player shows them",
    .usage = "Usage: kinetra-cli sheet FILE... (--out-dir DIR | --out SHEET.png) [--crop]\n"
             "                           [--direction D] [--background default|sea|land|#RRGGBB]\n"
             "                           [--no-blend] [--transparent] [-j N]\n"
             "                           [--civ N] [--pal-type 0|1|2] [--pal-dir DIR] [--game-dir DIR]\n"
             "\n"
             "Writes each FILE as a PNG sprite sheet: one row per direction (a single\n"
             "row for one direction or a plain FLC), the frames of the row left to\n"
             "right, each cell a frame composed exactly as the player and 'compose'\n"
             "show it: 240 x 240 for a game animation, a plain FLC's own size.\n"
             "\n"
             "The output is DIR/<FILE's name without extension>.png, DIR created when\n"
             "missing, or --out for a single FILE; it is written whole or not at all.\n"
             "One line '[i/n] NAME -> PATH' is printed for each file written; a file\n"
             "that cannot be done has its message on the error stream after the same\n"
             "'[i/n]' and the others go on.\n"
             "\n"
             "Options:\n"
             "  --out-dir DIR     folder to write the sheets into\n"
             "  --out FILE        the sheet to write, for a single FILE (instead of\n"
             "                    --out-dir)\n"
             KINETRA_CLI_JOBS_HELP
             "  --crop            crop every cell to the smallest box that holds what\n"
             "                    differs from the background in any frame\n"
             KINETRA_CLI_PICTURE_HELP
             "  --transparent     leave the background out: what it would show is\n"
             "                    transparent, shadows and light included\n"
             KINETRA_CLI_PALETTE_SOURCE_HELP
             "  -h, --help        show this help\n"
             "\n"
             "The status is 1 when any file failed, else 0.\n",
    .options = kSheetOptions,
    .run = runSheet,
};

} // namespace kinetra::cli
