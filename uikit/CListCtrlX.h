#pragma once

#include <QList>
#include <QTreeWidget>

// A report-style list: columns with headers, rows of text cells, column
// widths kept in the profile under the section SettingsKey names.
class CListCtrlX : public QTreeWidget {
    Q_OBJECT

public:
    explicit CListCtrlX(QWidget* parent = nullptr);

    // Returns the index the column got. A width below 0 sizes it to the text.
    int InsertColumn(int index, const QString& text, int alignment = Qt::AlignLeft, int width = -1);
    // Inserts a row with `text` in column 0; returns its index.
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    int GetItemCount() const { return topLevelItemCount(); }
    bool DeleteAllItems();

    // Every row this many pixels high.
    void SetRowHeight(int height);
    int GetRowHeight() const { return m_nRowHeight; }
    // Column 0 stays left-aligned whatever its column says.
    void KeepLabelLeft(bool keep = true);
    // Tints the cells of the sort column.
    void ColorSortColumn(bool color = true, int column = 0);
    int GetColoredSortColumn() const { return m_bColorSortColumn ? m_nSortColumn : -1; }

    // Restores the widths of `count` columns saved by SaveColumns, else
    // sets `defaultWidths`.
    void LoadColumns(int count, const QList<int>& defaultWidths);
    void SaveColumns() const;

    // The profile section of the column widths.
    virtual QString SettingsKey() const { return QStringLiteral("ListCtrlX"); }
    // Whether a cell may be edited in place.
    virtual bool IsCellEditable(int row, int column) const
    {
        (void)row;
        (void)column;
        return true;
    }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    int alignmentOf(int column) const;
    void applyAlignment(QTreeWidgetItem* item) const;

    QList<int> m_alignments;
    int m_nRowHeight = 0;
    bool m_bKeepLabelLeft = false;
    bool m_bColorSortColumn = false;
    int m_nSortColumn = 0;
};
