#pragma once

#include <string>
#include <vector>

namespace kinetra::clitest {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built kinetra-cli with these arguments and collects its exit
// status and both output streams.
CliResult runCli(const std::vector<std::string>& args);

// `text` as one word of a shell command line.
std::string shellQuote(const std::string& text);

} // namespace kinetra::clitest
