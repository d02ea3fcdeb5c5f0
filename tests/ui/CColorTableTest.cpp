#include "palette/CColorTable.h"
#include "qtsupport/QtTestMain.h"
#include "ui/ColorDialogAnswer.h"

#include <QHelpEvent>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QToolTip>

#include <memory>

namespace {

constexpr int kId = 1035;

// No two entries or channels alike, so a swapped byte shows.
kinetra::Palette testPalette()
{
    kinetra::Palette palette;
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = kinetra::PaletteEntry{std::uint8_t(i * 7), std::uint8_t(255 - i), std::uint8_t(i), 0};
    return palette;
}

unsigned refOf(int red, int green, int blue)
{
    return unsigned(red) | (unsigned(green) << 8) | (unsigned(blue) << 16);
}

class FrameStyle : public QProxyStyle {
public:
    explicit FrameStyle(int width) : m_width(width) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        return metric == PM_DefaultFrameWidth ? m_width : QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int m_width;
};

} // namespace

class CColorTableTest : public QObject {
    Q_OBJECT

    kinetra::Palette m_palette = testPalette();
    std::unique_ptr<QWidget> m_host;
    CColorTable* m_table = nullptr;

    QPoint centre(int index) const { return m_table->CellRect(index).center(); }
    // Inside the frame, before the first row and column of cells.
    QPoint margin() const { return m_table->ClientRect().topLeft(); }
    QList<unsigned> cells() const
    {
        QList<unsigned> out;
        for (int i = 0; i < 256; ++i)
            out.append(m_table->CellColor(i));
        return out;
    }

private slots:
    void init()
    {
        m_host = std::make_unique<QWidget>();
        m_host->resize(400, 400);
        m_table = new CColorTable;
        QVERIFY(m_table->Create(10, 20, &m_palette, m_host.get(), kId));
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    }

    void cleanup() { m_host.reset(); }

    void createCopiesThePaletteIntoASquareGrid()
    {
        CColorTable orphan;
        QVERIFY(!orphan.Create(0, 0, nullptr, m_host.get(), kId));
        QVERIFY(!orphan.Create(0, 0, &m_palette, nullptr, kId));

        const int edge = m_table->Edge();
        const int box = m_table->BoxSize();
        QCOMPARE(m_table->geometry(), QRect(10, 20, 3 * edge + 16 * box, 3 * edge + 16 * box));
        QCOMPARE(m_table->CellRect(17), QRect(2 * edge + box, 2 * edge + box, box, box));
        QCOMPARE(m_table->CellAt(m_table->CellRect(255).bottomRight()), 255);
        QCOMPARE(m_table->CellAt(margin()), -1);
        QVERIFY(m_table->CellRect(256).isEmpty());

        QCOMPARE(m_table->CellColor(37), refOf(37, 218, 3));
        QCOMPARE(m_table->CellColor(-1), CColorTable::kNoColor);
        QCOMPARE(m_table->CellColor(256), CColorTable::kNoColor);
        QCOMPARE(m_table->FocusedIndex(), 0);
        QCOMPARE(m_table->SelectedIndex(), 0);
        QCOMPARE(m_table->ChosenColor(), refOf(0, 255, 0));
    }

