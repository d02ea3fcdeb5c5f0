#include "CliRunner.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kinetra::clitest {

// Single quotes keep every byte literal for the shell; a quote inside is
// closed, escaped and reopened.
std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

namespace {

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs `prefix` kinetra-cli `args`; with a meter prefix, reads the peak it
// wrote to `peakPath`.
CliResult run(const std::string& prefix, const std::string& peakPath, const std::vector<std::string>& args)
{
    const auto base = std::filesystem::temp_directory_path() / ("kinetra-cli-run-" + std::to_string(getpid()));
    const auto outPath = base.string() + ".out";
    const auto errPath = base.string() + ".err";

    std::string command = prefix + shellQuote(KINETRA_CLI_PATH);
    for (const std::string& arg : args)
        command += ' ' + shellQuote(arg);
    command += " </dev/null >" + shellQuote(outPath) + " 2>" + shellQuote(errPath);

    CliResult result;
    const int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw))
        result.status = WEXITSTATUS(raw);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    if (!peakPath.empty()) {
        std::ifstream(peakPath) >> result.peakKib;
        std::filesystem::remove(peakPath);
    }
    return result;
}

} // namespace

CliResult runCli(const std::vector<std::string>& args)
{
    return run({}, {}, args);
}

CliResult runCliMeasured(const std::vector<std::string>& args)
{
    const std::string peakPath =
        (std::filesystem::temp_directory_path() / ("kinetra-cli-peak-" + std::to_string(getpid()))).string();
    return run(shellQuote(KINETRA_MEMORY_METER_PATH) + ' ' + shellQuote(peakPath) + ' ', peakPath, args);
}

} // namespace kinetra::clitest
