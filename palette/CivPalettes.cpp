#include "palette/CivPalettes.h"

#include "palette/AsciiCase.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

// The entry of `folder` called `name` in any letter case. The exact spelling
// wins when it exists, so a folder holding both "ntp00.pcx" and "NTP00.PCX"
// answers the same way every time.
std::optional<fs::path> findEntry(const fs::path& folder, const std::string& name)
{
    std::error_code error;
    const fs::path exact = folder / name;
    if (fs::exists(exact, error))
        return exact;

    fs::directory_iterator entry(folder, error);
    const fs::directory_iterator end;
    while (!error && entry != end) {
        const fs::path candidate = entry->path();
        if (equalIgnoringCase(candidate.filename().string(), name))
            return candidate;
        entry.increment(error);
    }
    return std::nullopt;
}

} // namespace

std::string CivPaletteFileName(int n)
{
    if (n < 1 || n > kCivColorCount)
        return {};
    char name[16];
    std::snprintf(name, sizeof name, "ntp%02d.pcx", n - 1);
    return name;
}

std::string FindFileIgnoringCase(const std::string& folder, const std::string& name)
{
    // An unknown folder must not turn into a lookup relative to wherever the
    // program happens to run.
    if (folder.empty() || name.empty())
        return {};

    fs::path found(folder);
    std::error_code error;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t slash = name.find('/', start);
        const std::size_t stop = slash == std::string::npos ? name.size() : slash;
        const std::string component = name.substr(start, stop - start);
        start = stop + 1;
        if (component.empty() || component == ".")
            continue;
        if (!fs::is_directory(found, error))
            return {};
        const auto entry = findEntry(found, component);
        if (!entry)
            return {};
        found = *entry;
    }
    if (!fs::is_regular_file(found, error))
        return {};
    return found.string();
}

std::string UserDataFolder()
{
    // XDG folders must be absolute; a relative XDG_DATA_HOME is ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] == '\0')
            return {};
        base = std::string(home) + "/.local/share";
    }
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + "/Halvorek/Kinetra/";
}

} // namespace kinetra
