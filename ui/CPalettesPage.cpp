#include "ui/CPalettesPage.h"

#include "io/SettingNames.h"
#include "res/DialogIcons.h"
#include "res/KinetraIcons.h"
#include "res/Resource.h"
#include "uikit/CButtonX.h"
#include "uikit/CEditX.h"
#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QButtonGroup>
#include <QRadioButton>

using namespace kinetra::settings;

CPalettesPage::CPalettesPage(QWidget* parent) : COptionsPage(parent)
{
    setObjectName(QStringLiteral("PalettesPage"));

    addGroup(IDC_PALETTES_GROUP, IDS_PAL_GROUP, QRect(7, 4, 216, 150));
    m_sourceGroup = new QButtonGroup(this);
    m_sourceGroup->addButton(addRadioButton(IDC_FROM_GAME, IDS_PAL_FROM_GAME, QRect(14, 18, 204, 12)), kinetra::kPaletteFromGame);
    m_sourceGroup->addButton(addRadioButton(IDC_FROM_RESOURCES, IDS_PAL_FROM_RESOURCES, QRect(14, 32, 204, 12)),
                             kinetra::kPaletteBuiltIn);
    m_sourceGroup->addButton(addRadioButton(IDC_FROM_FOLDER, IDS_PAL_FROM_FOLDER, QRect(14, 46, 204, 12)),
                             kinetra::kPaletteFromFolder);

    m_editPalDir = new CEditX(this);
    m_editPalDir->setReadOnly(true);
    addControl(IDC_PAL_DIR, m_editPalDir, QRect(24, 62, 133, 14));

    m_btnBrowse = new CButtonX(uLoadString(IDS_PAL_BROWSE), this);
    m_btnBrowse->SetIcon(KinetraIcon(QStringLiteral("open")));
    addControl(IDC_BROWSE, m_btnBrowse, QRect(159, 62, 28, 14));
    m_btnDelete = new CButtonX(uLoadString(IDS_PAL_DELETE), this);
    m_btnDelete->SetIcon(DialogIcon(DialogIconKind::Delete));
    addControl(IDC_DELETE, m_btnDelete, QRect(189, 62, 30, 14));
    for (CButtonX* button : {m_btnBrowse, m_btnDelete}) {
        // Return stays with the Options dialog's OK.
        button->setAutoDefault(false);
    }
    connect(m_btnBrowse, &QPushButton::clicked, this, &CPalettesPage::OnBrowse);
    connect(m_btnDelete, &QPushButton::clicked, this, &CPalettesPage::OnDelete);
    connect(m_sourceGroup, &QButtonGroup::idToggled, this, [this] { updateFolderButtons(); });

    growWithPage(IDC_PALETTES_GROUP);
    widenWithPage(IDC_FROM_GAME);
    widenWithPage(IDC_FROM_RESOURCES);
}

bool CPalettesPage::OnInitDialog()
{
    setPalDir(uGetProfileString(kOptions, kPalDir));
    m_nPalType = uGetProfileInt(kOptions, kPalType, kinetra::kPaletteFromGame);
    if (QAbstractButton* radio = m_sourceGroup->button(m_nPalType))
        radio->setChecked(true);
    updateFolderButtons();
    return true;
}

void CPalettesPage::setPalDir(const QString& folder)
{
    m_strPalDir = folder;
    m_editPalDir->setText(folder);
    m_editPalDir->setCursorPosition(0);
}

void CPalettesPage::updateFolderButtons()
{
    const bool fromFolder = m_sourceGroup->checkedId() == kinetra::kPaletteFromFolder;
    m_btnBrowse->setEnabled(fromFolder);
    m_btnDelete->setEnabled(fromFolder);
}

void CPalettesPage::OnBrowse()
{
    QString folder = m_strPalDir;
    if (!uBrowseFolder(this, folder, uLoadString(IDS_SELECT_PAL_DIR), 2))
        return;
    setPalDir(folder);
    emit changed();
}

void CPalettesPage::OnDelete()
{
    setPalDir(QString());
    emit changed();
}

void CPalettesPage::Apply()
{
    if (m_sourceGroup->checkedId() >= 0)
        m_nPalType = m_sourceGroup->checkedId();
    uWriteProfileInt(kOptions, kPalType, m_nPalType);
    uWriteProfileString(kOptions, kPalDir, m_strPalDir);
}

void CPalettesPage::SetDefaults()
{
    // The folder stays: choosing the folder source again finds it there.
    m_sourceGroup->button(kinetra::kPaletteFromGame)->setChecked(true);
    updateFolderButtons();
}
