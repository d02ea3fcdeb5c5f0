#include "palette/GamePath.h"

#include "io/WholeFile.h"
#include "palette/AsciiCase.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kGameKey = "Software\\Quorvane Interactive\\Vorenth";
constexpr std::string_view kGameKey32 = "Software\\Wow6432Node\\Quorvane Interactive\\Vorenth";
constexpr std::string_view kInstallPathValue = "Install_Path";
// The game's own reader queried into a buffer of MAX_PATH characters.
constexpr std::size_t kMaxInstallPath = 259;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A character of the Basic Multilingual Plane, as Wine's escapes give them.
void appendUtf8(std::string& out, unsigned codePoint)
{
    if (codePoint < 0x80) {
        out += char(codePoint);
    } else if (codePoint < 0x800) {
        out += char(0xC0 | (codePoint >> 6));
        out += char(0x80 | (codePoint & 0x3F));
    } else {
        out += char(0xE0 | (codePoint >> 12));
        out += char(0x80 | ((codePoint >> 6) & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    }
}

// Reads one escaped string from `at` up to the unescaped `end` character and
// moves `at` behind it. The escapes are Wine's: C escapes, \e, up to four hex
// digits after \x, up to three octal digits, and a backslash before any
// other character standing for that character.
std::optional<std::string> readEscaped(std::string_view line, std::size_t& at, char end)
{
    std::string out;
    while (at < line.size()) {
        char c = line[at++];
        if (c == end)
            return out;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (at >= line.size())
            return std::nullopt;
        c = line[at++];
        switch (c) {
        case 'a': out += '\x07'; break;
        case 'b': out += '\x08'; break;
        case 'e': out += '\x1b'; break;
        case 'f': out += '\x0c'; break;
        case 'n': out += '\x0a'; break;
        case 'r': out += '\x0d'; break;
        case 't': out += '\x09'; break;
        case 'v': out += '\x0b'; break;
        case 'x': {
            unsigned value = 0;
            int digits = 0;
            while (digits < 4 && at < line.size() && hexDigit(line[at]) >= 0) {
                value = value * 16 + unsigned(hexDigit(line[at++]));
                ++digits;
            }
            if (digits == 0)
                out += 'x';
            else
                appendUtf8(out, value);
            break;
        }
        default:
            if (c >= '0' && c <= '7') {
                unsigned value = unsigned(c - '0');
                for (int digits = 1; digits < 3 && at < line.size() && line[at] >= '0' && line[at] <= '7'; ++digits)
                    value = value * 8 + unsigned(line[at++] - '0');
                appendUtf8(out, value);
            } else {
                out += c;
            }
            break;
        }
    }
    return std::nullopt;
}

// "[Key\\Path] 1700000000" → "Key\Path".
std::optional<std::string> keyOfHeader(std::string_view line)
{
    std::size_t at = 1;
    return readEscaped(line, at, ']');
}

struct ValueLine {
    std::string name;                // empty for the default value "@"
    std::optional<std::string> text; // set for string values only
};

std::optional<ValueLine> parseValueLine(std::string_view line)
{
    ValueLine value;
    std::size_t at = 0;
    if (line.starts_with('@')) {
        at = 1;
    } else if (line.starts_with('"')) {
        at = 1;
        auto name = readEscaped(line, at, '"');
        if (!name)
            return std::nullopt;
        value.name = *name;
    } else {
        return std::nullopt;
    }
    while (at < line.size() && isSpace(line[at]))
        ++at;
    if (at >= line.size() || line[at] != '=')
        return std::nullopt;
    ++at;
    while (at < line.size() && isSpace(line[at]))
        ++at;
    // A plain string, or an expandable one (whose variables the game's
    // installer has no reason to use in a folder).
    constexpr std::string_view kExpandable = "str(2):";
    if (line.substr(at).starts_with(kExpandable))
        at += kExpandable.size();
    if (at < line.size() && line[at] == '"') {
        ++at;
        value.text = readEscaped(line, at, '"');
    }
    return value;
}

// The entry of `folder` named `name`, or the first by name whose name
// differs only in letter case (files copied from Windows keep no consistent
// case).
fs::path childIgnoringCase(const fs::path& folder, const std::string& name)
{
    std::error_code error;
    if (fs::exists(folder / name, error))
        return folder / name;
    std::vector<std::string> matches;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string entryName = entry.path().filename().string();
        if (equalIgnoringCase(entryName, name))
            matches.push_back(entryName);
    }
    if (matches.empty())
        return folder / name;
    return folder / *std::min_element(matches.begin(), matches.end());
}

std::string canonicalOrEmpty(const fs::path& path)
{
    std::error_code error;
    const fs::path canonical = fs::canonical(path, error);
    return error ? std::string() : canonical.string();
}

std::size_t codePoints(std::string_view utf8)
{
    return std::size_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

} // namespace

std::optional<std::string> ReadWineRegistryString(std::string_view regText, std::string_view keyPath,
                                                  std::string_view valueName)
{
    bool inKey = false;
    while (!regText.empty()) {
        const std::size_t newline = regText.find('\n');
        const std::string_view line = trimmed(regText.substr(0, newline));
        regText.remove_prefix(newline == std::string_view::npos ? regText.size() : newline + 1);
        if (line.starts_with('[')) {
            const auto key = keyOfHeader(line);
            inKey = key && equalIgnoringCase(*key, keyPath);
            continue;
        }
        if (!inKey)
            continue;
        const auto value = parseValueLine(line);
        if (!value || !equalIgnoringCase(value->name, valueName))
            continue;
        return value->text;
    }
    return std::nullopt;
}

std::optional<std::string> WineToUnixPath(const std::string& winePrefix, const std::string& windowsPath)
{
    std::string path(trimmed(windowsPath));
    std::replace(path.begin(), path.end(), '/', '\\');
    const auto isAsciiLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (path.size() < 2 || !isAsciiLetter(path[0]) || path[1] != ':')
        return std::nullopt;

    const std::string drive{char(path[0] | 0x20), ':'};
    std::string root = canonicalOrEmpty(fs::path(winePrefix) / "dosdevices" / drive);
    std::error_code error;
    if (root.empty() && drive == "c:" && fs::is_directory(fs::path(winePrefix) / "drive_c", error))
        root = canonicalOrEmpty(fs::path(winePrefix) / "drive_c");
    if (root.empty())
        return std::nullopt;

    std::vector<std::string> parts;
    std::string_view rest = std::string_view(path).substr(2);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('\\');
        const std::string_view part = rest.substr(0, slash);
        rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.emplace_back(part);
    }
    fs::path unixPath = root;
    for (const std::string& part : parts)
        unixPath = childIgnoringCase(unixPath, part);
    return unixPath.lexically_normal().string();
}

std::string DefaultWinePrefix()
{
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return prefix;
    return homeFolder() + "/.wine";
}

std::optional<std::string> FindGameInstallPath(const std::string& winePrefix)
{
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(winePrefix + "/system.reg", bytes))
        return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (const std::string_view key : {kGameKey, kGameKey32}) {
        const auto value = ReadWineRegistryString(text, key, kInstallPathValue);
        if (!value || value->empty() || codePoints(*value) > kMaxInstallPath)
            continue;
        return WineToUnixPath(winePrefix, *value);
    }
    return std::nullopt;
}

} // namespace kinetra
