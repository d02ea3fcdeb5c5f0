#include "cli/Command.h"
#include "io/VersionNote.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <span>
#include <string>
#include <vector>

namespace {

using kinetra::cli::Command;

constexpr std::string_view kCompletionSwitch = "--complete";

void printProgramUsage(std::ostream& stream)
{
    stream << "Usage: kinetra-cli COMMAND [ARGUMENTS]\n"
              "\n"
              "Commands:\n";
    for (const Command* command : kinetra::cli::allCommands()) {
        std::string name(command->name);
        name.resize(std::max<std::size_t>(name.size() + 2, 12), ' ');
        stream << "  " << name << command->summary << '\n';
    }
    stream << "\n"
              "Run 'kinetra-cli COMMAND --help' for the arguments of a command,\n"
              "'kinetra-cli --version' for the version.\n";
}

const Command* findCommand(std::string_view name)
{
    for (const Command* command : kinetra::cli::allCommands()) {
        if (command->name == name)
            return command;
    }
    return nullptr;
}

// The program's own switches, which stand where a command would.
constexpr std::array<std::string_view, 3> kProgramSwitches{"-h", "--help", "--version"};

// What the bash completion asks at completion time, so that its lists never
// drift from the table: with no command, the command names and the
// program's switches; with one, its options. One a line; not in the usage,
// people have --help.
int printCompletions(std::span<const std::string> args)
{
    using namespace kinetra::cli;
    if (args.empty()) {
        for (const Command* command : allCommands())
            std::cout << command->name << '\n';
        for (const std::string_view programSwitch : kProgramSwitches)
            std::cout << programSwitch << '\n';
        return kExitOk;
    }
    const Command* command = findCommand(args[0]);
    if (!command || args.size() > 1)
        return kExitUsage;
    for (const OptionSpec& option : command->options) {
        std::cout << option.name << '\n';
        if (!option.alias.empty())
            std::cout << option.alias << '\n';
    }
    std::cout << "-h\n--help\n";
    return kExitOk;
}

int runCommand(const Command& command, const std::vector<std::string>& args)
{
    using namespace kinetra::cli;
    std::string error;
    const auto parsed = parseArguments(args, command.options, error);
    if (!parsed) {
        std::cerr << "kinetra-cli " << command.name << ": " << error << "\n\n" << command.usage;
        return kExitUsage;
    }
    if (parsed->help) {
        std::cout << command.usage;
        return kExitOk;
    }
    const CommandContext context{command, *parsed, std::cout, std::cerr};
    return command.run(context);
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace kinetra::cli;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printProgramUsage(std::cerr);
        return kExitUsage;
    }
    if (args[0] == kProgramSwitches[0] || args[0] == kProgramSwitches[1]) {
        printProgramUsage(std::cout);
        return kExitOk;
    }
    if (args[0] == kProgramSwitches[2]) {
        std::cout << kinetra::RunningVersionText("kinetra-cli");
        return kExitOk;
    }
    if (args[0] == kCompletionSwitch)
        return printCompletions(std::span(args).subspan(1));
    const Command* command = findCommand(args[0]);
    if (!command) {
        std::cerr << "kinetra-cli: unknown command '" << args[0] << "'\n\n";
        printProgramUsage(std::cerr);
        return kExitUsage;
    }
    return runCommand(*command, std::vector<std::string>(args.begin() + 1, args.end()));
}
