#include "palette/CPaletteDlg.h"

#include "palette/CColorTable.h"
#include "res/DialogIcons.h"
#include "res/KinetraIcons.h"
#include "uikit/CButtonX.h"
#include "uikit/CEditX.h"
#include "uikit/Colour.h"
#include "uikit/Modal.h"

#include <QBoxLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>

#include <array>

namespace {

constexpr int kMaxComponent = 255;
// Swatch and edit sizes in dialog units.
constexpr QSize kSwatchSize(0, 16);
constexpr QSize kEditSize(24, 0);

QString indexText(int index)
{
    return index >= 0 ? QString::number(index) : QString();
}

// Red, green and blue of a colour reference, or nothing for no colour.
std::array<QString, 3> componentTexts(unsigned colour)
{
    if (colour == CColorTable::kNoColor)
        return {};
    const QColor rgb = uColorFromRef(colour);
    return {QString::number(rgb.red()), QString::number(rgb.green()), QString::number(rgb.blue())};
}

void paintSwatch(QFrame* swatch, unsigned colour)
{
    if (colour == CColorTable::kNoColor) {
        swatch->setAutoFillBackground(false);
        swatch->setPalette(QPalette());
        return;
    }
    QPalette colors = swatch->palette();
    colors.setColor(QPalette::Window, uColorFromRef(colour));
    swatch->setPalette(colors);
    swatch->setAutoFillBackground(true);
}

} // namespace

CPaletteDlg::CPaletteDlg(kinetra::Palette* palette, QWidget* parent) : CDialogX(parent), m_pPalette(palette)
{
    setObjectName(QStringLiteral("CPaletteDlg"));
    setWindowTitle(QStringLiteral("Palette"));
    createControls();
}

