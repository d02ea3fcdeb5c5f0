#pragma once

// Where Vorenth is installed. The game runs under Wine, so its install
// folder is a value in the Wine prefix's machine registry (system.reg),
// written as a Windows path that the prefix's drive links translate.

#include <QByteArray>
#include <QString>

#include <optional>

namespace kinetra {

// The string value `valueName` of the key `keyPath` (single backslashes,
// relative to the file's root, e.g. "Software\\Maker\\Game") in the text of
// a Wine registry file. Key and value names compare ignoring case, as the
// registry does. Absent key, absent value or a value that is no string:
// nothing.
std::optional<QString> ReadWineRegistryString(const QByteArray& regText, const QString& keyPath,
                                              const QString& valueName);

// "C:\Games\Vorenth" → "<prefix>/drive_c/Games/Vorenth" through the
// prefix's dosdevices links. Each part of the path takes the letter case
// found on disk when only that differs. Nothing for a path without a drive
// letter or for a drive the prefix does not map.
std::optional<QString> WineToUnixPath(const QString& winePrefix, const QString& windowsPath);

// $WINEPREFIX, or ~/.wine when it is unset.
QString DefaultWinePrefix();

// The game's "Install_Path" (also under Wow6432Node, where a 32-bit
// installer on a 64-bit prefix writes it) as a Unix path.
std::optional<QString> FindGameInstallPath(const QString& winePrefix = DefaultWinePrefix());

} // namespace kinetra
