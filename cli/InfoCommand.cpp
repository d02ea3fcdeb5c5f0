#include "cli/CliAnimation.h"
#include "cli/Command.h"

#include "storyboard/Storyboard.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <ostream>

namespace kinetra::cli {

namespace {

// The rows of the program's information dialog, labels as the dialog spells
// them (typo included, so scripts can match either output).
void printHeaderRows(std::ostream& out, const std::string& path, const FlcHeader& header)
{
    out << "File name: " << std::filesystem::path(path).filename().string() << '\n'
        << "File size (bytes): " << header.size << '\n'
        << "Total frames: " << header.frames << '\n'
        << "Width (pixels): " << header.width << '\n'
        << "Height (pixels): " << header.height << '\n'
        << "Speed (mc): " << header.speed << '\n'
        << "Total directions: " << header.directions << '\n'
        << "Frames per direction: " << header.framesPerDirection << '\n'
        << "Animation time: " << header.animationTime << '\n'
        << "Original widt (pixels): " << header.originalWidth << '\n'
        << "Original height (pixels): " << header.originalHeight << '\n'
        << "Left offset (pixels): " << header.leftOffset << '\n'
        << "Top offset (pixels): " << header.topOffset << '\n';
}

constexpr std::array kInfoOptions{
    OptionSpec{.name = "--json"},
};

// The directions of a game unit as the player numbers them (1 SW ... 8 W),
// each with the frames of its range that the file decoded.
nlohmann::ordered_json directionRanges(const CFlcAnimation& animation)
{
    auto ranges = nlohmann::ordered_json::array();
    const FlcHeader& header = animation.header;
    if (header.framesPerDirection == 0 || header.directions != kUnitDirectionNames.size())
        return ranges;
    const auto decoded = static_cast<std::int64_t>(animation.frames.size());
    for (std::size_t d = 0; d < kUnitDirectionNames.size(); ++d) {
        const std::int64_t first = static_cast<std::int64_t>(d) * header.framesPerDirection;
        const std::int64_t count = std::clamp<std::int64_t>(decoded - first, 0, header.framesPerDirection);
        ranges.push_back({{"name", kUnitDirectionNames[d]}, {"first", first}, {"count", count}});
    }
    return ranges;
}

// The header as the file holds it (an FLI file's speed in milliseconds and
// its missing game fields as 0), under the FLIC fields' own names.
nlohmann::ordered_json headerJson(const std::string& path, const FlcHeader& header)
{
    return {
        {"file", std::filesystem::path(path).filename().string()},
        {"size", header.size},
        {"magic", header.magic},
        {"frames", header.frames},
        {"width", header.width},
        {"height", header.height},
        {"depth", header.depth},
        {"flags", header.flags},
        {"speed_ms", header.speed},
        {"created", header.created},
        {"creator", header.creator},
        {"updated", header.updated},
        {"updater", header.updater},
        {"aspect_x", header.aspectX},
        {"aspect_y", header.aspectY},
        {"oframe1", header.oframe1},
        {"oframe2", header.oframe2},
        {"direction_count", header.directions},
        {"frames_per_direction", header.framesPerDirection},
        {"left_offset", header.leftOffset},
        {"top_offset", header.topOffset},
        {"original_width", header.originalWidth},
        {"original_height", header.originalHeight},
        {"animation_time", header.animationTime},
    };
}

int runInfo(const CommandContext& context)
{
    const auto& positional = context.args.positional;
    if (positional.empty())
        return context.usageError("missing FILE");
    if (positional.size() > 1)
        return context.usageError("unexpected argument '" + positional[1] + "'");

    CliAnimation opened;
    if (!opened.open(positional[0], context.err))
        return kExitFailure;
    const CFlcAnimation& animation = opened.animation();
    if (context.args.has("--json")) {
        nlohmann::ordered_json info = headerJson(animation.path, opened.fileHeader());
        info["decoded_frames"] = animation.frames.size();
        info["directions"] = directionRanges(animation);
        context.out << info.dump(2) << '\n';
        return kExitOk;
    }
    printHeaderRows(context.out, animation.path, animation.header);
    context.out << "Decoded frames: " << animation.frames.size() << '\n';
    return kExitOk;
}

} // namespace

constexpr Command kInfoCommand{
    .name = "info",
    .summary = "show the header values of an FLC file",
    .usage = "Usage: kinetra-cli info FILE\n"
             "       kinetra-cli info --json FILE\n"
             "\n"
             "Shows the header values of FILE as the player sees them after\n"
             "loading it, one 'Label: value' line each, then the number of\n"
             "decoded frames.\n"
             "\n"
             "With --json: one JSON object of the header's fields as the file\n"
             "holds them, under their FLIC names (\"width\", \"speed_ms\",\n"
             "\"magic\", ..., \"direction_count\"), the number of decoded frames\n"
             "(\"decoded_frames\") and, for a unit of eight directions, each\n"
             "direction's decoded frames in the player's order (\"directions\":\n"
             "[{\"name\": \"SW\", \"first\": 0, \"count\": 10}, ...]; empty otherwise).\n"
             "\n"
             "Options:\n"
             "  --json       the values as JSON, for scripts\n"
             "  -h, --help   show this help\n",
    .options = kInfoOptions,
    .run = runInfo,
};

} // namespace kinetra::cli