void CPaletteDlg::createControls()
{
    // The grid is made at this place when the dialog opens.
    m_pTablePlace = new QWidget(this);
    const int side = CColorTable::WindowSide(style());
    m_pTablePlace->setFixedSize(side, side);

    const auto makeSwatch = [this](const QString& name) {
        auto* swatch = new QFrame(this);
        swatch->setObjectName(name);
        swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        swatch->setMinimumHeight(MapDialogSize(kSwatchSize).height());
        return swatch;
    };
    const auto makeEdit = [this](const QString& name, bool readOnly) {
        auto* edit = new CEditX(this);
        edit->setObjectName(name);
        edit->setFixedWidth(MapDialogSize(kEditSize).width());
        edit->setReadOnly(readOnly);
        if (!readOnly) {
            edit->setMaxLength(kEditLimit);
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
            connect(edit, &QLineEdit::textEdited, this, &CPaletteDlg::OnColorEdited);
        }
        return edit;
    };
    const auto addField = [](QGridLayout* grid, int row, int column, const QString& text, CEditX* edit) {
        auto* label = new QLabel(text);
        label->setBuddy(edit);
        grid->addWidget(label, row, column);
        grid->addWidget(edit, row, column + 1);
    };

    m_pSelectedSwatch = makeSwatch(QStringLiteral("Selected Color"));
    m_editRed = makeEdit(QStringLiteral("Red"), false);
    m_editGreen = makeEdit(QStringLiteral("Green"), false);
    m_editBlue = makeEdit(QStringLiteral("Blue"), false);
    m_editSelectedIndex = makeEdit(QStringLiteral("Selected Index"), true);
    m_btnSelect = new CButtonX(QStringLiteral("&Select..."), this);
    m_btnSelect->setObjectName(QStringLiteral("Select"));
    connect(m_btnSelect, &QPushButton::clicked, this, &CPaletteDlg::OnSelect);

    auto* selectedGroup = new QGroupBox(QStringLiteral("Selected Color"), this);
    auto* selectedGrid = new QGridLayout(selectedGroup);
    selectedGrid->addWidget(m_pSelectedSwatch, 0, 0, 1, 4);
    addField(selectedGrid, 1, 0, QStringLiteral("&Red:"), m_editRed);
    addField(selectedGrid, 1, 2, QStringLiteral("&Green:"), m_editGreen);
    addField(selectedGrid, 2, 0, QStringLiteral("&Blue:"), m_editBlue);
    addField(selectedGrid, 2, 2, QStringLiteral("Index:"), m_editSelectedIndex);
    selectedGrid->addWidget(m_btnSelect, 3, 0, 1, 4, Qt::AlignRight);

    m_pCurrentSwatch = makeSwatch(QStringLiteral("Current Color"));
    m_editCurrentRed = makeEdit(QStringLiteral("Current Red"), true);
    m_editCurrentGreen = makeEdit(QStringLiteral("Current Green"), true);
    m_editCurrentBlue = makeEdit(QStringLiteral("Current Blue"), true);
    m_editCurrentIndex = makeEdit(QStringLiteral("Current Index"), true);

    auto* currentGroup = new QGroupBox(QStringLiteral("Current Color"), this);
    auto* currentGrid = new QGridLayout(currentGroup);
    currentGrid->addWidget(m_pCurrentSwatch, 0, 0, 1, 4);
    addField(currentGrid, 1, 0, QStringLiteral("Red:"), m_editCurrentRed);
    addField(currentGrid, 1, 2, QStringLiteral("Green:"), m_editCurrentGreen);
    addField(currentGrid, 2, 0, QStringLiteral("Blue:"), m_editCurrentBlue);
    addField(currentGrid, 2, 2, QStringLiteral("Index:"), m_editCurrentIndex);

    m_btnOk = new CButtonX(QStringLiteral("OK"), this);
    m_btnOk->setObjectName(QStringLiteral("OK"));
    connect(m_btnOk, &QPushButton::clicked, this, &CPaletteDlg::OnOK);
    m_btnCancel = new CButtonX(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("Cancel"));
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter is the grid's key: no button may take it as the dialog's default.
    for (CButtonX* button : {m_btnOk, m_btnSelect, m_btnCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);

    auto* sideColumn = new QVBoxLayout;
    sideColumn->addWidget(selectedGroup);
    sideColumn->addWidget(currentGroup);
    sideColumn->addStretch();
    sideColumn->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pTablePlace, 0, Qt::AlignTop);
    layout->addLayout(sideColumn);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* CPaletteDlg::GetDlgItem(int id) const
{
    switch (id) {
    case IDOK:
        return m_btnOk;
    case IDCANCEL:
        return m_btnCancel;
    case IDC_SELECTED_SWATCH:
        return m_pSelectedSwatch;
    case IDC_CURRENT_SWATCH:
        return m_pCurrentSwatch;
    case IDC_TABLE_PLACE:
        return m_pTablePlace;
    case IDC_COLOR_TABLE:
        return m_pColorTable;
    default:
        return Edit(id);
    }
}

CEditX* CPaletteDlg::Edit(int id) const
{
    switch (id) {
    case IDC_SELECTED_RED:
        return m_editRed;
    case IDC_SELECTED_GREEN:
        return m_editGreen;
    case IDC_SELECTED_BLUE:
        return m_editBlue;
    case IDC_SELECTED_INDEX:
        return m_editSelectedIndex;
    case IDC_CURRENT_RED:
        return m_editCurrentRed;
    case IDC_CURRENT_GREEN:
        return m_editCurrentGreen;
    case IDC_CURRENT_BLUE:
        return m_editCurrentBlue;
    case IDC_CURRENT_INDEX:
        return m_editCurrentIndex;
    default:
        return nullptr;
    }
}

bool CPaletteDlg::OnInitDialog()
{
    if (!m_pPalette)
        return false;

    LoadPosition(this, 0);
    setWindowIcon(KinetraIcon(QStringLiteral("palette")));
    m_btnOk->SetIcon(DialogIcon(DialogIconKind::Ok));
    m_btnCancel->SetIcon(DialogIcon(DialogIconKind::Cancel));
    m_btnSelect->SetIcon(KinetraIcon(QStringLiteral("select-color")));

    // Each run shows the palette as it is now.
    delete m_pColorTable;
    m_pColorTable = new CColorTable(this);
    const QPoint place = m_pTablePlace->pos();
    if (!m_pColorTable->Create(place.x(), place.y(), m_pPalette, this, IDC_COLOR_TABLE)) {
        delete m_pColorTable;
        m_pColorTable = nullptr;
        return false;
    }
    connect(m_pColorTable, &CColorTable::focusChanged, this, &CPaletteDlg::OnTableFocus);
    connect(m_pColorTable, &CColorTable::colorSelected, this, [this](unsigned colour, int) {
        OnTableSelect(colour);
    });
    // The grid comes first in the tab order, as it stands first.
    QWidget::setTabOrder(m_pColorTable, m_editRed);

    m_crSelected = m_pColorTable->CellColor(0);
    m_crCurrent = m_crSelected;
    paintSwatch(m_pSelectedSwatch, m_crSelected);
    paintSwatch(m_pCurrentSwatch, m_crCurrent);
    fillFields();

    // The dialog settles its own focus first; the grid takes it after.
    CColorTable* table = m_pColorTable;
    QTimer::singleShot(kFocusDelayMs, table, [table] { table->setFocus(Qt::OtherFocusReason); });
    m_bShown = true;
    return true;
}

void CPaletteDlg::OnDestroy()
{
    if (m_bShown)
        SavePosition(this);
}

void CPaletteDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // The focused control has had its turn; the dialog itself stays open.
        event->accept();
        return;
    default:
        CDialogX::keyPressEvent(event);
    }
}

