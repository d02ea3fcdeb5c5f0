#pragma once

// Desktop menus do not show a folder below applications/ by itself: they
// build their menus from .menu files. These two files put the entries of
// the menu folder (Shortcut.h) into a submenu of the same name.

#include <QString>

namespace kinetra::installer {

// The desktop-file id of `entryFileName` inside the menu folder: a file in
// a subfolder of applications/ has its path with '/' turned into '-'.
QString MenuEntryId(const QString& entryFileName);

// Writes <data home>/desktop-directories/vorenth-flc.directory, which names
// the submenu, and <config home>/menus/applications-merged/vorenth-flc.menu,
// which merges a submenu holding the entry `entryFileName` into the
// Applications menu. Missing folders are created. False when either file
// could not be written; the shortcut itself does not depend on them.
bool WriteMenuFolderFiles(const QString& dataHome, const QString& configHome, const QString& entryFileName);

} // namespace kinetra::installer
