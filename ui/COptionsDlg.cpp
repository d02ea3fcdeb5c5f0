#include "ui/COptionsDlg.h"

#include "app/CKinetraApp.h"
#include "io/SettingNames.h"
#include "res/DialogIcons.h"
#include "res/KinetraIcons.h"
#include "res/Resource.h"
#include "ui/CDocumentPage.h"
#include "ui/CMainFrame.h"
#include "ui/CPalettesPage.h"
#include "ui/CViewPage.h"
#include "uikit/CButtonX.h"
#include "uikit/Modal.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QApplication>
#include <QTabWidget>

#include <algorithm>

using kinetra::settings::kCurTab;

namespace {

// The program's main window: the application's frame, or, where a frame
// was made without the start-up sequence, the one among the windows.
CMainFrame* mainFrame()
{
    if (CKinetraApp* app = theApp(); app && app->GetMainFrame())
        return app->GetMainFrame();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<CMainFrame*>(window))
            return frame;
    return nullptr;
}

} // namespace

COptionsDlg::COptionsDlg(QWidget* parent) : CDialogX(parent)
{
    setObjectName(QStringLiteral("COptionsDlg"));
    setWindowTitle(uLoadString(IDS_OPTIONS_TITLE));
    setSizeGripEnabled(true);

    m_tabCtrl = new QTabWidget(this);
    m_tabCtrl->setObjectName(QString::number(IDC_TAB));
    m_tabCtrl->setIconSize(QSize(16, 16));
    m_tabCtrl->setGeometry(MapDialogRect(QRect(7, 7, 236, 162)));

    m_btnOK = new CButtonX(uLoadString(IDS_OPTIONS_OK), this);
    m_btnApply = new CButtonX(uLoadString(IDS_OPTIONS_APPLY), this);
    m_btnDefault = new CButtonX(uLoadString(IDS_OPTIONS_DEFAULT), this);
    m_btnCancel = new CButtonX(uLoadString(IDS_OPTIONS_CANCEL), this);
    const std::pair<CButtonX*, int> buttons[] = {
        {m_btnOK, IDOK}, {m_btnApply, IDC_APPLY}, {m_btnDefault, IDC_DEFAULT}, {m_btnCancel, IDCANCEL}};
    int left = 7;
    for (const auto& [button, id] : buttons) {
        button->setObjectName(QString::number(id));
        button->setGeometry(MapDialogRect(QRect(left, 174, 56, 14)));
        left += 60;
    }
    m_btnOK->setDefault(true);
    m_btnApply->setEnabled(false);
    connect(m_btnOK, &QPushButton::clicked, this, &COptionsDlg::OnOK);
    connect(m_btnApply, &QPushButton::clicked, this, &COptionsDlg::OnApply);
    connect(m_btnDefault, &QPushButton::clicked, this, &COptionsDlg::OnDefault);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    resize(MapDialogSize(QSize(kWidth, kHeight)));

    // The four buttons share the width that the dialog gains.
    SetControlInfo(m_tabCtrl, CI_WIDEN | CI_HEIGHTEN, 1, 1, 1, 1);
    SetControlInfo(m_btnOK, CI_MOVE_DOWN | CI_WIDEN, 4, 1, 1, 1);
    SetControlInfo(m_btnApply, CI_MOVE_RIGHT | CI_MOVE_DOWN | CI_WIDEN, 4, 1, 1, 1);
    SetControlInfo(m_btnDefault, CI_MOVE_RIGHT | CI_MOVE_DOWN | CI_WIDEN, 4, 2, 1, 1);
    SetControlInfo(m_btnCancel, CI_MOVE_RIGHT | CI_MOVE_DOWN | CI_WIDEN, 4, 3, 1, 1);
}

COptionsDlg::~COptionsDlg() = default;

bool COptionsDlg::OnInitDialog()
{
    if (!theApp() || !mainFrame())
        return false;

    LoadPosition(this, 0);
    m_btnOK->SetIcon(DialogIcon(DialogIconKind::Ok));
    m_btnApply->SetIcon(DialogIcon(DialogIconKind::Apply));
    m_btnDefault->SetIcon(DialogIcon(DialogIconKind::Default));
    m_btnCancel->SetIcon(DialogIcon(DialogIconKind::Cancel));
    setWindowIcon(KinetraIcon(QStringLiteral("options")));

    createPages();
    fitToPages();
    int tab = uGetProfileInt(RegKey(), kCurTab, kDocumentTab);
    if (tab < 0 || tab >= kTabCount)
        tab = kDocumentTab;
    m_tabCtrl->setCurrentIndex(tab);

    m_btnApply->setEnabled(false);
    m_bOpened = true;
    return true;
}

void COptionsDlg::createPages()
{
    // A second modal run starts from fresh pages.
    m_tabCtrl->clear();
    for (COptionsPage* page : pages())
        delete page;
    m_pDocumentPage = new CDocumentPage(this);
    m_pViewPage = new CViewPage(this);
    m_pPalettesPage = new CPalettesPage(this);

    // Each page opens once at the size it was laid out for, so that its
    // controls grow from there when the tab fits it to its display area.
    for (COptionsPage* page : pages()) {
        page->show();
        connect(page, &COptionsPage::changed, this, [this] { m_btnApply->setEnabled(true); });
    }
    m_tabCtrl->addTab(m_pDocumentPage, DialogIcon(DialogIconKind::TabDocument),
                      uLoadString(IDS_OPTIONS_TAB_DOCUMENT));
    m_tabCtrl->addTab(m_pViewPage, DialogIcon(DialogIconKind::TabView), uLoadString(IDS_OPTIONS_TAB_VIEW));
    m_tabCtrl->addTab(m_pPalettesPage, DialogIcon(DialogIconKind::TabFlc), uLoadString(IDS_OPTIONS_TAB_FLC));
}

void COptionsDlg::fitToPages()
{
    // The tab's display area must hold every page at its laid-out size (and
    // a font's wider texts); the tab grows one for one with the dialog.
    const QSize around = size() - m_tabCtrl->size();
    const QSize minimum = (around + m_tabCtrl->sizeHint()).expandedTo(MapDialogSize(QSize(kWidth, kHeight)));
    setMinimumSize(minimum);
    resize(size().expandedTo(minimum));
}

std::array<COptionsPage*, COptionsDlg::kTabCount> COptionsDlg::pages() const
{
    return {m_pDocumentPage, m_pViewPage, m_pPalettesPage};
}

void COptionsDlg::OnApply()
{
    for (COptionsPage* page : pages())
        if (page)
            page->Apply();
    // The recent-files list takes its new length, the bars, the colour
    // pop-up and the view's controls follow what was written.
    if (CKinetraApp* app = theApp())
        app->LoadSettings();
    if (CMainFrame* frame = mainFrame())
        frame->ReloadSettings();
    m_btnApply->setEnabled(false);
}

void COptionsDlg::OnDefault()
{
    if (uMessageBox(uLoadString(IDS_ASK_SET_DEFAULTS), MB_YESNOCANCEL | MB_ICONQUESTION, this) != IDYES)
        return;
    for (COptionsPage* page : pages())
        if (page)
            page->SetDefaults();
    OnApply();
}

void COptionsDlg::OnOK()
{
    OnApply();
    accept();
}

void COptionsDlg::OnDestroy()
{
    if (!m_bOpened)
        return;
    int tab = m_tabCtrl->currentIndex();
    if (tab < 0 || tab >= kTabCount)
        tab = kDocumentTab;
    uWriteProfileInt(RegKey(), kCurTab, tab);
    SavePosition(this);
}
