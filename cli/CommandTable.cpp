#include "cli/Command.h"

#include <array>
#include <ostream>

namespace kinetra::cli {

std::span<const Command* const> allCommands()
{
    static constexpr std::array kCommands{
        &kInfoCommand,
        &kFramesCommand,
        &kComposeCommand,
        &kPaletteCommand,
        &kSetCommand,
        &kRecolorCommand,
        &kGifCommand,
        &kSheetCommand,
        &kStoryboardCommand,
        &kBuildCommand,
        &kSplitCommand,
        &kJoinCommand,
        &kCombineCommand,
        &kThumbnailCommand,
    };
    return kCommands;
}

int CommandContext::usageError(std::string_view problem) const
{
    err << "kinetra-cli " << command.name << ": " << problem << "\n\n" << command.usage;
    return kExitUsage;
}

int CommandContext::failure(std::string_view message) const
{
    err << message << '\n';
    return kExitFailure;
}

} // namespace kinetra::cli