    void boxSizeFollowsTheFrameWidth_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("edge");
        QTest::addColumn<int>("box");
        QTest::newRow("none counts as one") << 0 << 1 << 16;
        QTest::newRow("widest that fits") << 4 << 4 << 16;
        QTest::newRow("thick") << 6 << 6 << 19;
    }

    void boxSizeFollowsTheFrameWidth()
    {
        QFETCH(int, frame);
        QFETCH(int, edge);
        QFETCH(int, box);
        FrameStyle style(frame);
        CColorTable table;
        table.setStyle(&style);
        QVERIFY(table.Create(0, 0, &m_palette, m_host.get(), kId));
        QCOMPARE(table.BoxSize(), box);
        QCOMPARE(table.width(), 3 * edge + 16 * box);
        QCOMPARE(CColorTable::WindowSide(&style), table.width());
    }

    void tooltipNamesTheCellsValues()
    {
        QCOMPARE(m_table->CellTip(37), QStringLiteral("RGB: 37, 218, 3; Idx: 37"));
        QVERIFY(m_table->CellTip(-1).isEmpty());
        QHelpEvent help(QEvent::ToolTip, centre(37), m_table->mapToGlobal(centre(37)));
        QApplication::sendEvent(m_table, &help);
        QCOMPARE(QToolTip::text(), QStringLiteral("RGB: 37, 218, 3; Idx: 37"));

        m_table->SetSelectedColor(0x123456); // on cell 0
        QCOMPARE(m_table->CellTip(0), QStringLiteral("RGB: 86, 52, 18; Idx: 0"));
        QCOMPARE(m_palette[0], testPalette()[0]);
    }

    void arrowsWalkTheGridAndWrap_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("left on 0") << 0 << int(Qt::Key_Left) << 255;
        QTest::newRow("right on 255") << 255 << int(Qt::Key_Right) << 0;
        QTest::newRow("down on 250") << 250 << int(Qt::Key_Down) << 0;
        QTest::newRow("up on row 0") << 5 << int(Qt::Key_Up) << 255;
        QTest::newRow("right at column 15") << 15 << int(Qt::Key_Right) << 16;
        QTest::newRow("left at column 0") << 32 << int(Qt::Key_Left) << 31;
        QTest::newRow("right") << 40 << int(Qt::Key_Right) << 41;
        QTest::newRow("down") << 4 << int(Qt::Key_Down) << 20;
        QTest::newRow("up") << 20 << int(Qt::Key_Up) << 4;
        QTest::newRow("down from none") << -1 << int(Qt::Key_Down) << 0;
        QTest::newRow("left from none") << -1 << int(Qt::Key_Left) << 255;
    }

    void arrowsWalkTheGridAndWrap()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        m_table->SetFocusCell(from);
        QSignalSpy focus(m_table, &CColorTable::focusChanged);
        QTest::keyClick(m_table, Qt::Key(key));
        QCOMPARE(m_table->FocusedIndex(), to);
        QCOMPARE(focus.count(), 1);
        QCOMPARE(focus.at(0).at(0).toUInt(), m_table->CellColor(to));
        QCOMPARE(m_table->SelectedIndex(), 0);
    }

    void mouseMovesTheFocus()
    {
        QSignalSpy focus(m_table, &CColorTable::focusChanged);
        QTest::mouseMove(m_table, centre(37));
        QTRY_COMPARE(m_table->FocusedIndex(), 37);
        QTest::mouseMove(m_table, centre(37) + QPoint(1, 1));
        QTest::mouseMove(m_table, margin());
        QTRY_COMPARE(m_table->FocusedIndex(), -1);
        QCOMPARE(m_table->FocusedColor(), CColorTable::kNoColor);
        // Off the cells the chosen colour is reported.
        QCOMPARE(focus.count(), 2);
        QCOMPARE(focus.at(0).at(0).toUInt(), m_table->CellColor(37));
        QCOMPARE(focus.at(1).at(0).toUInt(), m_table->CellColor(0));

        m_table->SetFocusCell(200);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_table, &leave);
        QCOMPARE(m_table->FocusedIndex(), -1);
    }

    void leftReleaseSelects()
    {
        QSignalSpy select(m_table, &CColorTable::colorSelected);
        QTest::mouseClick(m_table, Qt::LeftButton, {}, centre(40));
        QTest::mouseClick(m_table, Qt::LeftButton, {}, centre(40)); // already chosen
        QTest::mouseClick(m_table, Qt::LeftButton, {}, QPoint(0, 1)); // on the frame
        QCOMPARE(m_table->SelectedIndex(), 40);
        QCOMPARE(m_table->ChosenColor(), m_table->CellColor(40));
        QCOMPARE(select.count(), 1);
        QCOMPARE(select.at(0), QVariantList({m_table->CellColor(40), kId}));
    }

    void marginReleaseSelectsNoCell()
    {
        kinetra::test::ColorDialogAnswer dialog;
        dialog.answer = 0x00ABCDEF;
        const QList<unsigned> before = cells();
        QSignalSpy select(m_table, &CColorTable::colorSelected);
        QTest::mouseClick(m_table, Qt::LeftButton, {}, margin());
        QCOMPARE(m_table->SelectedIndex(), -1);
        QCOMPARE(select.count(), 1);
        QCOMPARE(select.at(0).at(0).toUInt(), CColorTable::kNoColor);

        // No way gives a colour to no cell.
        m_table->SetSelectedColor(0x00123456);
        QTest::mouseClick(m_table, Qt::RightButton, {}, margin());
        m_table->SetFocusCell(-1);
        QTest::keyClick(m_table, Qt::Key_Return);
        QCOMPARE(cells(), before);
        QCOMPARE(m_table->ChosenColor(), CColorTable::kNoColor);
        QVERIFY(dialog.openedWith.isEmpty());
        QCOMPARE(select.count(), 1);
    }

    void rightReleaseSelectsThenEditsTheColour()
    {
        kinetra::test::ColorDialogAnswer dialog; // cancels first
        QSignalSpy select(m_table, &CColorTable::colorSelected);
        QTest::mouseClick(m_table, Qt::RightButton, {}, centre(77));
        QCOMPARE(m_table->SelectedIndex(), 77);
        QCOMPARE(m_table->CellColor(77), refOf(77, 178, 27));

        dialog.answer = 0x00102030;
        QTest::mouseClick(m_table, Qt::RightButton, {}, centre(77));
        QCOMPARE(dialog.openedWith, QList<unsigned>({refOf(77, 178, 27), refOf(77, 178, 27)}));
        QCOMPARE(m_table->CellColor(77), 0x00102030u);
        QCOMPARE(m_table->FocusedColor(), 0x00102030u);
        QCOMPARE(m_table->CellTip(77), QStringLiteral("RGB: 48, 32, 16; Idx: 77"));
        QCOMPARE(select.count(), 2);
        QCOMPARE(select.at(1), QVariantList({0x00102030u, kId}));
    }

    void enterSelectsThenOpensTheColourDialog()
    {
        kinetra::test::ColorDialogAnswer dialog;
        dialog.answer = 0x00FF0080;
        m_table->SetFocusCell(250);
        QTest::keyClick(m_table, Qt::Key_Return);
        QCOMPARE(m_table->SelectedIndex(), 250);
        QVERIFY(dialog.openedWith.isEmpty());

        QTest::keyClick(m_table, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(dialog.openedWith.size(), 1);
        QCOMPARE(m_table->CellColor(250), 0x00FF0080u);
        QCOMPARE(m_table->CellColor(249), refOf(249, 6, (249 * 7) & 0xFF));
        QCOMPARE(dialog.otherModals, 0);
    }

    void paintShowsCellsFocusAndSelection()
    {
        QTest::mouseClick(m_table, Qt::LeftButton, {}, centre(12));
        m_table->SetFocusCell(33);
        m_table->SetSelectedColor(0x00336699);
        const QImage image = m_table->grab().toImage();
        const auto at = [&](int index, int inset) {
            return image.pixel(m_table->CellRect(index).topLeft() + QPoint(inset, inset));
        };
        for (int i : {0, 33, 255})
            QCOMPARE(image.pixel(centre(i)), uColorFromRef(m_table->CellColor(i)).rgb());
        QCOMPARE(image.pixel(centre(12)), qRgb(0x99, 0x66, 0x33));

        const QPalette colours = m_table->palette();
        const QColor highlight = colours.color(QPalette::Highlight);
        const QColor menu = colours.color(QPalette::Window);
        const auto mix = [](int top, int under) { return (top * 48 + under * 207) / 256; };
        QCOMPARE(at(33, 1), highlight.rgb());
        QCOMPARE(at(12, 1), qRgb(mix(highlight.red(), menu.red()), mix(highlight.green(), menu.green()),
                                 mix(highlight.blue(), menu.blue())));
        QCOMPARE(at(100, 1), menu.rgb());
        // The swatch's border: inset 2 on the focused cell, 3 on a plain one.
        QCOMPARE(at(33, 2), colours.color(QPalette::Dark).rgb());
        QCOMPARE(at(100, 3), colours.color(QPalette::Dark).rgb());
    }
};

KINETRA_QTEST_MAIN(CColorTableTest)
#include "CColorTableTest.moc"
