#include "palette/CColorTable.h"
#include "palette/CPaletteDlg.h"
#include "qtsupport/QtTestMain.h"
#include "ui/ColorDialogAnswer.h"
#include "uikit/CButtonX.h"
#include "uikit/CEditX.h"
#include "uikit/Profile.h"

#include <memory>

namespace {

const QString kSection = QStringLiteral("Dlg Palette");

// No two entries or channels alike, and a reserved byte that OK must keep.
kinetra::Palette testPalette()
{
    kinetra::Palette palette;
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] =
            kinetra::PaletteEntry{std::uint8_t(i * 3), std::uint8_t(255 - i), std::uint8_t(i), std::uint8_t(i ^ 0x5A)};
    return palette;
}

unsigned refOf(int red, int green, int blue)
{
    return unsigned(red) | (unsigned(green) << 8) | (unsigned(blue) << 16);
}

} // namespace

class CPaletteDlgTest : public QObject {
    Q_OBJECT

    kinetra::Palette m_palette;
    std::unique_ptr<CPaletteDlg> m_dlg;

    void open()
    {
        m_dlg = std::make_unique<CPaletteDlg>(&m_palette);
        m_dlg->show();
        if (!QTest::qWaitForWindowExposed(m_dlg.get()) || !m_dlg->ColorTable())
            qFatal("the palette dialog did not open");
    }

    CColorTable& grid() const { return *m_dlg->ColorTable(); }
    QStringList fields(std::initializer_list<int> ids) const
    {
        QStringList out;
        for (int id : ids)
            out.append(m_dlg->Edit(id)->text());
        return out;
    }
    QStringList selectedFields() const
    {
        return fields({CPaletteDlg::IDC_SELECTED_RED, CPaletteDlg::IDC_SELECTED_GREEN, CPaletteDlg::IDC_SELECTED_BLUE,
                       CPaletteDlg::IDC_SELECTED_INDEX});
    }
    QStringList currentFields() const
    {
        return fields({CPaletteDlg::IDC_CURRENT_RED, CPaletteDlg::IDC_CURRENT_GREEN, CPaletteDlg::IDC_CURRENT_BLUE,
                       CPaletteDlg::IDC_CURRENT_INDEX});
    }
    QColor swatch(int id) const
    {
        const QWidget* widget = m_dlg->GetDlgItem(id);
        return widget->autoFillBackground() ? widget->palette().color(QPalette::Window) : QColor();
    }

    void clickCell(int index) { QTest::mouseClick(&grid(), Qt::LeftButton, {}, grid().CellRect(index).center()); }

    // Replaces an edit's text by typing, as a person would.
    void type(int id, const QString& keys)
    {
        CEditX* edit = m_dlg->Edit(id);
        edit->selectAll();
        if (keys.isEmpty())
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, keys);
    }

