#pragma once

#include "uikit/CFramePosition.h"

#include <QColor>
#include <QMainWindow>
#include <QSize>

#include <map>

class CKinetraDoc;
class CMainView;
class QAction;
class QMenu;
class QToolBar;

// The main window: menus, toolbar, status bar, the always-on-top switch and
// the saved layout; the main view fills it.
class CMainFrame : public QMainWindow, public CFramePosition {
    Q_OBJECT

public:
    explicit CMainFrame(CKinetraDoc* document, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QString RegKey() const override { return QStringLiteral("MainFrame"); }

    // Builds menus, bars and the view and restores the saved layout; false
    // when any part cannot be made.
    bool LoadFrame();

    // A second start handed over a file ("Options"/"Shell"); acts only for
    // wParam 2997. Returns 1.
    int OnShellOpenFile(unsigned wParam);

    void SetMinTrackSize(int width, int height);
    void ReloadSettings();
    QToolBar* GetToolBar() const;
    CMainView* GetActiveView() const { return m_pView; }

    // The action of a command id (every menu and toolbar entry has one).
    QAction* Action(unsigned commandId) const;
    // Recomputes the enabled and checked state of every command.
    void UpdateCommandUI();

    // The colour shown on the Select color button (0x00BBGGRR).
    unsigned m_crBackground = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void LoadFrameSettings();
    void SaveFrameSettings();
    void ApplyFrameSettings();

    CKinetraDoc* m_pDocument;
    CMainView* m_pView = nullptr;
    std::map<unsigned, QAction*> m_actions;
    QSize m_sizeMinTrack{100, 100};
    bool m_bShowToolBar = true;
    bool m_bShowStatusBar = true;
    bool m_bTopMost = false;
};
