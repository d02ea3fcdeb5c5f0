#pragma once

// Shortcuts to the program as freedesktop desktop entries: a launcher on
// the desktop and an entry in a folder of the application menu.

#include <QString>

namespace kinetra::installer {

// The menu folder that holds the program's entry.
inline constexpr char kMenuFolderName[] = "Vorenth FLC";

// The file name of a shortcut to `programPath`: the program's file name
// upper-cased, without its extension, and ".desktop" ("KINETRA.desktop").
QString ShortcutFileName(const QString& programPath);

// Writes a desktop entry at `linkPath` that starts `programPath` with the
// file it is given, described by `comment`. The folder must exist.
// `executable` gives the file the mode 0755. True once the entry is
// written, whatever became of the mode.
bool CreateShortcut(const QString& linkPath, const QString& programPath, const QString& comment, bool executable);

// <desktop>/KINETRA.desktop, "Shortcut to KINETRA", executable: desktops
// only start launchers that are. False for an empty or missing folder.
bool CreateDesktopShortcut(const QString& desktopFolder, const QString& programPath);

// <programs>/Vorenth FLC/KINETRA.desktop, "Location: " and the program's
// folder as it is spelt (letter case counts in Linux paths); every missing
// folder level is created first. False
// for an empty `programsFolder` or a level that cannot be created.
bool CreateMenuShortcut(const QString& programsFolder, const QString& programPath);

} // namespace kinetra::installer
