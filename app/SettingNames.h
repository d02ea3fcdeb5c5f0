#pragma once

// Sections and value names of the profile that the application shell reads
// and writes; one spelling for every reader.

#include <QString>

namespace kinetra::settings {

inline const QString kOptions = QStringLiteral("Options");
inline const QString kMenu = QStringLiteral("Menu");
inline const QString kButtonX = QStringLiteral("ButtonX");
inline const QString kRecentFiles = QStringLiteral("Recent Files");

// "Options"
inline const QString kMultiInstances = QStringLiteral("Multi Instances");
inline const QString kShell = QStringLiteral("Shell");
inline const QString kMaxMRU = QStringLiteral("Max MRU");
inline const QString kLoadDoc = QStringLiteral("Load Doc");
inline const QString kCheckFileType = QStringLiteral("Check File Type");
inline const QString kPalType = QStringLiteral("Pal Type");
inline const QString kPalDir = QStringLiteral("Pal Dir");
// The misspelling is the stored name; existing profiles depend on it.
inline const QString kLastOpened = QStringLiteral("Last Opend");
// Not "Pal Dir": the last palette file chosen to import or export, and the
// filter index each of those two dialogs used last.
inline const QString kPaletteFile = QStringLiteral("PalDir");
inline const QString kPalFilterImp = QStringLiteral("PalFilterImp");
inline const QString kPalFilterExp = QStringLiteral("PalFilterExp");
// The animation export: the folder last written to and the choices of its
// dialogs.
inline const QString kExportDir = QStringLiteral("ExportDir");
inline const QString kExportTransparent = QStringLiteral("ExportTransparent");
inline const QString kExportCrop = QStringLiteral("ExportCrop");
// The storyboard's grid between the frames: on or off, and its palette index.
inline const QString kStoryboardBorder = QStringLiteral("StoryboardBorder");
inline const QString kStoryboardBorderIndex = QStringLiteral("StoryboardBorderIndex");

// "Menu"
inline const QString kMenuStyle = QStringLiteral("Style");
inline const QString kMenuSelection = QStringLiteral("Selection");
inline const QString kMenuGloom = QStringLiteral("Gloom");

// "ButtonX"
inline const QString kButtonSettings = QStringLiteral("Settings");

} // namespace kinetra::settings
