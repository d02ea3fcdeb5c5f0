#include "installer/InstallerStrings.h"

#include <utility>

namespace kinetra::installer {

namespace {

// The misspellings are the program's own texts.
constexpr std::pair<InstallerString, std::string_view> kTable[] = {
    {InstallerString::StartingInstallation, "Starting installation procedure..."},
    {InstallerString::NoSystemFolder, "Error: Cannot get system folder."},
    {InstallerString::NoInstallFolder, "Error: Cannot get installation target path."},
    {InstallerString::InstallationComplete, "Installation is successfully complited."},
    {InstallerString::CannotStartProcess, "Error: Cannot start process.\nCommand line: '%s'"},
    {InstallerString::Registering, "Registering the Kinetra..."},
    {InstallerString::LibraryCopied, "Copy from '%s'\nto '%s'"},
    {InstallerString::CannotCreateShortcut, "Cannot create the %s shortcut."},
    {InstallerString::CreatingShortcut, "Creating the %s shortcut..."},
    {InstallerString::NoDesktopFolder, "There is no desktop folder '%s': the %s shortcut is skipped."},
    {InstallerString::ProgramMissing, "Error: Cannot find the program '%s'."},
};

} // namespace

std::string_view LoadInstallerString(InstallerString id)
{
    for (const auto& [entryId, text] : kTable) {
        if (entryId == id)
            return text;
    }
    return {};
}

std::string FormatInstallerString(InstallerString id, std::initializer_list<std::string_view> values)
{
    const std::string_view format = LoadInstallerString(id);
    auto next = values.begin();
    std::string text;
    std::size_t at = 0;
    while (at < format.size()) {
        const std::size_t mark = format.find("%s", at);
        if (mark == std::string_view::npos) {
            text += format.substr(at);
            break;
        }
        text += format.substr(at, mark - at);
        if (next != values.end())
            text += *next++;
        at = mark + 2;
    }
    return text;
}

} // namespace kinetra::installer
