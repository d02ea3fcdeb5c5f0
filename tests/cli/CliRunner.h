#pragma once

#include <string>
#include <vector>

namespace kinetra::clitest {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
    // From runCliMeasured: the largest resident memory kinetra-cli reached,
    // in KiB.
    long peakKib = 0;
};

// Runs the built kinetra-cli with these arguments and collects its exit
// status and both output streams.
CliResult runCli(const std::vector<std::string>& args);

// `text` as one word of a shell command line.
std::string shellQuote(const std::string& text);
// The same through the memory meter (meter/MemoryMeter.cpp), which tells
// kinetra-cli's own peak memory: a process forked from the test program
// would count the test program's memory as its own.
CliResult runCliMeasured(const std::vector<std::string>& args);

} // namespace kinetra::clitest
