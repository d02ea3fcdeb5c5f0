#pragma once

// The installer's string table. Each message is printed on a line of its
// own; a text of two lines holds a "\n" between them.

#include <initializer_list>
#include <string>
#include <string_view>

namespace kinetra::installer {

enum class InstallerString : int {
    StartingInstallation = 1,
    NoSystemFolder = 2,
    NoInstallFolder = 3,
    InstallationComplete = 7,
    CannotStartProcess = 8,  // %s: the command line
    Registering = 10,
    LibraryCopied = 11,      // %s: source, %s: destination
    CannotCreateShortcut = 13, // %s: the shortcut's name
    CreatingShortcut = 14,     // %s: the shortcut's name
    NoDesktopFolder = 15,      // %s: the desktop folder, %s: the shortcut's name
    ProgramMissing = 16,       // %s: the program's path
};

// The text of `id`; empty for an id the table does not hold.
std::string_view LoadInstallerString(InstallerString id);

// The text of `id` with each "%s" replaced by the next of `values` (by
// nothing once they are used up).
std::string FormatInstallerString(InstallerString id, std::initializer_list<std::string_view> values);

} // namespace kinetra::installer
