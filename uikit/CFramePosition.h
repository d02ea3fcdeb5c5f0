#pragma once

#include <QString>

class QWidget;

// Keeps a window's placement (position, size, maximised) in the profile,
// under the section that RegKey names.
class CFramePosition {
public:
    virtual ~CFramePosition() = default;

    // The settings section; windows that do not name one share this default.
    virtual QString RegKey() const { return QStringLiteral("Window Position"); }

    // Restores the saved placement, kept on a visible screen; flags are 0.
    void LoadPosition(QWidget* window, int flags = 0);
    void SavePosition(QWidget* window);
};
