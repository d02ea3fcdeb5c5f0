#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra::cli {

// What checking a command's options found: nothing when they are usable,
// else the message for the user. The functions returning it are
// [[nodiscard]].
using OptionProblem = std::optional<std::string>;

// An option a command accepts, named with its dashes ("--out"), perhaps
// also by a short alias ("-j"); either way it is recorded under its name.
struct OptionSpec {
    std::string_view name;
    bool takesValue = false;
    std::string_view alias = {};
};

struct ParsedArguments {
    std::vector<std::string> positional;
    // Options seen, by name; a flag maps to an empty string. A repeated
    // option keeps its last value.
    std::map<std::string, std::string, std::less<>> options;
    bool help = false;

    bool has(std::string_view option) const { return options.find(option) != options.end(); }
    std::string value(std::string_view option) const;
};

// A command's own options followed by shared ones, as one constant list.
template <std::size_t Own, std::size_t Shared>
constexpr std::array<OptionSpec, Own + Shared> joinOptions(const std::array<OptionSpec, Own>& own,
                                                           const std::array<OptionSpec, Shared>& shared)
{
    std::array<OptionSpec, Own + Shared> joined{};
    std::copy(own.begin(), own.end(), joined.begin());
    std::copy(shared.begin(), shared.end(), joined.begin() + Own);
    return joined;
}

// What is wrong with a command line that takes exactly one operand (named
// `operand` in the message, such as "FILE") and the option `required`
// (with its value's name, such as "--out UNIT.flc"); nothing when it is right.
[[nodiscard]] OptionProblem oneOperandProblem(const ParsedArguments& args, std::string_view operand,
                                             std::string_view required);

// Splits a command's arguments into options and positional ones. Options may
// stand anywhere, as "--name value" or "--name=value"; "--" ends them, so a
// file whose name starts with a dash can still be named. "-h" and "--help"
// are always known. An unknown option or a missing value yields nothing and
// an explanation in `error`.
std::optional<ParsedArguments> parseArguments(std::span<const std::string> args,
                                              std::span<const OptionSpec> known, std::string& error);

} // namespace kinetra::cli
