#pragma once

#include "cli/Arguments.h"

#include <iosfwd>
#include <span>
#include <string_view>

namespace kinetra::cli {

// Exit statuses shared by every command.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailure = 1, // a file could not be read or written
    kExitUsage = 2,   // the command line itself is wrong
};

struct Command;

// What a command gets to work with: its parsed arguments and the two
// streams, plus the two ways of giving up.
struct CommandContext {
    const Command& command;
    const ParsedArguments& args;
    std::ostream& out;
    std::ostream& err;

    // Prints the problem and the command's usage on `err`; returns kExitUsage.
    int usageError(std::string_view problem) const;
    // Prints the message on `err`; returns kExitFailure.
    int failure(std::string_view message) const;
};

// One entry of the command table. Adding a command means one source file
// that defines its Command and one line in CommandTable.cpp.
struct Command {
    std::string_view name;
    std::string_view summary; // one line in the program's usage
    std::string_view usage;   // the command's own help text, ending in a newline
    std::span<const OptionSpec> options;
    int (*run)(const CommandContext& context);
};

// Every command, in the order the program's usage lists them.
std::span<const Command* const> allCommands();

extern const Command kInfoCommand;
extern const Command kFramesCommand;
extern const Command kComposeCommand;
extern const Command kPaletteCommand;
extern const Command kSetCommand;
extern const Command kRecolorCommand;
extern const Command kGifCommand;
extern const Command kSheetCommand;
extern const Command kStoryboardCommand;
extern const Command kBuildCommand;
extern const Command kSplitCommand;
extern const Command kJoinCommand;
extern const Command kCombineCommand;
extern const Command kThumbnailCommand;

} // namespace kinetra::cli
