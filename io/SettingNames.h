#pragma once

// Every section and value name of the settings store, spelt once for the
// window, the player and the command line alike. The spellings are the
// stored names that existing profiles hold, odd ones included: change none.
// Plain character arrays, so that the core passes them as std::string and
// the window as QString.

namespace kinetra::settings {

// Sections.
inline constexpr char kOptions[] = "Options";
inline constexpr char kMenu[] = "Menu";
inline constexpr char kButtonX[] = "ButtonX";
inline constexpr char kRecentFiles[] = "Recent Files";
// The placement of the main frame and of the dialogs that keep theirs.
inline constexpr char kMainFrame[] = "MainFrame";
inline constexpr char kDlgAbout[] = "Dlg About";
inline constexpr char kDlgOptions[] = "Dlg Options";
inline constexpr char kDlgPalette[] = "Dlg Palette";
inline constexpr char kDlgFlc[] = "Dlg Flc";
// The widths of the information list's columns.
inline constexpr char kDlgFlcInfo[] = "Dlg FlcInfo";
// The layout of the main frame's bars, in kBarStateEntry.
inline constexpr char kBarState[] = "CtrlBars\\CtrlBar";

// "Options": the application.
inline constexpr char kMultiInstances[] = "Multi Instances";
inline constexpr char kShell[] = "Shell";
inline constexpr char kMaxMRU[] = "Max MRU";
inline constexpr char kLoadDoc[] = "Load Doc";
inline constexpr char kCheckFileType[] = "Check File Type";
inline constexpr char kPalType[] = "Pal Type";
inline constexpr char kPalDir[] = "Pal Dir";
// The misspelling is the stored name.
inline constexpr char kLastOpened[] = "Last Opend";
// Not "Pal Dir": the last palette file chosen to import or export, and the
// filter index each of those two dialogs used last.
inline constexpr char kPaletteFile[] = "PalDir";
inline constexpr char kPalFilterImp[] = "PalFilterImp";
inline constexpr char kPalFilterExp[] = "PalFilterExp";
// The animation export: the folder last written to and the choices of its
// dialogs.
inline constexpr char kExportDir[] = "ExportDir";
inline constexpr char kExportTransparent[] = "ExportTransparent";
inline constexpr char kExportCrop[] = "ExportCrop";
// The storyboard's grid between the frames: on or off, and its palette index.
inline constexpr char kStoryboardBorder[] = "StoryboardBorder";
inline constexpr char kStoryboardBorderIndex[] = "StoryboardBorderIndex";
// The layout the frames were last exported in: 0 sheet, 1 filmstrips, 2 cels.
inline constexpr char kStoryboardLayout[] = "StoryboardLayout";

// "Options": the player.
inline constexpr char kCustomColor[] = "Custom Color";
inline constexpr char kBgdType[] = "Bgd Type";
inline constexpr char kDirection[] = "Direction";
inline constexpr char kAlphaBlend[] = "AlphaBlend";

// "Options": the main frame.
inline constexpr char kShowToolBar[] = "Show ToolBar";
inline constexpr char kShowStatusBar[] = "Show StatusBar";
inline constexpr char kAlwaysOnTop[] = "Always on top";
// The picture's zoom (1 to 8) and the compact window of the picture alone.
inline constexpr char kZoom[] = "Zoom";
inline constexpr char kCompact[] = "Compact";

// "Menu"
inline constexpr char kMenuStyle[] = "Style";
inline constexpr char kMenuSelection[] = "Selection";
inline constexpr char kMenuGloom[] = "Gloom";

// "ButtonX"
inline constexpr char kButtonSettings[] = "Settings";

// kBarState
inline constexpr char kBarStateEntry[] = "State";
// kDlgFlc
inline constexpr char kPreview[] = "Preview";
// kDlgOptions
inline constexpr char kCurTab[] = "CurTab";

} // namespace kinetra::settings
