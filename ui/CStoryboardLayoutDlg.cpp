#include "ui/CStoryboardLayoutDlg.h"

#include "res/DialogIcons.h"
#include "res/Resource.h"
#include "uikit/CButtonX.h"
#include "uikit/StringTable.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

namespace {

// Ten frames a second until the user says otherwise.
constexpr int kDefaultSpeed = 100;
constexpr int kMaxSpeed = 60000;

QLabel* makeLabel(unsigned textId, QWidget* buddy, const QRect& geometry, CDialogX* dialog)
{
    auto* label = new QLabel(uLoadString(textId), dialog);
    label->setGeometry(dialog->MapDialogRect(geometry));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CStoryboardLayoutDlg::CStoryboardLayoutDlg(int sheetWidth, int sheetHeight, QWidget* parent)
    : CDialogX(parent), m_nSheetWidth(sheetWidth), m_nSheetHeight(sheetHeight)
{
    setObjectName(QStringLiteral("CStoryboardLayoutDlg"));
    setWindowTitle(uLoadString(IDS_LAYOUT_TITLE));

    auto* prompt = new QLabel(uFormatString(IDS_LAYOUT_PROMPT, sheetWidth, sheetHeight), this);
    prompt->setWordWrap(true);
    prompt->setGeometry(MapDialogRect(QRect(7, 7, 203, 20)));

    m_comboDirections = new QComboBox(this);
    m_comboDirections->setObjectName(QStringLiteral("Directions"));
    m_comboDirections->addItem(uLoadString(IDS_LAYOUT_EIGHT_DIRECTIONS), 8);
    m_comboDirections->addItem(uLoadString(IDS_LAYOUT_ONE_DIRECTION), 1);
    m_comboDirections->setGeometry(MapDialogRect(QRect(90, 31, 120, 14)));
    makeLabel(IDS_LAYOUT_DIRECTIONS, m_comboDirections, QRect(7, 31, 80, 14), this);

    m_spinFrames = new QSpinBox(this);
    m_spinFrames->setObjectName(QStringLiteral("Frames"));
    m_spinFrames->setRange(1, kinetra::kMaxFlcFrames);
    m_spinFrames->setGeometry(MapDialogRect(QRect(90, 49, 50, 14)));
    makeLabel(IDS_LAYOUT_FRAMES, m_spinFrames, QRect(7, 49, 80, 14), this);

    m_spinSpeed = new QSpinBox(this);
    m_spinSpeed->setObjectName(QStringLiteral("Speed"));
    m_spinSpeed->setRange(0, kMaxSpeed);
    m_spinSpeed->setValue(kDefaultSpeed);
    m_spinSpeed->setGeometry(MapDialogRect(QRect(90, 67, 50, 14)));
    makeLabel(IDS_LAYOUT_SPEED, m_spinSpeed, QRect(7, 67, 80, 14), this);

    m_btnOK = new CButtonX(uLoadString(IDS_LAYOUT_OK), this);
    m_btnOK->setObjectName(QStringLiteral("OK"));
    m_btnOK->setGeometry(MapDialogRect(QRect(52, 88, 50, 14)));
    m_btnOK->setDefault(true);
    m_btnCancel = new CButtonX(uLoadString(IDS_LAYOUT_CANCEL), this);
    m_btnCancel->setObjectName(QStringLiteral("Cancel"));
    m_btnCancel->setGeometry(MapDialogRect(QRect(108, 88, 50, 14)));
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(MapDialogSize(QSize(217, 109)));

    // Eight rows only where the height can hold them.
    m_comboDirections->setCurrentIndex(sheetHeight >= 8 && sheetHeight % 8 == 0 ? 0 : 1);
    guessFramesPerDirection();
    connect(m_comboDirections, &QComboBox::currentIndexChanged, this, [this] { guessFramesPerDirection(); });
}

bool CStoryboardLayoutDlg::OnInitDialog()
{
    m_btnOK->SetIcon(DialogIcon(DialogIconKind::Ok));
    m_btnCancel->SetIcon(DialogIcon(DialogIconKind::Cancel));
    return true;
}

void CStoryboardLayoutDlg::guessFramesPerDirection()
{
    const int frameHeight = m_nSheetHeight / m_comboDirections->currentData().toInt();
    const bool square = frameHeight > 0 && m_nSheetWidth % frameHeight == 0;
    m_spinFrames->setValue(square ? m_nSheetWidth / frameHeight : 1);
}

kinetra::StoryboardFacts CStoryboardLayoutDlg::Facts() const
{
    kinetra::StoryboardFacts facts;
    facts.directions = m_comboDirections->currentData().toInt();
    facts.framesPerDirection = m_spinFrames->value();
    facts.speed = std::uint32_t(m_spinSpeed->value());
    return facts;
}
