#pragma once

// Where the installer puts things: the user's menu and desktop folders as
// the XDG base-directory and user-dirs conventions name them, and the
// system folder the UI-kit library goes to.

#include <QString>

#include <string>

namespace kinetra::installer {

// $XDG_DATA_HOME, else ~/.local/share; $XDG_CONFIG_HOME, else ~/.config.
// A relative value counts as unset, as the base-directory rules say. Empty
// when neither the variable nor HOME gives a folder.
QString DataHome();
QString ConfigHome();

// The folder of the user's application menu entries: <data home>/applications.
QString ProgramsFolder();

// XDG_DESKTOP_DIR of <config home>/user-dirs.dirs, else ~/Desktop. Empty
// without a home folder.
QString DesktopFolder();

// XDG_DESKTOP_DIR in the text of a user-dirs.dirs file, as xdg-user-dirs
// reads it: a line XDG_DESKTOP_DIR="$HOME/Desktop" or ="/absolute/path",
// "$HOME" standing for `home`, a backslash keeping the next character; the
// last such line counts. Empty when there is none that is valid.
QString DesktopFolderFromUserDirs(const QString& text, const QString& home);

// The folder that receives the UI-kit library: KINETRA_SYSTEM_DIR when it
// is set (set but empty means there is none), else /usr/local/lib. Kept as
// the bytes of the path, since only file functions of the core take it.
std::string SystemFolder();

} // namespace kinetra::installer
