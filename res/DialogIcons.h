#pragma once

#include <QIcon>

// The small pictures of the dialogs' buttons and of the Options tabs, drawn
// on a 16-pixel grid (and doubled for high-DPI screens).
enum class DialogIconKind {
    Ok,       // also the information dialog's Exit
    Apply,
    Default,
    Cancel,
    Delete,
    TabDocument,
    TabView,
    TabFlc,
};

QIcon DialogIcon(DialogIconKind kind);
