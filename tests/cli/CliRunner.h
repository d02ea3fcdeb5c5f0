#pragma once

#include <string>
#include <vector>

namespace kinetra::clitest {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
    // The largest resident memory the run reached (the kernel's own count
    // for the finished child), in KiB.
    long peakKib = 0;
};

// Runs the built kinetra-cli with these arguments and collects its exit
// status, both output streams and its peak memory.
CliResult runCli(const std::vector<std::string>& args);

} // namespace kinetra::clitest
