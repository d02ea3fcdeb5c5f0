#include "cli/Command.h"
#include "cli/ExportBatch.h"

#include "formats/GifWriter.h"

#include <array>
#include <string>

namespace kinetra::cli {

namespace {

constexpr std::array kGifOptions =
    joinOptions(std::array{OptionSpec{.name = "--delay", .takesValue = true}}, kExportOptions);

int runGif(const CommandContext& context)
{
    ExportRequest request;
    if (const auto problem = readExportRequest(context.args, request))
        return context.usageError(*problem);
    return runExportBatch(context, request, ".gif",
                          [](ExportFrameSource& frames, const ByteSink& sink, std::string& problem) {
                              std::vector<std::uint8_t> bytes;
                              if (EncodeAnimatedGif(frames, bytes, problem))
                                  return sink(bytes);
                              problem = "Cannot encode the GIF: " + problem;
                              return false;
                          });
}

} // namespace

constexpr Command kGifCommand{
    .name = "gif",
    .summary = "write animations as looping animated GIFs, as the player shows them",
    .usage = "Usage: kinetra-cli gif FILE... (--out-dir DIR | --out ANIMATION.gif)\n"
             "                           [--direction D] [--background default|sea|land|#RRGGBB]\n"
             "                           [--no-blend] [--transparent] [--delay MS] [-j N]\n"
             "                           [--civ N] [--pal-type 0|1|2] [--pal-dir DIR] [--game-dir DIR]\n"
             "\n"
             "Writes every frame of the chosen direction of each FILE (all its frames\n"
             "for direction 0) as an animated GIF that loops forever, each frame\n"
             "composed exactly as the player and 'compose' show it. Each frame lasts\n"
             "the file's own delay, or --delay MS as the player's custom delay does.\n"
             "\n"
             "Colours: at most 256 colours are written exactly; more (from\n"
             "blending) are reduced to one median-cut palette for the whole\n"
             "animation, without dithering.\n"
             "\n"
             "The output is DIR/<FILE's name without extension>.gif, DIR created when\n"
             "missing, or --out for a single FILE; it is written whole or not at all.\n"
             "One line '[i/n] NAME -> PATH' is printed for each file written; a file\n"
             "that cannot be done has its message on the error stream after the same\n"
             "'[i/n]' and the others go on.\n"
             "\n"
             "Options:\n"
             "  --out-dir DIR     folder to write the GIFs into\n"
             "  --out FILE        the GIF to write, for a single FILE (instead of\n"
             "                    --out-dir)\n"
             KINETRA_CLI_JOBS_HELP
             KINETRA_CLI_PICTURE_HELP
             "  --transparent     leave the background out: what it would show is\n"
             "                    transparent, shadows and light included\n"
             "  --delay MS        every frame lasts MS milliseconds (10 to 500)\n"
             KINETRA_CLI_PALETTE_SOURCE_HELP
             "  -h, --help        show this help\n"
             "\n"
             "The status is 1 when any file failed, else 0.\n",
    .options = kGifOptions,
    .run = runGif,
};

} // namespace kinetra::cli
