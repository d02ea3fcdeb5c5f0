#include "CliRunner.h"

#include <gtest/gtest.h>

namespace kinetra::clitest {
namespace {

TEST(CliUsage, HelpGoesToStdoutWithSuccess)
{
    for (const char* flag : {"--help", "-h"}) {
        const CliResult result = runCli({flag});
        EXPECT_EQ(result.status, 0) << flag;
        EXPECT_NE(result.out.find("Usage: kinetra-cli"), std::string::npos) << flag;
        EXPECT_NE(result.out.find("info"), std::string::npos) << flag;
        EXPECT_NE(result.out.find("frames"), std::string::npos) << flag;
        EXPECT_TRUE(result.err.empty()) << flag;
    }
}

TEST(CliUsage, EveryCommandAnswersHelpWithItsOwnUsage)
{
    for (const std::string command : {"info", "frames"}) {
        for (const char* flag : {"--help", "-h"}) {
            // Help wins even over arguments that would otherwise be wrong.
            const CliResult result = runCli({command, "/no/such/file.flc", flag});
            EXPECT_EQ(result.status, 0) << command << ' ' << flag;
            EXPECT_NE(result.out.find("Usage: kinetra-cli " + command), std::string::npos) << command;
            EXPECT_TRUE(result.err.empty()) << command;
        }
    }
}

TEST(CliUsage, WrongCommandLinesExitWithTwoAndUsageOnStderr)
{
    const std::vector<std::vector<std::string>> wrong{
        {},
        {"play", "x.flc"},
        {"--verbose"},
        {"info"},
        {"info", "a.flc", "b.flc"},
        {"info", "a.flc", "--out", "dir"},
        {"frames", "a.flc"},
        {"frames", "--out", "dir"},
        {"frames", "a.flc", "--out"},
        {"frames", "a.flc", "--out="},
        {"frames", "a.flc", "--out", "dir", "--indices=yes"},
        {"frames", "a.flc", "--out", "dir", "--png"},
    };
    for (const auto& args : wrong) {
        std::string line;
        for (const auto& arg : args)
            line += arg + ' ';
        const CliResult result = runCli(args);
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_NE(result.err.find("Usage: kinetra-cli"), std::string::npos) << line;
        EXPECT_TRUE(result.out.empty()) << line;
    }
}

// The bash completion asks the program for its commands and their options.
TEST(CliUsage, CompletionListsEveryCommandOfTheUsageAndEachOnesOptions)
{
    const CliResult commands = runCli({"--complete"});
    ASSERT_EQ(commands.status, 0);
    // Each name starts a line of the usage's command list, in that order.
    const CliResult usage = runCli({"--help"});
    std::size_t names = 0;
    std::size_t at = usage.out.find("Commands:\n");
    for (std::size_t start = 0, end = 0; (end = commands.out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string name = commands.out.substr(start, end - start);
        if (name.front() == '-') {
            // A switch of the program's own: it answers, and well.
            const CliResult answer = runCli({name});
            EXPECT_EQ(answer.status, 0) << name;
            EXPECT_FALSE(answer.out.empty()) << name;
            continue;
        }
        at = usage.out.find("\n  " + name, at);
        EXPECT_NE(at, std::string::npos) << name;
        ++names;
    }
    EXPECT_EQ(names, 14u);
    EXPECT_NE(commands.out.find("\n--version\n"), std::string::npos);
    EXPECT_NE(commands.out.find("thumbnail\n"), std::string::npos);

    struct Case {
        const char* command;
        const char* options;
    };
    for (const Case& c : {Case{"info", "--json\n-h\n--help\n"}, Case{"thumbnail", "--size\n-s\n-h\n--help\n"},
                          Case{"split", "--out-dir\n-h\n--help\n"},
                          Case{"set", "--speed\n--offset\n--original\n--out\n--in-place\n-h\n--help\n"},
                          Case{"combine", "--out\n--frames-per-direction\n--speed\n-h\n--help\n"}}) {
        const CliResult options = runCli({"--complete", c.command});
        EXPECT_EQ(options.status, 0) << c.command;
        EXPECT_EQ(options.out, c.options) << c.command;
    }
    EXPECT_EQ(runCli({"--complete", "play"}).status, 2);
}

TEST(CliUsage, UnknownCommandIsNamed)
{
    const CliResult result = runCli({"play"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("'play'"), std::string::npos);
}

} // namespace
} // namespace kinetra::clitest
