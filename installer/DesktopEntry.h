#pragma once

// Values of freedesktop desktop entries, shared by the file association and
// the installer's shortcuts; QtCore only, so the installer can use it
// without the widgets.

#include <QString>

namespace kinetra {

// A string value (Name, Comment, ...) with the escapes an entry file needs,
// so that a backslash or a line break in it cannot end or bend the line.
QString DesktopStringValue(const QString& text);

// One argument of an Exec line, escaped for the entry file. It is quoted
// only when it holds a character that the desktop entry rules reserve:
// simple launchers (xdg-open on a desktop it does not know) split the line
// at blanks and keep quotes as part of the program's name.
QString DesktopExecArgument(const QString& argument);

// The value of `key` in the [Desktop Entry] group of an entry file's text,
// its string escapes undone; a null string when the key is absent.
QString DesktopEntryValue(const QString& entryText, const QString& key);

// The program an Exec value (escapes already undone) runs: its first
// argument with the quoting taken off and "%%" made "%".
QString DesktopExecProgram(const QString& execValue);

} // namespace kinetra
