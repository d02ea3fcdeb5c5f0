#include "ui/CFramesBuildDlg.h"

#include "res/DialogIcons.h"
#include "res/Resource.h"
#include "storyboard/FrameSeries.h"
#include "uikit/CButtonX.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Modal.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kDefaultSpeed = 100;
constexpr int kMaxSpeed = 60000;
constexpr int kDefaultTolerance = 20;

// The orders renderers number their angles in: the game's own, and the two
// turns round from south and from north.
constexpr const char* kDirectionOrders[] = {
    "SW,S,SE,E,NE,N,NW,W",
    "S,SW,W,NW,N,NE,E,SE",
    "N,NE,E,SE,S,SW,W,NW",
};

void paintSwatch(QPushButton* button, const QColor& colour)
{
    button->setText(colour.name(QColor::HexRgb).toUpper());
    button->setStyleSheet(QStringLiteral("background-color: %1; color: %2")
                              .arg(colour.name(), colour.lightness() > 128 ? QStringLiteral("black")
                                                                           : QStringLiteral("white")));
}

} // namespace

CFramesBuildDlg::CFramesBuildDlg(int pictureCount, bool currentPalette, QWidget* parent)
    : CDialogX(parent), m_nPictureCount(pictureCount)
{
    setObjectName(QStringLiteral("CFramesBuildDlg"));
    setWindowTitle(uLoadString(IDS_FRAMES_TITLE));

    auto* prompt = new QLabel(uFormatString(IDS_FRAMES_PROMPT, pictureCount), this);
    prompt->setWordWrap(true);

    m_comboDirections = new QComboBox(this);
    m_comboDirections->setObjectName(QStringLiteral("Directions"));
    m_comboDirections->addItem(uLoadString(IDS_LAYOUT_EIGHT_DIRECTIONS), 8);
    m_comboDirections->addItem(uLoadString(IDS_LAYOUT_ONE_DIRECTION), 1);
    m_comboDirections->setCurrentIndex(pictureCount % 8 == 0 ? 0 : 1);

    m_comboOrder = new QComboBox(this);
    m_comboOrder->setObjectName(QStringLiteral("DirectionOrder"));
    m_comboOrder->setEditable(true);
    for (const char* order : kDirectionOrders)
        m_comboOrder->addItem(QString::fromLatin1(order));

    m_spinFrames = new QSpinBox(this);
    m_spinFrames->setObjectName(QStringLiteral("Frames"));
    m_spinFrames->setRange(1, kinetra::kMaxFlcFrames);
    m_spinSpeed = new QSpinBox(this);
    m_spinSpeed->setObjectName(QStringLiteral("Speed"));
    m_spinSpeed->setRange(0, kMaxSpeed);
    m_spinSpeed->setValue(kDefaultSpeed);

    m_comboPalette = new QComboBox(this);
    m_comboPalette->setObjectName(QStringLiteral("Palette"));
    m_comboPalette->addItem(uLoadString(IDS_FRAMES_PALETTE_PICTURES), int(PaletteSource::Pictures));
    m_comboPalette->addItem(uLoadString(IDS_FRAMES_PALETTE_AUTO), int(PaletteSource::Frames));
    if (currentPalette)
        m_comboPalette->addItem(uLoadString(IDS_FRAMES_PALETTE_CURRENT), int(PaletteSource::Current));
    m_comboPalette->addItem(uLoadString(IDS_FRAMES_PALETTE_FILE), int(PaletteSource::File));
    m_editPaletteFile = new QLineEdit(this);
    m_editPaletteFile->setObjectName(QStringLiteral("PaletteFile"));
    m_btnBrowse = new QPushButton(uLoadString(IDS_PAL_BROWSE), this);
    m_btnBrowse->setObjectName(QStringLiteral("Browse"));
    auto* paletteFileRow = new QHBoxLayout;
    paletteFileRow->addWidget(m_editPaletteFile, 1);
    paletteFileRow->addWidget(m_btnBrowse);

    m_checkTeam = new QCheckBox(uLoadString(IDS_FRAMES_TEAM), this);
    m_checkTeam->setObjectName(QStringLiteral("Team"));
    m_btnTeamColour = new QPushButton(this);
    m_btnTeamColour->setObjectName(QStringLiteral("TeamColour"));
    paintSwatch(m_btnTeamColour, m_teamColour);
    m_spinTolerance = new QSpinBox(this);
    m_spinTolerance->setObjectName(QStringLiteral("Tolerance"));
    m_spinTolerance->setRange(0, 180);
    m_spinTolerance->setValue(kDefaultTolerance);
    m_spinTolerance->setSuffix(QStringLiteral("°"));
    auto* teamRow = new QHBoxLayout;
    teamRow->addWidget(m_checkTeam);
    teamRow->addWidget(m_btnTeamColour);
    teamRow->addWidget(m_spinTolerance);

    m_checkDither = new QCheckBox(uLoadString(IDS_FRAMES_DITHER), this);
    m_checkDither->setObjectName(QStringLiteral("Dither"));

    auto* form = new QFormLayout;
    form->addRow(uLoadString(IDS_LAYOUT_DIRECTIONS), m_comboDirections);
    form->addRow(uLoadString(IDS_FRAMES_ORDER), m_comboOrder);
    form->addRow(uLoadString(IDS_LAYOUT_FRAMES), m_spinFrames);
    form->addRow(uLoadString(IDS_LAYOUT_SPEED), m_spinSpeed);
    form->addRow(uLoadString(IDS_FRAMES_PALETTE), m_comboPalette);
    form->addRow(QString(), paletteFileRow);
    form->addRow(uLoadString(IDS_FRAMES_TEAM_LABEL), teamRow);
    form->addRow(QString(), m_checkDither);

    m_btnOK = new CButtonX(uLoadString(IDS_LAYOUT_OK), this);
    m_btnOK->setObjectName(QStringLiteral("OK"));
    m_btnOK->setDefault(true);
    m_btnCancel = new CButtonX(uLoadString(IDS_LAYOUT_CANCEL), this);
    m_btnCancel->setObjectName(QStringLiteral("Cancel"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_btnOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_btnCancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(form);
    layout->addWidget(buttons);

    guessFramesPerDirection();
    updateControls();
    connect(m_comboDirections, &QComboBox::currentIndexChanged, this, [this] {
        guessFramesPerDirection();
        updateControls();
    });
    connect(m_comboPalette, &QComboBox::currentIndexChanged, this, [this] { updateControls(); });
    connect(m_checkTeam, &QCheckBox::toggled, this, [this] { updateControls(); });
    connect(m_btnTeamColour, &QPushButton::clicked, this, [this] { chooseTeamColour(); });
    connect(m_btnBrowse, &QPushButton::clicked, this, [this] { browsePalette(); });
}

bool CFramesBuildDlg::OnInitDialog()
{
    m_btnOK->SetIcon(DialogIcon(DialogIconKind::Ok));
    m_btnCancel->SetIcon(DialogIcon(DialogIconKind::Cancel));
    return true;
}

void CFramesBuildDlg::guessFramesPerDirection()
{
    const int directions = m_comboDirections->currentData().toInt();
    m_spinFrames->setValue(std::max(1, m_nPictureCount / directions));
}

void CFramesBuildDlg::updateControls()
{
    m_comboOrder->setEnabled(m_comboDirections->currentData().toInt() == 8);
    const bool fromFile = Source() == PaletteSource::File;
    m_editPaletteFile->setEnabled(fromFile);
    m_btnBrowse->setEnabled(fromFile);
    m_btnTeamColour->setEnabled(m_checkTeam->isChecked());
    m_spinTolerance->setEnabled(m_checkTeam->isChecked());
}

void CFramesBuildDlg::chooseTeamColour()
{
    QColorDialog dialog(m_teamColour, this);
    dialog.setWindowTitle(uLoadString(IDS_FRAMES_TEAM_TITLE));
    if (uDoModal(dialog) != IDOK)
        return;
    m_teamColour = dialog.currentColor();
    paintSwatch(m_btnTeamColour, m_teamColour);
}

void CFramesBuildDlg::browsePalette()
{
    CFileDialogX dialog(true, QString(), QString(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                        uLoadString(IDS_STORYBOARD_PALETTE_FILTER), this);
    dialog.setWindowTitle(uLoadString(IDS_STORYBOARD_PALETTE_TITLE));
    if (!m_editPaletteFile->text().isEmpty())
        dialog.SetInitialDir(m_editPaletteFile->text());
    if (dialog.DoModal() == IDOK)
        m_editPaletteFile->setText(dialog.GetPathName());
}

CFramesBuildDlg::PaletteSource CFramesBuildDlg::Source() const
{
    return PaletteSource(m_comboPalette->currentData().toInt());
}

QString CFramesBuildDlg::PaletteFile() const
{
    return m_editPaletteFile->text();
}

bool CFramesBuildDlg::Request(kinetra::FrameSeriesRequest& request, QString& problem) const
{
    const int directions = m_comboDirections->currentData().toInt();
    request.facts.directions = directions;
    request.facts.framesPerDirection = m_spinFrames->value();
    request.facts.speed = std::uint32_t(m_spinSpeed->value());
    request.directionOrder.clear();
    if (directions == 8) {
        std::string why;
        const auto order = kinetra::parseDirectionOrder(m_comboOrder->currentText().toStdString(), why);
        if (!order) {
            problem = QString::fromStdString(why);
            return false;
        }
        request.directionOrder = *order;
    }
    switch (Source()) {
    case PaletteSource::Pictures:
        request.palette = kinetra::SeriesPalette::Pictures;
        break;
    case PaletteSource::Frames:
        request.palette = kinetra::SeriesPalette::Generated;
        break;
    case PaletteSource::Current:
    case PaletteSource::File:
        request.palette = kinetra::SeriesPalette::Given;
        break;
    }
    request.render.teamColour.reset();
    if (m_checkTeam->isChecked())
        request.render.teamColour = std::uint32_t(m_teamColour.rgb() & 0xFFFFFFu);
    request.render.teamToleranceDegrees = m_spinTolerance->value();
    request.render.dither = m_checkDither->isChecked();
    return true;
}
