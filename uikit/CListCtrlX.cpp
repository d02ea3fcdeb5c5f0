#include "uikit/CListCtrlX.h"

#include "uikit/Profile.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

QString widthEntry(int column)
{
    return QStringLiteral("Column%1").arg(column);
}

// Row height and sort-column tint, the two things the list draws itself.
class ListDelegate : public QStyledItemDelegate {
public:
    explicit ListDelegate(CListCtrlX* list) : QStyledItemDelegate(list), m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (m_list->GetRowHeight() > 0)
            size.setHeight(m_list->GetRowHeight());
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.column() == m_list->GetColoredSortColumn() && !(option.state & QStyle::State_Selected)) {
            const QColor base = option.palette.color(QPalette::Base);
            painter->fillRect(option.rect, base.lightness() > 128 ? base.darker(106) : base.lighter(120));
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

private:
    CListCtrlX* m_list;
};

} // namespace

CListCtrlX::CListCtrlX(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setColumnCount(0);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    setItemDelegate(new ListDelegate(this));
}

int CListCtrlX::InsertColumn(int index, const QString& text, int alignment, int width)
{
    const int count = columnCount();
    index = std::clamp(index, 0, count);
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels.append(headerItem()->text(i));
    labels.insert(index, text);
    m_alignments.insert(index, alignment);

    // Existing rows keep their cells in the columns they were in.
    setColumnCount(count + 1);
    for (int row = 0; row < topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        for (int column = count; column > index; --column)
            item->setText(column, item->text(column - 1));
        item->setText(index, QString());
        applyAlignment(item);
    }
    setHeaderLabels(labels);
    for (int column = 0; column <= count; ++column)
        headerItem()->setTextAlignment(column, Qt::Alignment(alignmentOf(column)) | Qt::AlignVCenter);
    if (width >= 0)
        setColumnWidth(index, width);
    else
        resizeColumnToContents(index);
    return index;
}

int CListCtrlX::InsertItem(int row, const QString& text)
{
    row = std::clamp(row, 0, topLevelItemCount());
    auto* item = new QTreeWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setText(0, text);
    applyAlignment(item);
    insertTopLevelItem(row, item);
    return row;
}

bool CListCtrlX::SetItemText(int row, int column, const QString& text)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0 || column >= columnCount())
        return false;
    item->setText(column, text);
    return true;
}

QString CListCtrlX::GetItemText(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

bool CListCtrlX::DeleteAllItems()
{
    clear();
    return true;
}

void CListCtrlX::SetRowHeight(int height)
{
    m_nRowHeight = std::max(0, height);
    // Uniform rows cache their height: make the view ask again.
    doItemsLayout();
}

void CListCtrlX::KeepLabelLeft(bool keep)
{
    m_bKeepLabelLeft = keep;
    for (int row = 0; row < topLevelItemCount(); ++row)
        applyAlignment(topLevelItem(row));
}

void CListCtrlX::ColorSortColumn(bool color, int column)
{
    m_bColorSortColumn = color;
    m_nSortColumn = column;
    viewport()->update();
}

void CListCtrlX::LoadColumns(int count, const QList<int>& defaultWidths)
{
    const QString section = SettingsKey();
    for (int column = 0; column < count && column < columnCount(); ++column) {
        const int fallback = defaultWidths.value(column, columnWidth(column));
        const int width = uGetProfileInt(section, widthEntry(column), fallback);
        // A width of 0 hides a column for good; the saved value is not worth that.
        setColumnWidth(column, width > 0 ? width : fallback);
    }
}

void CListCtrlX::SaveColumns() const
{
    const QString section = SettingsKey();
    for (int column = 0; column < columnCount(); ++column)
        uWriteProfileInt(section, widthEntry(column), columnWidth(column));
}

bool CListCtrlX::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (index.isValid() && !IsCellEditable(index.row(), index.column()))
        return false;
    return QTreeWidget::edit(index, trigger, event);
}

int CListCtrlX::alignmentOf(int column) const
{
    if (column == 0 && m_bKeepLabelLeft)
        return Qt::AlignLeft;
    return m_alignments.value(column, Qt::AlignLeft) & Qt::AlignHorizontal_Mask;
}

void CListCtrlX::applyAlignment(QTreeWidgetItem* item) const
{
    for (int column = 0; column < columnCount(); ++column)
        item->setTextAlignment(column, Qt::Alignment(alignmentOf(column)) | Qt::AlignVCenter);
}
