#include "ui/CUnitPropertiesDlg.h"

#include "res/DialogIcons.h"
#include "res/Resource.h"
#include "uikit/CButtonX.h"
#include "uikit/StringTable.h"

#include <QLabel>
#include <QSpinBox>

#include <algorithm>
#include <limits>

namespace {

// Offsets and the original size are 16-bit header fields.
constexpr int kMaxField16 = 0xFFFF;
// A box counts in int; a larger speed the file may hold shows as this, and
// stays in the file unless the user changes it.
constexpr int kMaxSpeedShown = std::numeric_limits<int>::max();

} // namespace

CUnitPropertiesDlg::CUnitPropertiesDlg(const kinetra::FlcHeader& header, QWidget* parent)
    : CDialogX(parent), m_header(header)
{
    setObjectName(QStringLiteral("CUnitPropertiesDlg"));
    setWindowTitle(uLoadString(IDS_UNIT_TITLE));

    m_speed = makeField("Speed", int(kinetra::nearestHeldSpeed(header, kMaxSpeedShown)), header.speed,
                        QRect(97, 7, 50, 14));
    AddLabel(uLoadString(IDS_UNIT_SPEED), m_speed.box, QRect(7, 7, 88, 14));
    connect(m_speed.box, &QSpinBox::editingFinished, this, &CUnitPropertiesDlg::holdSpeed);

    int bottom = 25;
    if (kinetra::holdsGameFields(header)) {
        m_left = makeField("LeftOffset", kMaxField16, header.leftOffset, QRect(97, 25, 50, 14));
        m_top = makeField("TopOffset", kMaxField16, header.topOffset, QRect(154, 25, 50, 14));
        AddLabel(uLoadString(IDS_UNIT_OFFSET), m_left.box, QRect(7, 25, 88, 14));
        m_originalWidth = makeField("OriginalWidth", kMaxField16, header.originalWidth, QRect(97, 43, 50, 14));
        m_originalHeight = makeField("OriginalHeight", kMaxField16, header.originalHeight, QRect(154, 43, 50, 14));
        AddLabel(uLoadString(IDS_UNIT_ORIGINAL), m_originalWidth.box, QRect(7, 43, 88, 14));
        bottom = 61;
    } else {
        auto* note = new QLabel(uLoadString(IDS_UNIT_PLAIN_NOTE), this);
        note->setObjectName(QStringLiteral("PlainNote"));
        note->setWordWrap(true);
        note->setGeometry(MapDialogRect(QRect(7, 25, 197, 20)));
        bottom = 49;
    }

    m_btnOK = new CButtonX(uLoadString(IDS_UNIT_OK), this);
    m_btnOK->setObjectName(QStringLiteral("OK"));
    m_btnOK->setGeometry(MapDialogRect(QRect(49, bottom + 4, 50, 14)));
    m_btnOK->setDefault(true);
    m_btnCancel = new CButtonX(uLoadString(IDS_UNIT_CANCEL), this);
    m_btnCancel->setObjectName(QStringLiteral("Cancel"));
    m_btnCancel->setGeometry(MapDialogRect(QRect(105, bottom + 4, 50, 14)));
    connect(m_btnOK, &QPushButton::clicked, this, [this] {
        holdSpeed();
        accept();
    });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(MapDialogSize(QSize(211, bottom + 25)));
}

CUnitPropertiesDlg::Field CUnitPropertiesDlg::makeField(const char* name, int maximum, std::uint32_t value,
                                                        const QRect& geometry)
{
    auto* box = new QSpinBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, maximum);
    box->setValue(int(std::min<std::uint32_t>(value, std::uint32_t(maximum))));
    box->setGeometry(MapDialogRect(geometry));
    return Field{box, box->value()};
}

bool CUnitPropertiesDlg::OnInitDialog()
{
    m_btnOK->SetIcon(DialogIcon(DialogIconKind::Ok));
    m_btnCancel->SetIcon(DialogIcon(DialogIconKind::Cancel));
    return true;
}

void CUnitPropertiesDlg::holdSpeed()
{
    m_speed.box->setValue(int(kinetra::nearestHeldSpeed(m_header, std::uint32_t(m_speed.box->value()))));
}

std::optional<int> CUnitPropertiesDlg::changed(const Field& field)
{
    if (!field.box || field.box->value() == field.shown)
        return std::nullopt;
    return field.box->value();
}

kinetra::HeaderEdits CUnitPropertiesDlg::Edits() const
{
    const auto field16 = [](const Field& field) -> std::optional<std::uint16_t> {
        const auto value = changed(field);
        return value ? std::optional(std::uint16_t(*value)) : std::nullopt;
    };
    const auto speed = changed(m_speed);
    return kinetra::HeaderEdits{.speed = speed ? std::optional(std::uint32_t(*speed)) : std::nullopt,
                                .leftOffset = field16(m_left),
                                .topOffset = field16(m_top),
                                .originalWidth = field16(m_originalWidth),
                                .originalHeight = field16(m_originalHeight)};
}
