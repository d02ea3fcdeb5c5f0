#pragma once

// What gif and sheet share: each FILE rendered through the player as the
// picture shows it, and written to a file of its own.

#include "cli/Command.h"
#include "cli/ParallelFiles.h"
#include "cli/PlayerOptions.h"
#include "imaging/AnimationExport.h"
#include "io/ByteSink.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra::cli {

// --out-dir, --out, --transparent and --jobs, then the picture and palette
// options.
inline constexpr std::array kExportOptions = joinOptions(
    joinOptions(std::array{
                    OptionSpec{.name = "--out-dir", .takesValue = true},
                    OptionSpec{.name = "--out", .takesValue = true},
                    OptionSpec{.name = "--transparent", .takesValue = false},
                    kJobsOption,
                },
                kPictureOptions),
    kPaletteSourceOptions);

struct ExportRequest {
    std::vector<std::string> files;
    std::string outFile; // --out: the one FILE's output
    std::string outDir;
    std::optional<std::uint32_t> delayMs;
    bool transparent = false;
    unsigned workers = 1; // files done at once
    PictureRequest picture;
};

// Fills `request` (--delay only where the command accepts it); on a problem
// returns the text for the usage error.
[[nodiscard]] OptionProblem readExportRequest(const ParsedArguments& args, ExportRequest& request);

// One file's output made from its frames, which are composed each time
// they are asked for, into `sink`, which writes it to its file as it comes;
// false after the reason in `problem`, or when the sink refuses.
using ExportEncoder = std::function<bool(ExportFrameSource& frames, const ByteSink& sink, std::string& problem)>;

// Renders every file of the request, encodes it and writes the bytes to
// DIR/<name without extension>`extension` or to --out, request.workers files
// at once. One "[i/n] NAME -> PATH" line per file written on the output
// stream; a file that fails has its message on the error stream after the
// same "[i/n]" and the others go on; both in input order. The exit status: 1
// when any failed. `encode` may be called from several threads at once.
int runExportBatch(const CommandContext& context, const ExportRequest& request, std::string_view extension,
                   const ExportEncoder& encode);

} // namespace kinetra::cli