void CPaletteDlg::OnTableFocus(unsigned colour)
{
    m_crCurrent = colour;
    paintSwatch(m_pCurrentSwatch, m_crCurrent);
    fillFields();
}

void CPaletteDlg::OnTableSelect(unsigned colour)
{
    m_crSelected = colour;
    // The chosen cell may be the one under the mouse, whose colour changed.
    m_crCurrent = m_pColorTable->CurrentColor();
    paintSwatch(m_pSelectedSwatch, m_crSelected);
    paintSwatch(m_pCurrentSwatch, m_crCurrent);
    fillFields();
}

void CPaletteDlg::OnColorEdited()
{
    unsigned colour = 0;
    int shift = 0;
    for (CEditX* edit : {m_editRed, m_editGreen, m_editBlue}) {
        bool ok = false;
        int value = edit->text().toInt(&ok);
        if (!ok) {
            value = 0;
            edit->setText(QStringLiteral("0"));
        } else if (value > kMaxComponent) {
            value = kMaxComponent;
            edit->setText(QString::number(kMaxComponent));
        }
        colour |= unsigned(value) << shift;
        shift += 8;
    }
    applySelectedColor(colour);
}

void CPaletteDlg::OnSelect()
{
    unsigned colour = m_crSelected;
    if (ShowColorDialog(colour, this))
        applySelectedColor(colour);
}

void CPaletteDlg::applySelectedColor(unsigned colour)
{
    // With no chosen cell the edits and Select are disabled; nothing to change.
    if (!m_pColorTable || m_pColorTable->SelectedIndex() < 0)
        return;
    m_pColorTable->SetSelectedColor(colour);
    m_crSelected = m_pColorTable->ChosenColor();
    m_crCurrent = m_pColorTable->CurrentColor();
    paintSwatch(m_pSelectedSwatch, m_crSelected);
    paintSwatch(m_pCurrentSwatch, m_crCurrent);
    fillFields();
}

void CPaletteDlg::fillFields()
{
    const std::array<QString, 3> current = componentTexts(m_crCurrent);
    m_editCurrentRed->setText(current[0]);
    m_editCurrentGreen->setText(current[1]);
    m_editCurrentBlue->setText(current[2]);
    m_editCurrentIndex->setText(indexText(m_pColorTable ? m_pColorTable->FocusedIndex() : -1));

    const int selected = m_pColorTable ? m_pColorTable->SelectedIndex() : -1;
    const std::array<QString, 3> chosen = componentTexts(selected >= 0 ? m_crSelected : CColorTable::kNoColor);
    const std::array<CEditX*, 3> edits = {m_editRed, m_editGreen, m_editBlue};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        // The edit being typed in keeps its text (and caret) while its value
        // holds: "07" stays as typed.
        bool ok = false;
        const int typed = edits[i]->text().toInt(&ok);
        if (chosen[i].isEmpty() || !ok || typed != chosen[i].toInt())
            edits[i]->setText(chosen[i]);
        edits[i]->setEnabled(selected >= 0);
    }
    m_btnSelect->setEnabled(selected >= 0);
    m_editSelectedIndex->setText(indexText(selected));
}

void CPaletteDlg::OnOK()
{
    if (m_pPalette && m_pColorTable) {
        for (int i = 0; i < CColorTable::kCellCount; ++i) {
            const QColor colour = uColorFromRef(m_pColorTable->CellColor(i));
            kinetra::PaletteEntry& entry = (*m_pPalette)[std::size_t(i)];
            entry.red = std::uint8_t(colour.red());
            entry.green = std::uint8_t(colour.green());
            entry.blue = std::uint8_t(colour.blue());
        }
    }
    accept();
}