private slots:
    void init()
    {
        m_palette = testPalette();
        for (const char* entry : {"X", "Y", "Width", "Height", "Maximized"})
            uDeleteProfileEntry(kSection, QString::fromLatin1(entry));
    }

    void cleanup() { m_dlg.reset(); }

    void withoutPaletteTheDialogEndsCancelled()
    {
        CPaletteDlg dlg(nullptr);
        dlg.show();
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(IDCANCEL));
        QVERIFY(!dlg.ColorTable());
        QCOMPARE(uGetProfileInt(kSection, QStringLiteral("Width"), -1), -1);
    }

    void opensOnCellZero()
    {
        open();
        QCOMPARE(m_dlg->GetDlgItem(CPaletteDlg::IDC_COLOR_TABLE), &grid());
        QCOMPARE(grid().Id(), int(CPaletteDlg::IDC_COLOR_TABLE));
        QCOMPARE(grid().geometry(), m_dlg->GetDlgItem(CPaletteDlg::IDC_TABLE_PLACE)->geometry());
        QCOMPARE(selectedFields(), QStringList({"0", "255", "0", "0"}));
        QCOMPARE(currentFields(), QStringList({"0", "255", "0", "0"}));
        QCOMPARE(swatch(CPaletteDlg::IDC_SELECTED_SWATCH), QColor(0, 255, 0));
        QCOMPARE(swatch(CPaletteDlg::IDC_CURRENT_SWATCH), QColor(0, 255, 0));
        QCOMPARE(m_dlg->Edit(CPaletteDlg::IDC_SELECTED_RED)->maxLength(), 3);
        QVERIFY(m_dlg->Edit(CPaletteDlg::IDC_CURRENT_RED)->isReadOnly());
        // No button may take Enter as the dialog's default.
        for (CButtonX* button : {m_dlg->OkButton(), m_dlg->SelectButton(), m_dlg->CancelButton()})
            QVERIFY(!button->autoDefault() && !button->isDefault());
        QTRY_COMPARE(m_dlg->focusWidget(), &grid());
    }

    void hoveringShowsTheCurrentColour()
    {
        open();
        QTest::mouseMove(&grid(), grid().CellRect(37).center());
        QTRY_COMPARE(currentFields(), QStringList({"37", "218", "111", "37"}));
        QCOMPARE(swatch(CPaletteDlg::IDC_CURRENT_SWATCH), QColor(37, 218, 111));
        QCOMPARE(selectedFields(), QStringList({"0", "255", "0", "0"}));

        QTest::mouseMove(&grid(), grid().ClientRect().topLeft());
        // Off the cells: no index, and the chosen colour as the current one.
        QTRY_COMPARE(currentFields(), QStringList({"0", "255", "0", ""}));
    }

    void typedValuesChangeTheChosenCell()
    {
        open();
        clickCell(10);
        QCOMPARE(selectedFields(), QStringList({"10", "245", "30", "10"}));
        type(CPaletteDlg::IDC_SELECTED_RED, QStringLiteral("300"));
        QCOMPARE(selectedFields(), QStringList({"255", "245", "30", "10"}));
        QCOMPARE(grid().CellColor(10), refOf(255, 245, 30));
        QCOMPARE(swatch(CPaletteDlg::IDC_SELECTED_SWATCH), QColor(255, 245, 30));
        QCOMPARE(currentFields(), QStringList({"255", "245", "30", "10"})); // also under the mouse

        type(CPaletteDlg::IDC_SELECTED_RED, QString());
        QCOMPARE(selectedFields().first(), QStringLiteral("0"));
        QCOMPARE(grid().CellColor(10), refOf(0, 245, 30));
        // Digits only, three at most.
        type(CPaletteDlg::IDC_SELECTED_BLUE, QStringLiteral("1x2-34"));
        QCOMPARE(selectedFields().at(2), QStringLiteral("123"));
        QCOMPARE(grid().CellColor(10), refOf(0, 245, 123));
        QCOMPARE(grid().CellColor(11), refOf(11, 244, 33));
    }

    void marginClickLeavesNoCellToEdit()
    {
        open();
        clickCell(10);
        QTest::mouseClick(&grid(), Qt::LeftButton, {}, grid().ClientRect().topLeft());
        QCOMPARE(selectedFields(), QStringList({"", "", "", ""}));
        QVERIFY(!m_dlg->Edit(CPaletteDlg::IDC_SELECTED_RED)->isEnabled());
        QVERIFY(!m_dlg->SelectButton()->isEnabled());
        QVERIFY(!swatch(CPaletteDlg::IDC_SELECTED_SWATCH).isValid());

        // Even an edit that got through changes no cell.
        CEditX* red = m_dlg->Edit(CPaletteDlg::IDC_SELECTED_RED);
        red->setText(QStringLiteral("99"));
        emit red->textEdited(red->text());
        m_dlg->OkButton()->click();
        QCOMPARE(m_palette, testPalette());
    }

    void enterOnTheChosenCellOpensTheColourDialog()
    {
        kinetra::test::ColorDialogAnswer colourDialog;
        colourDialog.answer = refOf(1, 2, 3);
        open();
        QTest::keyClick(&grid(), Qt::Key_Right);
        QTest::keyClick(&grid(), Qt::Key_Return); // chooses cell 1
        QCOMPARE(selectedFields().last(), QStringLiteral("1"));
        QVERIFY(colourDialog.openedWith.isEmpty());

        QTest::keyClick(&grid(), Qt::Key_Return);
        QCOMPARE(colourDialog.openedWith, QList<unsigned>{refOf(1, 254, 3)});
        QCOMPARE(grid().CellColor(1), refOf(1, 2, 3));
        QCOMPARE(selectedFields(), QStringList({"1", "2", "3", "1"}));
        QCOMPARE(currentFields(), QStringList({"1", "2", "3", "1"}));
    }

    void enterAndEscapeNeverCloseTheDialog()
    {
        kinetra::test::ColorDialogAnswer colourDialog; // cancels
        open();
        for (QWidget* target : {static_cast<QWidget*>(&grid()), m_dlg->GetDlgItem(CPaletteDlg::IDC_SELECTED_RED),
                                m_dlg->GetDlgItem(IDOK), m_dlg->GetDlgItem(IDCANCEL), static_cast<QWidget*>(m_dlg.get())}) {
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(target, key);
                QVERIFY2(m_dlg->isVisible(), qPrintable(target->objectName()));
            }
        }
        // Enter did reach the grid: twice on its chosen cell.
        QCOMPARE(colourDialog.openedWith.size(), 2);
    }

    void selectButtonOpensTheColourDialog()
    {
        kinetra::test::ColorDialogAnswer colourDialog;
        colourDialog.answer = refOf(192, 255, 238);
        open();
        clickCell(20);
        m_dlg->SelectButton()->click();
        QCOMPARE(colourDialog.openedWith, QList<unsigned>{refOf(20, 235, 60)});
        QCOMPARE(grid().CellColor(20), refOf(192, 255, 238));
        QCOMPARE(selectedFields(), QStringList({"192", "255", "238", "20"}));
    }

    void okWritesEveryCellIntoThePalette()
    {
        kinetra::test::ColorDialogAnswer colourDialog;
        colourDialog.answer = refOf(0x11, 0x22, 0x33);
        open();
        clickCell(10);
        type(CPaletteDlg::IDC_SELECTED_GREEN, QStringLiteral("34"));
        clickCell(200);
        m_dlg->SelectButton()->click();
        m_dlg->OkButton()->click();
        QCOMPARE(m_dlg->result(), int(IDOK));

        kinetra::Palette expected = testPalette();
        expected[10].green = 34;
        expected[200] = kinetra::PaletteEntry{0x33, 0x22, 0x11, expected[200].reserved};
        QCOMPARE(m_palette, expected);
        // In memory blue, green, red, and the reserved byte as it was.
        const QByteArray bytes(reinterpret_cast<const char*>(&m_palette[200]), 4);
        QCOMPARE(bytes, QByteArray("\x33\x22\x11") + char(200 ^ 0x5A));
    }

    void cancelLeavesThePaletteAlone()
    {
        open();
        clickCell(5);
        type(CPaletteDlg::IDC_SELECTED_RED, QStringLiteral("200"));
        QCOMPARE(grid().CellColor(5), refOf(200, 250, 15));
        m_dlg->CancelButton()->click();
        QVERIFY(!m_dlg->isVisible());
        QCOMPARE(m_palette, testPalette());
    }

    void placementIsKeptUnderDlgPalette()
    {
        open();
        m_dlg->move(m_dlg->pos() + QPoint(31, 17));
        const QRect placed = m_dlg->geometry();
        m_dlg->CancelButton()->click();
        QCOMPARE(uGetProfileInt(kSection, QStringLiteral("X"), -1), placed.x());
        QCOMPARE(uGetProfileInt(kSection, QStringLiteral("Width"), -1), placed.width());
        open();
        QCOMPARE(m_dlg->geometry().topLeft(), placed.topLeft());
    }
};

KINETRA_QTEST_MAIN(CPaletteDlgTest)
#include "CPaletteDlgTest.moc"
