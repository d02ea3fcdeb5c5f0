#include "CliFixtures.h"
#include "CliRunner.h"
#include "PaletteChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

const std::string kSample = KINETRA_SAMPLES_DIR "/unit.flc";

struct BatchCommand {
    const char* name;
    const char* extension; // of the outputs
    std::vector<std::string> options;
};

void PrintTo(const BatchCommand& command, std::ostream* stream)
{
    *stream << command.name;
}

class CliParallelBatch : public ::testing::TestWithParam<BatchCommand> {
protected:
    CliResult run(std::vector<std::string> files, const std::string& jobs)
    {
        files.insert(files.begin(), GetParam().name);
        files.insert(files.end(), GetParam().options.begin(), GetParam().options.end());
        files.insert(files.end(), {"--out-dir", out.string(), "-j", jobs});
        return runCli(files);
    }

    // Every file in the output folder with its bytes.
    std::map<std::string, std::vector<std::uint8_t>> outputs() const
    {
        std::map<std::string, std::vector<std::uint8_t>> files;
        for (const auto& entry : fs::directory_iterator(out))
            files[entry.path().filename().string()] = fileBytes(entry.path().string());
        return files;
    }

    std::string line(const std::string& counter, const std::string& name) const
    {
        return counter + ' ' + name + ".flc -> " + (out / name).string() + GetParam().extension + '\n';
    }

    TempDir dir;
    ScopedDataHome home{dir.path() / "data"};
    fs::path out = dir.path() / "out";
};

TEST_P(CliParallelBatch, ManyWorkersPrintAndWriteWhatOneDoes)
{
    // Two different animations by turns, so outputs swapped between files
    // show; a broken file, and after it a good one of its name, which is
    // written; and a second a.flc, which is refused.
    for (const char* folder : {"bad", "again"})
        fs::create_directories(dir.path() / folder);
    fs::copy_file(kSample, dir.file("a.flc"));
    writeGameFixture(dir, "b.flc");
    writeBytes(dir.file("bad/c.flc"), std::vector<std::uint8_t>(200, 0xFF));
    fs::copy_file(kSample, dir.file("c.flc"));
    writeGameFixture(dir, "again/a.flc");
    writeGameFixture(dir, "d.flc");
    const std::vector<std::string> files{dir.file("a.flc"), dir.file("b.flc"), dir.file("bad/c.flc"),
                                         dir.file("c.flc"), dir.file("again/a.flc"), dir.file("d.flc")};

    const CliResult one = run(files, "1");
    const auto written = outputs();
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.out, line("[1/6]", "a") + line("[2/6]", "b") + line("[4/6]", "c") + line("[6/6]", "d"));
    EXPECT_TRUE(one.err.starts_with("[3/6] '" + files[2] + "'\nInvalid or unsupported document format.\n[5/6] '"
                                    + files[4] + "'\nAn earlier file was written to"))
        << one.err;
    EXPECT_EQ(written.size(), 4u);

    for (const char* jobs : {"3", "6"}) {
        fs::remove_all(out);
        const CliResult many = run(files, jobs);
        EXPECT_EQ(many.status, one.status) << jobs;
        EXPECT_EQ(many.out, one.out) << jobs;
        EXPECT_EQ(many.err, one.err) << jobs;
        EXPECT_TRUE(outputs() == written) << jobs;
    }
}

TEST_P(CliParallelBatch, JobsAreAWholeNumberFromOne)
{
    for (const char* jobs : {"0", "-2", "x", "1.5"}) {
        const CliResult result = run({kSample}, jobs);
        EXPECT_EQ(result.status, 2) << jobs;
        EXPECT_TRUE(result.err.starts_with("kinetra-cli " + std::string(GetParam().name) + ": --jobs takes"))
            << result.err;
        EXPECT_NE(result.err.find("Usage: kinetra-cli " + std::string(GetParam().name)), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_NE(runCli({GetParam().name, "--help"}).out.find("-j, --jobs N"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Commands, CliParallelBatch,
                         ::testing::Values(BatchCommand{"gif", ".gif", {"--direction", "2"}},
                                           BatchCommand{"sheet", ".png", {"--direction", "3"}},
                                           BatchCommand{"recolor", ".flc", {"--civ", "5"}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kinetra::clitest
