#include "app/CCivColorCombo.h"

#include "palette/CivPalettes.h"
#include "uikit/Colour.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include <cstdio>

namespace {

constexpr unsigned rgb(unsigned r, unsigned g, unsigned b)
{
    return r | (g << 8) | (b << 16);
}

constexpr int kSwatchWidth = 50;
// The name starts this far right of the swatch's end.
constexpr int kNameGap = 10;

// The list's rows go through the combo's own drawing.
class CivColorDelegate : public QStyledItemDelegate {
public:
    explicit CivColorDelegate(CCivColorCombo* combo) : QStyledItemDelegate(combo), m_combo(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        m_combo->DrawItem(*painter, option.rect, index.row(), option.state);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(option.rect.width(), m_combo->MeasureItem(index.row()));
    }

private:
    CCivColorCombo* m_combo;
};

} // namespace

std::array<CCivColorCombo::Entry, CCivColorCombo::kEntryCount> CCivColorCombo::civColorTable = [] {
    std::array<Entry, kEntryCount> table{};
    table[0] = {rgb(0, 0, 0), "Default"};
    for (int n = 1; n < kEntryCount; ++n) {
        const kinetra::PaletteEntry civ = kinetra::kCivColors[std::size_t(n - 1)];
        Entry& entry = table[std::size_t(n)];
        entry.color = rgb(civ.red, civ.green, civ.blue);
        std::snprintf(entry.name, sizeof entry.name, "Civ Color %d", n);
    }
    return table;
}();

CCivColorCombo::CCivColorCombo(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new CivColorDelegate(this));
    // Eleven rows, then the list scrolls.
    setMaxVisibleItems(11);
}

void CCivColorCombo::FillItems()
{
    clear();
    for (const Entry& entry : civColorTable) {
        const QString name = QString::fromLatin1(entry.name);
        addItem(name, name);
    }
    setCurrentIndex(0);
}

void CCivColorCombo::SetItemColor(int index, unsigned color)
{
    if (index < 0 || index >= kEntryCount)
        return;
    civColorTable[std::size_t(index)].color = color;
    update();
    view()->viewport()->update();
}

unsigned CCivColorCombo::ItemColor(int index)
{
    if (index < 0 || index >= kEntryCount)
        return 0;
    return civColorTable[std::size_t(index)].color;
}

int CCivColorCombo::MeasureItem(int index) const
{
    (void)index;
    return fontMetrics().height();
}

void CCivColorCombo::DrawItem(QPainter& painter, const QRect& rect, int index, QStyle::State state) const
{
    if (index < 0 || index >= count())
        return;
    const bool selected = state & QStyle::State_Selected;
    const bool enabled = state & QStyle::State_Enabled;
    const QPalette& colors = palette();

    painter.save();
    painter.fillRect(rect, colors.color(selected ? QPalette::Highlight : QPalette::Base));
    const QRect work = rect.adjusted(1, 0, -1, 0);
    const int textFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    const QString name = itemText(index);
    const QFontMetrics metrics = fontMetrics();
    painter.setFont(font());

    if (!enabled) {
        painter.setPen(colors.color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(work, textFlags, metrics.elidedText(name, Qt::ElideRight, work.width()));
        painter.restore();
        return;
    }

    QRect swatch = work.adjusted(5, 2, -5, -2);
    swatch.setWidth(kSwatchWidth);
    const unsigned color = index < kEntryCount ? civColorTable[std::size_t(index)].color : 0;
    painter.fillRect(swatch, uColorFromRef(color));
    painter.setPen(QColor(0, 0, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));

    const QRect text = work.adjusted(kSwatchWidth + kNameGap, -1, 0, 1);
    painter.setPen(colors.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(text, textFlags, metrics.elidedText(name, Qt::ElideRight, text.width()));
    painter.restore();
}

void CCivColorCombo::paintEvent(QPaintEvent* event)
{
    (void)event;
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The frame and the arrow from the style; the entry is drawn as in the list.
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);

    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    QStyle::State state = isEnabled() ? QStyle::State_Enabled : QStyle::State_None;
    if (hasFocus())
        state |= QStyle::State_Selected;
    DrawItem(painter, field, currentIndex(), state);
}
