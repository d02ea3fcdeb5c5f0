#include "cli/StoryboardOptions.h"

#include "cli/CliAnimation.h"
#include "cli/PlayerOptions.h"
#include "imaging/CPcxImage.h"
#include "palette/AsciiCase.h"
#include "palette/PaletteFiles.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <ostream>

namespace kinetra::cli {

namespace {

constexpr int kMaxU16 = 0xFFFF;

// Milliseconds as the header's 32-bit fields hold them, 0 to 4294967295.
std::optional<std::uint32_t> parseMilliseconds(const std::string& text)
{
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// "A,B" with both whole numbers in [0, 65535], as the header's 16-bit
// fields hold them.
std::optional<std::pair<int, int>> parsePair(const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    const auto first = parseInt(text.substr(0, comma), 0, kMaxU16);
    const auto second = parseInt(text.substr(comma + 1), 0, kMaxU16);
    if (!first || !second)
        return std::nullopt;
    return std::pair{*first, *second};
}

} // namespace

std::optional<StoryboardFacts> readLayoutOptions(const ParsedArguments& args, std::string& problem)
{
    StoryboardFacts facts;
    if (args.has("--directions")) {
        const auto directions = parseInt(args.value("--directions"), 1, 8);
        if (!directions || (*directions != 1 && *directions != 8)) {
            problem = "--directions takes 8 or 1, not '" + args.value("--directions") + "'";
            return std::nullopt;
        }
        facts.directions = *directions;
    }
    if (args.has("--frames-per-direction")) {
        const auto frames = parseInt(args.value("--frames-per-direction"), 1, kMaxFlcFrames);
        if (!frames) {
            problem = "--frames-per-direction takes 1 to 32767, not '" + args.value("--frames-per-direction") + "'";
            return std::nullopt;
        }
        facts.framesPerDirection = *frames;
    }
    if (args.has("--speed")) {
        facts.speed = parseMilliseconds(args.value("--speed"));
        if (!facts.speed) {
            problem = "--speed takes milliseconds from 0 to 4294967295, not '" + args.value("--speed") + "'";
            return std::nullopt;
        }
    }
    if (args.has("--animation-time")) {
        facts.animationTime = parseMilliseconds(args.value("--animation-time"));
        if (!facts.animationTime) {
            problem = "--animation-time takes milliseconds from 0 to 4294967295, not '"
                + args.value("--animation-time") + "'";
            return std::nullopt;
        }
    }
    if (args.has("--offset")) {
        const auto offset = parsePair(args.value("--offset"));
        if (!offset) {
            problem = "--offset takes LEFT,TOP in pixels from 0 to 65535, not '" + args.value("--offset") + "'";
            return std::nullopt;
        }
        facts.leftOffset = offset->first;
        facts.topOffset = offset->second;
    }
    if (args.has("--original")) {
        const auto original = parsePair(args.value("--original"));
        if (!original) {
            problem = "--original takes WIDTH,HEIGHT in pixels from 0 to 65535, not '" + args.value("--original")
                + "'";
            return std::nullopt;
        }
        facts.originalWidth = original->first;
        facts.originalHeight = original->second;
    }
    return facts;
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error) && !error)
        return true;
    // A note not made yet is still the sheet's: both names lead to one place.
    const std::filesystem::path first = std::filesystem::weakly_canonical(a, error);
    if (error)
        return false;
    const std::filesystem::path second = std::filesystem::weakly_canonical(b, error);
    return !error && first == second;
}

bool readBorderOption(const ParsedArguments& args, std::optional<int>& border, std::string& problem)
{
    if (!args.has("--border"))
        return true;
    border = parseInt(args.value("--border"), 0, 255);
    if (!border)
        problem = "--border takes a palette index from 0 to 255, not '" + args.value("--border") + "'";
    return border.has_value();
}

bool readPaletteOption(const std::string& path, Palette& palette, std::ostream& err)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    if (equalIgnoringCase(extension, ".flc") || equalIgnoringCase(extension, ".fli")) {
        CliAnimation animation;
        if (!animation.open(path, err))
            return false;
        palette = animation.animation().filePalette;
        return true;
    }
    if (equalIgnoringCase(extension, ".pcx")) {
        // A civilization palette of the game, or any 8-bit PCX.
        CPcxImage picture;
        if (picture.Load(path) != kOk) {
            err << '\'' << path << "'\nCannot import palette from the file.\n";
            return false;
        }
        palette = picture.palette;
        return true;
    }
    const auto read = readPaletteFile(path);
    if (!read) {
        err << '\'' << path << "'\nCannot import palette from the file.\n";
        return false;
    }
    palette = *read;
    return true;
}

void reportColourMapping(const StoryboardBuild& build, std::ostream& out)
{
    if (!build.mappedByColour)
        return;
    const ApproximatedPixels& pixels = build.approximated;
    out << pixels.total() << " pixels took the nearest colour of the palette: "
        << pixels.of(IndexClass::Civilization) << " civilization, " << pixels.of(IndexClass::Ordinary)
        << " ordinary, " << pixels.of(IndexClass::Light) << " light, " << pixels.of(IndexClass::Shadow) << " shadow, "
        << pixels.of(IndexClass::Transparent) << " transparent\n";
}

} // namespace kinetra::cli
