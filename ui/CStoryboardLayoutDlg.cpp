#include "ui/CStoryboardLayoutDlg.h"

#include "res/DialogIcons.h"
#include "res/Resource.h"
#include "uikit/CButtonX.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include <optional>

namespace {

// Ten frames a second until the user says otherwise.
constexpr int kDefaultSpeed = 100;
constexpr int kMaxSpeed = 60000;
// Offsets and the original size are 16-bit header fields.
constexpr int kMaxField16 = 0xFFFF;
// The offset box's value that stands for "centred", below every offset.
constexpr int kCentred = -1;

std::optional<int> offsetOf(const QSpinBox* box)
{
    return box->value() == kCentred ? std::nullopt : std::optional(box->value());
}

} // namespace

CStoryboardLayoutDlg::CStoryboardLayoutDlg(int sheetWidth, int sheetHeight, QWidget* parent)
    : CDialogX(parent), m_nSheetWidth(sheetWidth), m_nSheetHeight(sheetHeight)
{
    setObjectName(QStringLiteral("CStoryboardLayoutDlg"));
    setWindowTitle(uLoadString(IDS_LAYOUT_TITLE));

    auto* prompt = new QLabel(uFormatString(IDS_LAYOUT_PROMPT, sheetWidth, sheetHeight), this);
    prompt->setWordWrap(true);
    prompt->setGeometry(MapDialogRect(QRect(7, 7, 223, 20)));

    m_comboDirections = new QComboBox(this);
    m_comboDirections->setObjectName(QStringLiteral("Directions"));
    m_comboDirections->addItem(uLoadString(IDS_LAYOUT_EIGHT_DIRECTIONS), 8);
    m_comboDirections->addItem(uLoadString(IDS_LAYOUT_ONE_DIRECTION), 1);
    m_comboDirections->setGeometry(MapDialogRect(QRect(97, 31, 133, 14)));
    AddLabel(uLoadString(IDS_LAYOUT_DIRECTIONS), m_comboDirections, QRect(7, 31, 88, 14));

    m_spinFrames = makeNumberBox("Frames", 1, 1, QRect(97, 49, 50, 14));
    m_spinFrames->setMaximum(kinetra::kMaxFlcFrames);
    AddLabel(uLoadString(IDS_LAYOUT_FRAMES), m_spinFrames, QRect(7, 49, 88, 14));

    m_spinSpeed = makeNumberBox("Speed", 0, kDefaultSpeed, QRect(97, 67, 50, 14));
    m_spinSpeed->setMaximum(kMaxSpeed);
    AddLabel(uLoadString(IDS_LAYOUT_SPEED), m_spinSpeed, QRect(7, 67, 88, 14));

    m_spinLeft = makeNumberBox("LeftOffset", kCentred, kCentred, QRect(97, 85, 50, 14));
    m_spinTop = makeNumberBox("TopOffset", kCentred, kCentred, QRect(154, 85, 50, 14));
    for (QSpinBox* offset : {m_spinLeft, m_spinTop})
        offset->setSpecialValueText(uLoadString(IDS_LAYOUT_CENTRED));
    AddLabel(uLoadString(IDS_LAYOUT_OFFSET), m_spinLeft, QRect(7, 85, 88, 14));

    m_spinOriginalWidth = makeNumberBox("OriginalWidth", 0, kinetra::kUnitPictureSize, QRect(97, 103, 50, 14));
    m_spinOriginalHeight = makeNumberBox("OriginalHeight", 0, kinetra::kUnitPictureSize, QRect(154, 103, 50, 14));
    AddLabel(uLoadString(IDS_LAYOUT_ORIGINAL), m_spinOriginalWidth, QRect(7, 103, 88, 14));

    m_checkBorder = new QCheckBox(uLoadString(IDS_STORYBOARD_BORDER), this);
    m_checkBorder->setObjectName(QStringLiteral("Border"));
    m_checkBorder->setGeometry(MapDialogRect(QRect(7, 121, 223, 14)));
    m_spinBorderIndex = makeNumberBox("BorderIndex", 0, 0, QRect(97, 139, 50, 14));
    m_spinBorderIndex->setMaximum(255);
    m_spinBorderIndex->setEnabled(false);
    AddLabel(uLoadString(IDS_STORYBOARD_BORDER_INDEX), m_spinBorderIndex, QRect(17, 139, 78, 14));

    m_btnOK = new CButtonX(uLoadString(IDS_LAYOUT_OK), this);
    m_btnOK->setObjectName(QStringLiteral("OK"));
    m_btnOK->setGeometry(MapDialogRect(QRect(63, 160, 50, 14)));
    m_btnOK->setDefault(true);
    m_btnCancel = new CButtonX(uLoadString(IDS_LAYOUT_CANCEL), this);
    m_btnCancel->setObjectName(QStringLiteral("Cancel"));
    m_btnCancel->setGeometry(MapDialogRect(QRect(119, 160, 50, 14)));
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(MapDialogSize(QSize(237, 181)));

    // Eight rows only where the height can hold them.
    m_comboDirections->setCurrentIndex(sheetHeight >= 8 && sheetHeight % 8 == 0 ? 0 : 1);
    guessFramesPerDirection();
    connect(m_comboDirections, &QComboBox::currentIndexChanged, this, [this] { guessFramesPerDirection(); });
    connect(m_checkBorder, &QCheckBox::toggled, this, [this](bool on) {
        m_spinBorderIndex->setEnabled(on);
        guessFramesPerDirection();
    });
}

QSpinBox* CStoryboardLayoutDlg::makeNumberBox(const char* name, int minimum, int value, const QRect& geometry)
{
    auto* box = new QSpinBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, kMaxField16);
    box->setValue(value);
    box->setGeometry(MapDialogRect(geometry));
    return box;
}

bool CStoryboardLayoutDlg::OnInitDialog()
{
    m_btnOK->SetIcon(DialogIcon(DialogIconKind::Ok));
    m_btnCancel->SetIcon(DialogIcon(DialogIconKind::Cancel));
    return true;
}

void CStoryboardLayoutDlg::guessFramesPerDirection()
{
    const bool grid = m_checkBorder->isChecked();
    const int frameHeight = kinetra::storyboardCellSize(m_nSheetHeight, m_comboDirections->currentData().toInt(), grid);
    const int across = grid ? m_nSheetWidth - 1 : m_nSheetWidth;
    const int cell = grid ? frameHeight + 1 : frameHeight;
    const bool square = frameHeight > 0 && across > 0 && across % cell == 0;
    m_spinFrames->setValue(square ? across / cell : 1);
}

kinetra::StoryboardFacts CStoryboardLayoutDlg::Facts() const
{
    kinetra::StoryboardFacts facts;
    facts.directions = m_comboDirections->currentData().toInt();
    facts.framesPerDirection = m_spinFrames->value();
    facts.speed = std::uint32_t(m_spinSpeed->value());
    facts.leftOffset = offsetOf(m_spinLeft);
    facts.topOffset = offsetOf(m_spinTop);
    facts.originalWidth = m_spinOriginalWidth->value();
    facts.originalHeight = m_spinOriginalHeight->value();
    if (m_checkBorder->isChecked())
        facts.border = m_spinBorderIndex->value();
    return facts;
}
