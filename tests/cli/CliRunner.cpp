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

    CliResult result;
    const int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw))
        result.status = WEXITSTATUS(raw);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}

} // namespace kinetra::clitest
