#include "CliFixtures.h"
#include "CliRunner.h"

#include "flc/CFlcAnimation.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <string>

namespace kinetra::clitest {
namespace {

struct InfoCase {
    const char* name;
    std::string path;
    // The player's eight directions of a unit, or none.
    int framesPerDirection;
};

// info --json read back and set against the file decoded here: the file's
// own header fields, the decoded frame count and each direction's range.
void expectJsonMatchesTheFile(const InfoCase& c)
{
    SCOPED_TRACE(c.name);
    const CliResult result = runCli({"info", "--json", c.path});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto info = nlohmann::json::parse(result.out, nullptr, false);
    ASSERT_FALSE(info.is_discarded()) << result.out;

    CFlcAnimation animation;
    ASSERT_EQ(animation.Load(c.path, true), kOk);
    const FlcHeader& header = animation.header;
    EXPECT_EQ(info.at("size").get<std::uint32_t>(), header.size);
    EXPECT_EQ(info.at("magic").get<int>(), header.magic);
    EXPECT_EQ(info.at("frames").get<int>(), header.frames);
    EXPECT_EQ(info.at("width").get<int>(), header.width);
    EXPECT_EQ(info.at("height").get<int>(), header.height);
    EXPECT_EQ(info.at("depth").get<int>(), header.depth);
    EXPECT_EQ(info.at("speed_ms").get<std::uint32_t>(), header.speed);
    EXPECT_EQ(info.at("direction_count").get<int>(), header.directions);
    EXPECT_EQ(info.at("frames_per_direction").get<int>(), header.framesPerDirection);
    EXPECT_EQ(info.at("left_offset").get<int>(), header.leftOffset);
    EXPECT_EQ(info.at("top_offset").get<int>(), header.topOffset);
    EXPECT_EQ(info.at("original_width").get<int>(), header.originalWidth);
    EXPECT_EQ(info.at("original_height").get<int>(), header.originalHeight);
    EXPECT_EQ(info.at("animation_time").get<std::uint32_t>(), header.animationTime);
    EXPECT_EQ(info.at("decoded_frames").get<std::size_t>(), animation.frames.size());

    const auto& directions = info.at("directions");
    ASSERT_TRUE(directions.is_array());
    if (c.framesPerDirection == 0) {
        EXPECT_TRUE(directions.empty());
        return;
    }
    const std::array<const char*, 8> names{"SW", "S", "SE", "E", "NE", "N", "NW", "W"};
    ASSERT_EQ(directions.size(), names.size());
    for (std::size_t d = 0; d < names.size(); ++d) {
        EXPECT_EQ(directions[d].at("name").get<std::string>(), names[d]);
        EXPECT_EQ(directions[d].at("first").get<int>(), int(d) * c.framesPerDirection);
        EXPECT_EQ(directions[d].at("count").get<int>(), c.framesPerDirection);
    }
}

TEST(CliInfoJson, HeaderFramesAndDirectionsMatchTheDecodedFile)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir);
    for (const InfoCase& c : {
             InfoCase{"unit sample", KINETRA_SAMPLES_DIR "/unit.flc", 10},
             InfoCase{"plain sample", KINETRA_SAMPLES_DIR "/plain.flc", 0},
             InfoCase{"generated unit", fixture.path, GameFixture::kFramesPerDirection},
             InfoCase{"plain with zeros", writePlainFixture(dir, "plain.flc", 6, 0), 0},
         })
        expectJsonMatchesTheFile(c);
}

TEST(CliInfoJson, DirectionsCountOnlyTheDecodedFrames)
{
    TempDir dir;
    const GameFixture fixture = writeGameFixture(dir);
    // Cut at the end of a frame chunk two thirds in: the later ranges come
    // up short.
    auto bytes = fileBytes(fixture.path);
    std::vector<std::size_t> chunkEnds;
    for (std::size_t at = 128; at + 4 <= bytes.size();) {
        const std::size_t size = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::size_t(bytes[at + 3]) << 24;
        ASSERT_GT(size, 0u);
        at += size;
        chunkEnds.push_back(at);
    }
    bytes.resize(chunkEnds[chunkEnds.size() * 2 / 3]);
    const std::string cut = dir.file("cut.flc");
    writeBytes(cut, bytes);
    CFlcAnimation partial;
    ASSERT_EQ(partial.Load(cut, true), kOk);
    const int decoded = int(partial.frames.size());
    ASSERT_GT(decoded, 3);
    ASSERT_LT(decoded, 24);

    const CliResult result = runCli({"info", "--json", cut});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto info = nlohmann::json::parse(result.out);
    int total = 0;
    for (const auto& direction : info.at("directions")) {
        const int first = direction.at("first");
        const int count = direction.at("count");
        EXPECT_EQ(count, std::clamp(decoded - first, 0, 3)) << direction.dump();
        total += count;
    }
    EXPECT_EQ(total, decoded);
}

TEST(CliInfoJson, UnreadableFileFailsAsInfoDoes)
{
    TempDir dir;
    const std::string missing = dir.file("missing.flc");
    const CliResult json = runCli({"info", "--json", missing});
    const CliResult text = runCli({"info", missing});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.err, text.err);
    EXPECT_TRUE(json.out.empty());
}

} // namespace
} // namespace kinetra::clitest
