#pragma once

// Where Vorenth is installed. The game runs under Wine, so its install
// folder is a value in the Wine prefix's machine registry (system.reg),
// written as a Windows path that the prefix's drive links translate. The
// window and kinetra-cli both look for it here. Text is UTF-8 throughout.

#include <optional>
#include <string>
#include <string_view>

namespace kinetra {

// The string value `valueName` of the key `keyPath` (single backslashes,
// relative to the file's root, e.g. "Software\\Maker\\Game") in the text of
// a Wine registry file. Key and value names compare ignoring ASCII case, as
// the registry does for the names it writes. Absent key, absent value or a
// value that is no string: nothing.
std::optional<std::string> ReadWineRegistryString(std::string_view regText, std::string_view keyPath,
                                                  std::string_view valueName);

// "C:\Games\Vorenth" → "<prefix>/drive_c/Games/Vorenth" through the
// prefix's dosdevices links. Each part of the path takes the letter case
// found on disk when only that differs. Nothing for a path without a drive
// letter or for a drive the prefix does not map.
std::optional<std::string> WineToUnixPath(const std::string& winePrefix, const std::string& windowsPath);

// $WINEPREFIX, or ~/.wine when it is unset.
std::string DefaultWinePrefix();

// The game's "Install_Path" (also under Wow6432Node, where a 32-bit
// installer on a 64-bit prefix writes it) as a Unix path.
std::optional<std::string> FindGameInstallPath(const std::string& winePrefix = DefaultWinePrefix());

} // namespace kinetra
