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

TEST(CliUsage, UnknownCommandIsNamed)
{
    const CliResult result = runCli({"play"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("'play'"), std::string::npos);
}

} // namespace
} // namespace kinetra::clitest
