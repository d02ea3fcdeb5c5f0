#include "flc/CFlcAnimation.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

using namespace kinetra;

namespace {

// A corpus folder's expected.txt: each file's name and "frames N" or
// "refused".
std::map<std::string, std::string> expectedOutcomes(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> outcomes;
    std::ifstream in(folder / "expected.txt");
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t space = line.find(' ');
        if (space != std::string::npos)
            outcomes[line.substr(0, space)] = line.substr(space + 1);
    }
    return outcomes;
}

void expectOutcomes(const std::filesystem::path& folder, std::size_t files)
{
    const auto expected = expectedOutcomes(folder);
    ASSERT_EQ(expected.size(), files) << folder;
    for (const auto& [name, outcome] : expected) {
        CFlcAnimation animation;
        const HResult result = animation.Load((folder / name).string(), true);
        const std::string actual =
            result == kOk ? "frames " + std::to_string(animation.frames.size()) : std::string("refused");
        EXPECT_EQ(actual, outcome) << name;
    }
}

} // namespace

// Damaged and hostile FLI/FLC files that once crashed or hung FLIC decoders,
// each held to what the reader's rules give it; the sanitizer build checks
// that no byte outside a buffer is touched on the way.
TEST(HostileCorpusTest, EveryFileGivesItsExpectedOutcome)
{
    expectOutcomes(KINETRA_TEST_DATA_DIR "/hostile", 47);
}

// The samples corrupted chunk by chunk (tools/MakeCorruptCorpus.cpp).
TEST(HostileCorpusTest, CorruptedSamplesGiveTheirExpectedOutcomes)
{
    expectOutcomes(KINETRA_TEST_DATA_DIR "/corrupt", 135);
}
