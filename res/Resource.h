#pragma once

// Command, string and resource ids of the program. Commands keep the ids of
// the original program so that settings and tests can name them.

// Commands.
enum : unsigned {
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FIRST = 57616,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,

    ID_FLC_PLAY = 32771,
    ID_FLC_PAUSE = 32772,
    ID_FLC_STOP = 32773,
    ID_FLC_INFO = 32774,
    ID_BGD_DEFAULT = 32775,
    ID_BGD_SELECT_COLOR = 32776,
    ID_BGD_SEA = 32777,
    ID_BGD_LAND = 32778,
    ID_BGD_CUSTOM = 32780,
    ID_FLC_FIRST = 32781,
    ID_FLC_PREVIOUS = 32782,
    ID_FLC_NEXT = 32783,
    ID_FLC_LAST = 32784,
    ID_PALETTE = 32785,
    ID_OPTIONS = 32786,
    ID_FLC_BACK = 32787,
    ID_FLC_FORWARD = 32788,
    ID_PALETTE_IMPORT = 32789,
    ID_PALETTE_EXPORT = 32790,
    ID_FILE_REFRESH = 32791,
    ID_ALPHA_BLEND = 32792,
    ID_ALWAYS_ON_TOP = 32806,
};

// The single-instance hand-over message and its first parameter.
enum : unsigned { WM_SHELL_OPEN_FILE = 2997 };

// Strings (besides the command prompts, which use the command ids).
enum : unsigned {
    IDR_MAINFRAME = 128,          // the document-type string
    IDS_APP_TITLE = 57344,        // "Kinetra"
    IDS_IDLE_MESSAGE = 57345,     // "Ready"
    IDS_INDICATOR_CAPS = 59137,
    IDS_INDICATOR_NUM = 59138,
    IDS_INDICATOR_SCRL = 59139,
    IDS_OPEN_FLC_TITLE = 61204,
    IDS_FLC_FILTER = 61205,
    IDS_FLC_NOT_LOADED = 61206,
    IDS_INVALID_DOCUMENT = 61207,
    IDS_CANNOT_SET_BACKGROUND = 61209,
    IDS_FILE_TYPE_REGISTERED = 61216,
    IDS_FILE_TYPE_UNREGISTERED = 61217,
    IDS_ASK_REGISTER_FILE_TYPE = 61218,
    IDS_MRU_NONE = 61219,
    IDS_MRU_ENTRY_FORMAT = 61220,
    IDS_TOOLBAR_TITLE = 61221,
    IDS_RECENT_FILES = 61222,
    IDS_RICH_EDIT_INIT_FAILED = 61224,
    IDS_WRONG_FORMAT = 61245,
    IDS_DIRECTION_W = 61246,      // 61246..61254: "W", "SW", "SE", "S", "NW", "NE", "N", "E", "All"
    IDS_DEFAULT_DELAY_FORMAT = 61255,
    IDS_COLOR_DEFAULT = 61256,
    IDS_COLOR_CUSTOM = 61257,
    IDS_SAVE_FLC_AS = 61259,
    IDS_NO_CIV_PALETTE = 61261,
    IDS_CANNOT_APPLY_PALETTE = 61262,
    IDS_PALETTE_IMPORT_FILTER = 61263,
    IDS_PALETTE_IMPORT_TITLE = 61264,
    IDS_PALETTE_EXPORT_TITLE = 61265,
    IDS_PALETTE_IMPORT_INVALID = 61266,
    IDS_PALETTE_IMPORTED = 61267,
    IDS_PALETTE_EXPORTED = 61268,
    IDS_PALETTE_EXPORT_FAILED = 61269,
    IDS_PALETTE_EXPORT_FILTER = 61270,
    // Texts the platform framework brought with it: its file errors before a
    // document is validated, and the usage complaint.
    IDS_FILE_ACCESS_FAILED = 61729,
    IDS_FILE_NOT_FOUND = 61730,
    IDS_FILE_ACCESS_DENIED = 61733,
    IDS_UNKNOWN_OPTION = 61734,
};

// Registers the program's whole string table with the UI kit.
void RegisterKinetraStrings();
