#pragma once

// Values of freedesktop desktop entries, shared by the file association and
// the installer's shortcuts; QtCore only, so the installer can use it
// without the widgets.

#include <QString>

namespace kinetra {

// A string value (Name, Comment, ...) with the escapes an entry file needs,
// so that a backslash or a line break in it cannot end or bend the line.
QString DesktopStringValue(const QString& text);

// One argument of an Exec line, quoted so that a launcher passes it on as
// it is, and escaped for the entry file.
QString DesktopExecArgument(const QString& argument);

} // namespace kinetra
