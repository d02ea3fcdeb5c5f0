#pragma once

#include "io/SettingNames.h"
#include "uikit/CFramePosition.h"

#include <QColor>
#include <QMainWindow>
#include <QSize>

#include <map>

class CColorStripButton;
class CKinetraDoc;
class CMainView;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QToolButton;

// The main window: menus, toolbar, status bar, the always-on-top switch and
// the saved layout; the main view fills it.
class CMainFrame : public QMainWindow, public CFramePosition {
    Q_OBJECT

public:
    explicit CMainFrame(CKinetraDoc* document, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QString RegKey() const override { return kinetra::settings::kMainFrame; }

    // Builds menus, bars and the view and restores the saved layout; false
    // when any part cannot be made.
    bool LoadFrame();

    // A second start handed over a file: `handedPath` when the message
    // carried it, else "Options"/"Shell"; acts only for wParam 2997.
    // Returns 1.
    int OnShellOpenFile(unsigned wParam, const QString& handedPath = {});

    void SetMinTrackSize(int width, int height);
    QSize MinTrackSize() const { return m_sizeMinTrack; }
    void ReloadSettings();
    QToolBar* GetToolBar() const;
    // The toolbar's button of a command, or null.
    QToolButton* ToolBarButton(unsigned commandId) const;
    CMainView* GetActiveView() const { return m_pView; }

    // The action of a command id (every menu and toolbar entry has one).
    QAction* Action(unsigned commandId) const;
    // Recomputes the enabled and checked state of every command.
    void UpdateCommandUI();

    bool IsTopMost() const { return m_bTopMost; }
    // Only the picture, at its zoom, above all other windows; kept in the
    // settings. The bars keep their own settings meanwhile.
    void SetCompact(bool on);
    bool IsCompact() const { return m_bCompact; }
    // Why the latest change of the document's files is not shown, in
    // place of "Ready" until it is; empty: "Ready" again.
    void ShowSourceProblem(const QString& problem);

    // The colour shown on the Select color button (0x00BBGGRR).
    unsigned m_crBackground = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    // A file dropped on the window opens as the document.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    // The picture's commands, readout and legend (CMainFramePicture.cpp).
    void createPictureStatus();
    void connectPicture();
    void updatePictureCommands();
    void updatePixelReadout();
    void applyCompact();
    void OnViewCompact();
    // Moves the window as far onto its screen as it goes.
    void keepOnScreen();
    // Runs a command's handler, then refreshes every command's state.
    void onCommand(void (CMainFrame::*handler)());
    // Runs the view's handler of a command, then refreshes every command.
    void onViewCommand(unsigned commandId);

    void LoadFrameSettings();
    void SaveFrameSettings();
    void ApplyFrameSettings();

    void OnFileOpen();
    void OnFileRefresh();
    void OnViewToolBar();
    void OnViewStatusBar();
    void OnAlwaysOnTop();
    // Re-applies the z-order marker; the window keeps its place and size.
    void applyTopMost();
    // The user cannot size the window: it follows its contents, but never
    // below the minimum size.
    void fitToContents();
    // Fits once the events in hand are done (a toolbar that docks lays out
    // more than once on its way).
    void scheduleFit();
    void updateTitle();

    CKinetraDoc* m_pDocument;
    CMainView* m_pView = nullptr;
    std::map<unsigned, QAction*> m_actions;
    QToolBar* m_wndToolBar = nullptr;
    QMenu* m_pExportMenu = nullptr;
    CColorStripButton* m_pSelectColorButton = nullptr;
    QLabel* m_pIdleLabel = nullptr;
    QLabel* m_pPixelLabel = nullptr;
    QLabel* m_pClassLegend = nullptr;
    QSize m_sizeMinTrack{100, 100};
    bool m_bShowToolBar = true;
    bool m_bShowStatusBar = true;
    bool m_bTopMost = false;
    bool m_bCompact = false;
    // The picture was zoomed: the next fit keeps the grown window on its
    // screen.
    bool m_bKeepOnScreen = false;
    bool m_bFitting = false;
    bool m_bFitScheduled = false;
};
