#include "cli/PlayerOptions.h"

#include "io/SettingNames.h"
#include "io/WriteFailure.h"
#include "palette/CivPalettes.h"
#include "palette/GamePath.h"
#include "storyboard/ColourText.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <system_error>

namespace kinetra::cli {

namespace {

using settings::kAlphaBlend;
using settings::kDirection;
using settings::kOptions;

// The window's button-face colour (#D4D0C8) as a colour reference
// (0x00BBGGRR): the "default" background wherever there is no desktop.
constexpr std::uint32_t kFaceColor = 0x00C8D0D4;

} // namespace

void reportInvalidDocument(std::ostream& err, const std::string& filePath)
{
    err << '\'' << filePath << "'\nInvalid or unsupported document format.\n";
}

bool reportUnopenableFile(std::ostream& err, const std::string& filePath)
{
    std::error_code error;
    const auto status = std::filesystem::status(filePath, error);
    if (filePath.empty() || !std::filesystem::exists(status)) {
        err << '\'' << filePath << "'\nThe file cannot be found.\n";
        return true;
    }
    if (std::filesystem::is_directory(status)) {
        err << '\'' << filePath << "'\nCannot read the file: " << std::make_error_code(std::errc::is_a_directory).message()
            << ".\n";
        return true;
    }
    std::ifstream file(filePath, std::ios::binary);
    if (!file) {
        err << '\'' << filePath << "'\nCannot read the file: " << std::generic_category().message(errno) << ".\n";
        return true;
    }
    return false;
}

HeadlessPlayer::HeadlessPlayer(SettingsStore& settings, std::ostream& err)
    : CFlcPlayerCore(settings, kFaceColor), m_err(err)
{
}

bool HeadlessPlayer::open(const std::string& filePath)
{
    if (reportUnopenableFile(m_err, filePath))
        return false;
    return LoadFile(filePath) == kOk && loaded;
}

std::string HeadlessPlayer::saveFailure(const std::string& destination) const
{
    return writeError ? cannotWriteMessage(destination, writeError) : '\'' + destination + "'\nCannot save the file.";
}

void HeadlessPlayer::OnInvalidDocument(const std::string& filePath)
{
    reportInvalidDocument(m_err, filePath);
}

std::optional<int> parseInt(const std::string& text, int low, int high)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

[[nodiscard]] OptionProblem readPaletteSource(const ParsedArguments& args, PaletteSourceRequest& request)
{
    if (args.has("--civ")) {
        const auto civ = parseInt(args.value("--civ"), 0, kCivColorCount);
        if (!civ)
            return "--civ takes 0 (the file's colours) or 1 to 32, not '" + args.value("--civ") + "'";
        request.civ = *civ;
    }
    if (args.has("--pal-type")) {
        const auto source = parseInt(args.value("--pal-type"), kPaletteFromGame, kPaletteFromFolder);
        if (!source)
            return "--pal-type takes 0, 1 or 2, not '" + args.value("--pal-type") + "'";
        request.source = PaletteSource(*source);
    }
    request.paletteFolder = args.value("--pal-dir");
    request.gameFolder = args.value("--game-dir");
    if (request.civ > 0 && request.source == kPaletteFromFolder && request.paletteFolder.empty())
        return "--pal-type 2 needs --pal-dir DIR";
    if (request.civ > 0 && request.source == kPaletteFromGame && request.gameFolder.empty()) {
        // As the window does: the game's folder from the Wine registry.
        const std::string prefix = DefaultWinePrefix();
        const auto found = FindGameInstallPath(prefix);
        if (!found)
            return "--pal-type 0: no Vorenth install folder was found in the Wine registry (" + prefix
                + "/system.reg); give it with --game-dir DIR";
        request.gameFolder = *found;
    }
    return std::nullopt;
}

void usePaletteFolders(CFlcPlayerCore& player, const PaletteSourceRequest& request)
{
    player.dataFolder = UserDataFolder();
    player.paletteFolder = request.paletteFolder;
    player.gameFolder = request.gameFolder;
}

bool applyCivColor(CFlcPlayerCore& player, const PaletteSourceRequest& request)
{
    return player.LoadCivColor(request.source, request.civ);
}

std::optional<Background> parseBackground(const std::string& text)
{
    if (text == "default")
        return Background{kBackgroundDefault};
    if (text == "sea")
        return Background{kBackgroundSea};
    if (text == "land")
        return Background{kBackgroundLand};
    const auto rgb = parseColourText(text);
    if (!rgb)
        return std::nullopt;
    const std::uint32_t red = (*rgb >> 16) & 0xFF;
    const std::uint32_t green = (*rgb >> 8) & 0xFF;
    const std::uint32_t blue = *rgb & 0xFF;
    return Background{kBackgroundCustom, (blue << 16) | (green << 8) | red};
}

[[nodiscard]] OptionProblem readPictureRequest(const ParsedArguments& args, PictureRequest& request)
{
    if (args.has("--direction")) {
        const auto direction = parseInt(args.value("--direction"), 0, 8);
        if (!direction)
            return "--direction takes 0 (all) or 1 to 8, not '" + args.value("--direction") + "'";
        request.direction = *direction;
    }
    if (args.has("--background")) {
        const auto background = parseBackground(args.value("--background"));
        if (!background)
            return "--background takes default, sea, land or #RRGGBB, not '" + args.value("--background") + "'";
        request.background = *background;
    }
    request.blend = !args.has("--no-blend");
    return readPaletteSource(args, request.palette);
}

void seedPictureSettings(SettingsStore& settings, const PictureRequest& request)
{
    settings.WriteProfileInt(kOptions, kDirection, request.direction);
    if (!request.blend)
        settings.WriteProfileInt(kOptions, kAlphaBlend, 0);
}

namespace {

bool applyBackground(CFlcPlayerCore& player, const Background& background)
{
    switch (background.type) {
    case kBackgroundCustom:
        player.SetCustomBackground(background.colorRef);
        return true;
    case kBackgroundSea:
    case kBackgroundLand:
        return player.SetImageBackground(background.type);
    default:
        player.SetDefaultBackground();
        return true;
    }
}

} // namespace

[[nodiscard]] OptionProblem applyPictureOptions(CFlcPlayerCore& player, const PictureRequest& request)
{
    if (player.IsPlainFlc())
        return std::nullopt;
    if (request.palette.civ >= 0 && !applyCivColor(player, request.palette))
        return "Cannot get civilization specified palette.";
    if (!applyBackground(player, request.background))
        return "Cannot set background image.";
    return std::nullopt;
}

} // namespace kinetra::cli
