#pragma once

#include "io/SettingNames.h"
#include "uikit/CDialogX.h"
#include "uikit/CFramePosition.h"

#include <array>

class CButtonX;
class CDocumentPage;
class COptionsPage;
class CPalettesPage;
class CViewPage;
class QTabWidget;

// The program's settings on three tabbed pages. Apply writes every page,
// then the application and the main frame read the settings again.
class COptionsDlg : public CDialogX, public CFramePosition {
    Q_OBJECT

public:
    enum : int {
        IDD = 112,
        IDC_DEFAULT = 1048,
        IDC_TAB = 1204,
        IDC_APPLY = 1244,
    };
    // The laid-out size in dialog units; fonts with wider texts widen it.
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 194;
    enum : int { kDocumentTab = 0, kViewTab = 1, kFlcTab = 2, kTabCount = 3 };

    explicit COptionsDlg(QWidget* parent = nullptr);
    ~COptionsDlg() override;

    QString RegKey() const override { return kinetra::settings::kDlgOptions; }

    void OnApply();
    // Asks first; only Yes puts the defaults in and applies them.
    void OnDefault();
    // Apply, then close.
    void OnOK();

    QTabWidget* TabCtrl() const { return m_tabCtrl; }
    CButtonX* OkButton() const { return m_btnOK; }
    CButtonX* ApplyButton() const { return m_btnApply; }
    CButtonX* DefaultButton() const { return m_btnDefault; }
    CButtonX* CancelButton() const { return m_btnCancel; }
    // The pages exist once the dialog has been shown.
    CDocumentPage* DocumentPage() const { return m_pDocumentPage; }
    CViewPage* ViewPage() const { return m_pViewPage; }
    CPalettesPage* PalettesPage() const { return m_pPalettesPage; }

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;

private:
    void createPages();
    // Below the size that shows every page whole the dialog cannot shrink.
    void fitToPages();
    std::array<COptionsPage*, kTabCount> pages() const;

    QTabWidget* m_tabCtrl = nullptr;
    CButtonX* m_btnOK = nullptr;
    CButtonX* m_btnApply = nullptr;
    CButtonX* m_btnDefault = nullptr;
    CButtonX* m_btnCancel = nullptr;
    CDocumentPage* m_pDocumentPage = nullptr;
    CViewPage* m_pViewPage = nullptr;
    CPalettesPage* m_pPalettesPage = nullptr;
    // Only a dialog that opened has a tab and a place to keep.
    bool m_bOpened = false;
};
