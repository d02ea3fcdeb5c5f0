#include "qtsupport/QtTestMain.h"

#include "uikit/CListCtrlX.h"
#include "uikit/Profile.h"

#include <QHeaderView>

namespace {

class InfoList : public CListCtrlX {
public:
    QString SettingsKey() const override { return QStringLiteral("Dlg FlcInfo"); }
    bool IsCellEditable(int, int) const override { return false; }
    bool tryEdit(int row, int column)
    {
        return edit(model()->index(row, column), QAbstractItemView::AllEditTriggers, nullptr);
    }
};

class EditableList : public CListCtrlX {
public:
    bool tryEdit(int row, int column)
    {
        return edit(model()->index(row, column), QAbstractItemView::AllEditTriggers, nullptr);
    }
};

void fillTwoColumns(CListCtrlX& list)
{
    list.InsertColumn(0, QStringLiteral("Property"), Qt::AlignLeft, 150);
    list.InsertColumn(1, QStringLiteral("Value"), Qt::AlignLeft, 100);
}

} // namespace

class CListCtrlXTest : public QObject {
    Q_OBJECT

private slots:
    void columnsAndRows()
    {
        InfoList list;
        fillTwoColumns(list);
        QCOMPARE(list.columnCount(), 2);
        QCOMPARE(list.headerItem()->text(1), QStringLiteral("Value"));
        QCOMPARE(list.columnWidth(0), 150);
        QCOMPARE(list.InsertItem(0, QStringLiteral("File name")), 0);
        QCOMPARE(list.InsertItem(1, QStringLiteral("Total frames")), 1);
        QCOMPARE(list.InsertItem(0, QStringLiteral("First")), 0);
        QVERIFY(list.SetItemText(2, 1, QStringLiteral("80")));
        QVERIFY(!list.SetItemText(5, 1, QStringLiteral("x")));
        QVERIFY(!list.SetItemText(0, 2, QStringLiteral("x")));
        QCOMPARE(list.GetItemCount(), 3);
        QCOMPARE(list.GetItemText(2, 0), QStringLiteral("Total frames"));
        QCOMPARE(list.GetItemText(2, 1), QStringLiteral("80"));
        QCOMPARE(list.GetItemText(1, 0), QStringLiteral("File name"));
    }

    void insertingAColumnShiftsCells()
    {
        InfoList list;
        fillTwoColumns(list);
        list.InsertItem(0, QStringLiteral("a"));
        list.SetItemText(0, 1, QStringLiteral("b"));
        QCOMPARE(list.InsertColumn(1, QStringLiteral("Middle"), Qt::AlignRight, 40), 1);
        QCOMPARE(list.headerItem()->text(2), QStringLiteral("Value"));
        QCOMPARE(list.GetItemText(0, 0), QStringLiteral("a"));
        QCOMPARE(list.GetItemText(0, 1), QString());
        QCOMPARE(list.GetItemText(0, 2), QStringLiteral("b"));
        QCOMPARE(list.topLevelItem(0)->textAlignment(1) & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
    }

    void labelsKeptLeft()
    {
        InfoList list;
        list.InsertColumn(0, QStringLiteral("Property"), Qt::AlignRight, 100);
        list.InsertItem(0, QStringLiteral("x"));
        QCOMPARE(list.topLevelItem(0)->textAlignment(0) & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
        list.KeepLabelLeft(true);
        QCOMPARE(list.topLevelItem(0)->textAlignment(0) & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
    }

    void rowHeightAndSortColumn()
    {
        InfoList list;
        fillTwoColumns(list);
        list.InsertItem(0, QStringLiteral("row"));
        list.SetRowHeight(18);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.visualItemRect(list.topLevelItem(0)).height(), 18);
        QCOMPARE(list.GetColoredSortColumn(), -1);
        list.ColorSortColumn(true);
        QCOMPARE(list.GetColoredSortColumn(), 0);
    }

    void columnWidthsPersistUnderTheSettingsKey()
    {
        {
            InfoList list;
            fillTwoColumns(list);
            list.LoadColumns(2, {150, 100});
            QCOMPARE(list.columnWidth(1), 100);
            list.setColumnWidth(0, 210);
            list.setColumnWidth(1, 77);
            list.SaveColumns();
        }
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg FlcInfo"), QStringLiteral("Column1"), 0), 77);
        InfoList again;
        fillTwoColumns(again);
        again.LoadColumns(2, {150, 100});
        QCOMPARE(again.columnWidth(0), 210);
        QCOMPARE(again.columnWidth(1), 77);

        // Another key starts from its defaults.
        EditableList other;
        fillTwoColumns(other);
        other.LoadColumns(2, {120, 90});
        QCOMPARE(other.columnWidth(0), 120);
    }

    void cellEditingAsksTheSubclass()
    {
        InfoList locked;
        fillTwoColumns(locked);
        locked.InsertItem(0, QStringLiteral("x"));
        locked.show();
        QVERIFY(!locked.tryEdit(0, 1));

        EditableList open;
        fillTwoColumns(open);
        open.InsertItem(0, QStringLiteral("x"));
        open.show();
        QVERIFY(open.tryEdit(0, 0));
    }
};

KINETRA_QTEST_MAIN(CListCtrlXTest)
#include "CListCtrlXTest.moc"
