#include "ui/CFlcInfoDlg.h"

#include "imaging/CFlcPlayer.h"
#include "res/DialogIcons.h"
#include "res/KinetraIcons.h"
#include "res/Resource.h"
#include "uikit/CButtonX.h"
#include "uikit/CEditX.h"
#include "uikit/Paths.h"
#include "uikit/StringTable.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int kRowHeight = 18;
const QList<int> kDefaultWidths = {150, 100};

} // namespace

CFlcInfoDlg::CFlcInfoDlg(const CFlcPlayer* player, QWidget* parent) : CDialogX(parent), m_pPlayer(player)
{
    setObjectName(QStringLiteral("CFlcInfoDlg"));
    setWindowTitle(uLoadString(IDS_FLCINFO_TITLE));
    setSizeGripEnabled(true);

    auto* label = new QLabel(uLoadString(IDS_FLCINFO_FILE_PATH), this);
    label->setGeometry(MapDialogRect(QRect(7, 7, 34, 14)));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_editPath = new CEditX(this);
    m_editPath->setObjectName(QStringLiteral("Path"));
    m_editPath->setReadOnly(true);
    m_editPath->setGeometry(MapDialogRect(QRect(45, 7, 164, 14)));
    label->setBuddy(m_editPath);

    m_listInfo = new CFlcInfoList(this);
    m_listInfo->setObjectName(QStringLiteral("Info"));
    // Tall enough for every row under the header, whatever the font: in
    // dialog units alone a desktop font with short lines cut the list off.
    QRect listRect = MapDialogRect(QRect(7, 25, 202, 70));
    const QFontMetrics headerMetrics(m_listInfo->header()->font());
    const int headerHeight = headerMetrics.height() + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 4;
    const int rowsHeight = kRowCount * kRowHeight + headerHeight + 2 * m_listInfo->frameWidth() + kRowHeight / 2;
    listRect.setHeight(std::max(listRect.height(), rowsHeight));
    m_listInfo->setGeometry(listRect);

    m_btnExit = new CButtonX(uLoadString(IDS_FLCINFO_EXIT), this);
    m_btnExit->setObjectName(QStringLiteral("Exit"));
    QRect exitRect = MapDialogRect(QRect(78, 101, 60, 14));
    exitRect.moveTop(listRect.bottom() + 1 + MapDialogSize(QSize(0, 6)).height());
    m_btnExit->setGeometry(exitRect);
    m_btnExit->setDefault(true);
    connect(m_btnExit, &QPushButton::clicked, this, &QDialog::accept);

    const QSize size(MapDialogSize(QSize(216, 0)).width(), exitRect.bottom() + 1 + MapDialogSize(QSize(0, 7)).height());
    resize(size);
    // Below its drawn size the controls would run into each other.
    setMinimumSize(size);

    SetControlInfo(m_editPath, CI_WIDEN, 1, 1, 1, 1);
    SetControlInfo(m_listInfo, CI_WIDEN | CI_HEIGHTEN, 1, 1, 1, 1);
    SetControlInfo(m_btnExit, CI_MOVE_RIGHT | CI_MOVE_DOWN, 2, 1, 1, 1);
}

bool CFlcInfoDlg::OnInitDialog()
{
    if (!m_pPlayer || !m_pPlayer->loaded)
        return false;

    setWindowIcon(KinetraIcon(QStringLiteral("info")));
    LoadPosition(this, 0);
    m_strPath = QString::fromStdString(m_pPlayer->path);
    DoDataExchange();
    m_btnExit->SetIcon(DialogIcon(DialogIconKind::Ok));

    m_listInfo->ColorSortColumn(true);
    m_listInfo->KeepLabelLeft(true);
    m_listInfo->SetRowHeight(kRowHeight);
    // A second modal run of the same dialog finds its columns in place.
    if (m_listInfo->columnCount() == 0) {
        m_listInfo->InsertColumn(0, uLoadString(IDS_FLCINFO_PROPERTY), Qt::AlignLeft, kDefaultWidths[0]);
        m_listInfo->InsertColumn(1, uLoadString(IDS_FLCINFO_VALUE), Qt::AlignLeft, kDefaultWidths[1]);
    }
    m_listInfo->LoadColumns(2, kDefaultWidths);
    m_listInfo->DeleteAllItems();
    fillList();
    m_bShown = true;
    return true;
}

void CFlcInfoDlg::DoDataExchange()
{
    m_editPath->setText(m_strPath);
    // A long path shows its start, where the folders begin.
    m_editPath->setCursorPosition(0);
}

void CFlcInfoDlg::fillList()
{
    const kinetra::FlcHeader& header = m_pPlayer->header;
    // The header's fields keep their own types: frames, width and height
    // are signed, the game's extension unsigned.
    const QString values[kRowCount] = {
        CFileX::GetFileName(m_strPath),
        uInt2Str(header.size),
        uInt2Str(header.frames),
        uInt2Str(header.width),
        uInt2Str(header.height),
        uInt2Str(header.speed),
        uInt2Str(header.directions),
        uInt2Str(header.framesPerDirection),
        uInt2Str(header.animationTime),
        uInt2Str(header.originalWidth),
        uInt2Str(header.originalHeight),
        uInt2Str(header.leftOffset),
        uInt2Str(header.topOffset),
    };
    for (int row = 0; row < kRowCount; ++row) {
        m_listInfo->InsertItem(row, uLoadString(IDS_FLCINFO_ROW_FIRST + unsigned(row)));
        m_listInfo->SetItemText(row, 1, values[row]);
    }
}

void CFlcInfoDlg::OnDestroy()
{
    if (!m_bShown)
        return;
    m_listInfo->SaveColumns();
    SavePosition(this);
}
