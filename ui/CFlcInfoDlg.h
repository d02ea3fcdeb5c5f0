#pragma once

#include "io/SettingNames.h"
#include "uikit/CDialogX.h"
#include "uikit/CFramePosition.h"
#include "uikit/CListCtrlX.h"

class CButtonX;
class CEditX;
class CFlcPlayer;

// The information list: read-only cells, column widths under "Dlg FlcInfo".
class CFlcInfoList : public CListCtrlX {
    Q_OBJECT

public:
    using CListCtrlX::CListCtrlX;

    QString SettingsKey() const override { return kinetra::settings::kDlgFlcInfo; }
    bool IsCellEditable(int row, int column) const override
    {
        (void)row;
        (void)column;
        return false;
    }
};

// The loaded file's path and header values as a property list. It reads
// the animation and changes nothing; its placement stays under the kit's
// default section.
class CFlcInfoDlg : public CDialogX, public CFramePosition {
    Q_OBJECT

public:
    enum : int {
        IDD = 146,
        IDC_FLC_PATH = 1040,
        IDC_FLC_LIST = 1343,
    };
    static constexpr int kRowCount = 13;

    // Without a player, or with nothing loaded, the dialog ends as soon as
    // it is shown, with IDCANCEL.
    explicit CFlcInfoDlg(const CFlcPlayer* player, QWidget* parent = nullptr);

    CEditX* PathEdit() const { return m_editPath; }
    CFlcInfoList* List() const { return m_listInfo; }
    CButtonX* ExitButton() const { return m_btnExit; }

protected:
    bool OnInitDialog() override;
    void OnDestroy() override;

private:
    // The controls show the path string.
    void DoDataExchange();
    void fillList();

    const CFlcPlayer* m_pPlayer;
    QString m_strPath;
    CEditX* m_editPath = nullptr;
    CFlcInfoList* m_listInfo = nullptr;
    CButtonX* m_btnExit = nullptr;
    // Only a dialog that showed something has widths and a place to keep.
    bool m_bShown = false;
};
