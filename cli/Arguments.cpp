#include "cli/Arguments.h"

#include <algorithm>

namespace kinetra::cli {

std::string ParsedArguments::value(std::string_view option) const
{
    const auto found = options.find(option);
    return found == options.end() ? std::string() : found->second;
}

std::optional<ParsedArguments> parseArguments(std::span<const std::string> args,
                                              std::span<const OptionSpec> known, std::string& error)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A lone "-" conventionally names a file, so it is positional too.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
            continue;
        }

        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const auto option = std::find_if(known.begin(), known.end(), [&](const OptionSpec& candidate) {
            return candidate.name == name || (!candidate.alias.empty() && candidate.alias == name);
        });
        if (option == known.end()) {
            error = "unknown option '" + name + "'";
            return std::nullopt;
        }
        std::string& value = parsed.options[std::string(option->name)];
        if (!option->takesValue) {
            if (equals != std::string::npos) {
                error = "option '" + name + "' takes no value";
                return std::nullopt;
            }
            value.clear();
            continue;
        }
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = "option '" + name + "' needs a value";
            return std::nullopt;
        }
        if (value.empty()) {
            error = "option '" + name + "' needs a value";
            return std::nullopt;
        }
    }
    return parsed;
}

[[nodiscard]] OptionProblem oneOperandProblem(const ParsedArguments& args, std::string_view operand,
                                             std::string_view required)
{
    if (args.positional.empty())
        return "missing " + std::string(operand);
    if (args.positional.size() > 1)
        return "unexpected argument '" + args.positional[1] + "'";
    if (!args.has(required.substr(0, required.find(' '))))
        return "missing " + std::string(required);
    return std::nullopt;
}

} // namespace kinetra::cli
