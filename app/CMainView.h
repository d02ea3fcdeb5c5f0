#pragma once

#include <QWidget>

class CFlcPlayer;
class CKinetraDoc;

// The view: the picture of the animation and (with playback) the controls
// that drive it.
class CMainView : public QWidget {
    Q_OBJECT

public:
    explicit CMainView(CKinetraDoc* document, QWidget* parent = nullptr);
    ~CMainView() override;

    // First time: sets up the player; later: unloads it. Then loads the
    // document's path. Also the Refresh command.
    virtual void OnInitialUpdate();
    // Recomputes the enabled and checked states of the controls.
    void UpdateControls();

    CKinetraDoc* GetDocument() const { return m_pDocument; }
    CFlcPlayer& Player() { return *m_wndPlayer; }

signals:
    // The player's state changed: the frame recomputes its commands.
    void stateChanged();

private:
    CKinetraDoc* m_pDocument;
    // The place of the picture in the form; the player sits at its top left
    // and is smaller than it only for a plain FLC.
    QWidget* m_pPictureArea = nullptr;
    CFlcPlayer* m_wndPlayer = nullptr;
    bool m_bInitialized = false;
};
