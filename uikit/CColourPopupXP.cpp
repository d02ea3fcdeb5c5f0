#include "uikit/CColourPopupXP.h"

#include "uikit/Colour.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kSwatch = 14;

QIcon swatchIcon(unsigned colour)
{
    QPixmap pixmap(kSwatch, kSwatch);
    pixmap.fill(uColorFromRef(colour));
    QPainter painter(&pixmap);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(0, 0, kSwatch - 1, kSwatch - 1);
    return QIcon(pixmap);
}

constexpr unsigned rgb(unsigned r, unsigned g, unsigned b)
{
    return r | (g << 8) | (b << 16);
}

} // namespace

const std::array<unsigned, CColourPopupXP::kColourCount>& CColourPopupXP::Colours()
{
    // Five rows from dark to light, each running through the hues.
    static const std::array<unsigned, kColourCount> colours = {
        rgb(0, 0, 0),       rgb(153, 51, 0),    rgb(51, 51, 0),     rgb(0, 51, 0),
        rgb(0, 51, 102),    rgb(0, 0, 128),     rgb(51, 51, 153),   rgb(51, 51, 51),
        rgb(128, 0, 0),     rgb(255, 102, 0),   rgb(128, 128, 0),   rgb(0, 128, 0),
        rgb(0, 128, 128),   rgb(0, 0, 255),     rgb(102, 102, 153), rgb(128, 128, 128),
        rgb(255, 0, 0),     rgb(255, 153, 0),   rgb(153, 204, 0),   rgb(51, 153, 102),
        rgb(51, 204, 204),  rgb(51, 102, 255),  rgb(128, 0, 128),   rgb(153, 153, 153),
        rgb(255, 0, 255),   rgb(255, 204, 0),   rgb(255, 255, 0),   rgb(0, 255, 0),
        rgb(0, 255, 255),   rgb(0, 204, 255),   rgb(153, 51, 102),  rgb(192, 192, 192),
        rgb(255, 153, 204), rgb(255, 204, 153), rgb(255, 255, 153), rgb(204, 255, 204),
        rgb(204, 255, 255), rgb(153, 204, 255), rgb(204, 153, 255), rgb(255, 255, 255),
    };
    return colours;
}

CColourPopupXP::CColourPopupXP(const QPoint& anchor, unsigned colour, QWidget* parent, const QString& defaultText,
                               const QString& customText, unsigned controlId)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_colour(colour), m_controlId(controlId)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(3, 3, 3, 3);
    column->setSpacing(2);

    const auto textEntry = [this](const QString& text) {
        auto* entry = new QToolButton(this);
        entry->setText(text);
        entry->setAutoRaise(m_bMenuXpStyle);
        entry->setToolButtonStyle(Qt::ToolButtonTextOnly);
        entry->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return entry;
    };

    if (!defaultText.isEmpty()) {
        QToolButton* entry = textEntry(defaultText);
        entry->setObjectName(QStringLiteral("defaultEntry"));
        connect(entry, &QToolButton::clicked, this, [this] { choose(kDefaultColour); });
        column->addWidget(entry);
    }

    auto* grid = new QGridLayout;
    grid->setSpacing(m_bMenuXpStyle ? 1 : 2);
    for (int i = 0; i < kColourCount; ++i)
        grid->addWidget(makeCell(Colours()[std::size_t(i)]), i / kColumns, i % kColumns);
    column->addLayout(grid);

    if (!customText.isEmpty()) {
        QToolButton* entry = textEntry(customText);
        entry->setObjectName(QStringLiteral("customEntry"));
        connect(entry, &QToolButton::clicked, this, &CColourPopupXP::chooseCustom);
        column->addWidget(entry);
    }

    adjustSize();
    // Keep the whole pop-up on the screen of the anchor.
    QPoint topLeft = anchor;
    if (const QScreen* screen = QGuiApplication::screenAt(anchor) ? QGuiApplication::screenAt(anchor)
                                                                  : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() - width() + 1)));
        topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() - height() + 1)));
    }
    move(topLeft);
    show();
}

QToolButton* CColourPopupXP::makeCell(unsigned colour)
{
    auto* cell = new QToolButton(this);
    cell->setIcon(swatchIcon(colour));
    cell->setIconSize(QSize(kSwatch, kSwatch));
    cell->setAutoRaise(m_bMenuXpStyle);
    cell->setCheckable(true);
    cell->setChecked(colour == m_colour);
    cell->setToolTip(uColorFromRef(colour).name());
    cell->setProperty("colour", colour);
    connect(cell, &QToolButton::clicked, this, [this, colour] { choose(colour); });
    return cell;
}

void CColourPopupXP::choose(unsigned colour)
{
    m_bChosen = true;
    emit colourSelected(colour, m_controlId);
    close();
}

void CColourPopupXP::chooseCustom()
{
    // A pop-up closes when another window takes the focus; leave first.
    hide();
    unsigned colour = m_colour;
    if (ShowColorDialog(colour, parentWidget())) {
        choose(colour);
        return;
    }
    close();
}

void CColourPopupXP::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CColourPopupXP::closeEvent(QCloseEvent* event)
{
    if (!m_bChosen) {
        m_bChosen = true;
        emit selectionCancelled(m_controlId);
    }
    QWidget::closeEvent(event);
}
