#pragma once

#include "io/SettingNames.h"
#include "uikit/CDialogX.h"
#include "uikit/CFramePosition.h"

#include <QImage>
#include <QString>
#include <QTimer>

#include <vector>

class CButtonX;
class CRichEditCtrlX;
class QGroupBox;
class QKeyEvent;
class QLabel;

// The About box: the version lines from the program's own version note, the
// licence, a short clip played once and a pulsing title. It links nowhere:
// the program has no forum or mailbox of its own to send anyone to. Typing
// THANKS swaps the licence for the thanks text.
class CAboutDlg : public CDialogX, public CFramePosition {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    QString RegKey() const override { return kinetra::settings::kDlgAbout; }

    // The title's pulse goes on from where the last About box left it.
    static int TitleIntensity() { return s_nTitleIntensity; }
    static int TitleStep() { return s_nTitleStep; }

    bool IsThanksShown() const { return m_bSwitched; }
    const QString& TypedKeys() const { return m_strTypedKeys; }
    // The title as last drawn; null before the first tick.
    const QImage& TitleImage() const { return m_titleImage; }
    bool IsTitleTimerActive() const { return m_titleTimer.isActive(); }
    int ClipFrameCount() const { return int(m_clipFrames.size()); }
    // The frame on show, or -1 while the clip control is empty.
    int ClipFrame() const { return m_nClipFrame; }
    bool IsClipPlaying() const { return m_clipTimer.isActive(); }
    int ClipDelay() const { return m_nClipDelay; }

    static constexpr int kTitleTimerMs = 50;

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Watches the word THANKS; the key goes on to its widget either way.
    void PreTranslateMessage(const QKeyEvent& event);
    // The file whose version note is shown: the running program.
    virtual QString VersionFile() const;

private:
    void createControls();
    void setControlInfo();
    void loadText(const QString& resource);
    void OnTitleTimer();
    void drawTitle();
    void openClip();
    void OnClipTimer();
    void showClipFrame(int frame);

    static int s_nTitleIntensity;
    static int s_nTitleStep;

    QLabel* m_pClip = nullptr;           // 1018
    CRichEditCtrlX* m_pRichEdit = nullptr; // 1088
    QLabel* m_pTitle = nullptr;          // 1059
    CButtonX* m_pOk = nullptr;           // IDOK
    QLabel* m_pVersion = nullptr;        // 1001
    QLabel* m_pCopyright = nullptr;      // 1007
    QLabel* m_pIcon = nullptr;           // 1004
    QGroupBox* m_pGroup = nullptr;       // 1501
    QLabel* m_pNote = nullptr;           // 1500

    QString m_strTypedKeys;
    bool m_bSwitched = false;
    bool m_bFiltering = false;

    QTimer m_titleTimer;
    QImage m_titleImage;

    QTimer m_clipTimer;
    std::vector<QImage> m_clipFrames;
    int m_nClipFrame = -1;
    int m_nClipDelay = 0;
};
