#include "CliRunner.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kinetra::clitest {

namespace {

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

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

CliResult runCli(const std::vector<std::string>& args)
{
    const auto base = std::filesystem::temp_directory_path() / ("kinetra-cli-run-" + std::to_string(getpid()));
    const auto outPath = base.string() + ".out";
    const auto errPath = base.string() + ".err";

    std::string command = shellQuote(KINETRA_CLI_PATH);
    for (const std::string& arg : args)
        command += ' ' + shellQuote(arg);
    command += " </dev/null >" + shellQuote(outPath) + " 2>" + shellQuote(errPath);

    // As std::system does, but waited for with wait4, which gives the
    // child's own resource use and not the sum of every child so far.
    CliResult result;
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int raw = 0;
    rusage usage{};
    if (child > 0 && wait4(child, &raw, 0, &usage) == child && WIFEXITED(raw)) {
        result.status = WEXITSTATUS(raw);
        result.peakKib = usage.ru_maxrss;
    }
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}

} // namespace kinetra::clitest
