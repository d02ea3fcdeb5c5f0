#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CStoryboardLayoutDlg.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

namespace {

QSpinBox* box(CStoryboardLayoutDlg& dialog, const char* name)
{
    return dialog.findChild<QSpinBox*>(QString::fromLatin1(name));
}

} // namespace

// The questions for a storyboard without its note: the controls' answers
// are the facts a build takes, as `kinetra-cli build` takes its options.
class CStoryboardLayoutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void untouchedTheFrameIsCentredOnTheGamesPictureWithoutAGrid()
    {
        CStoryboardLayoutDlg dialog(1000, 800);
        const kinetra::StoryboardFacts facts = dialog.Facts();
        QCOMPARE(facts.directions, std::optional(8));
        QCOMPARE(facts.framesPerDirection, std::optional(10));
        QCOMPARE(facts.speed, std::optional(std::uint32_t(100)));
        QVERIFY(!facts.leftOffset && !facts.topOffset);
        QCOMPARE(facts.originalWidth, std::optional(240));
        QCOMPARE(facts.originalHeight, std::optional(240));
        QVERIFY(!facts.border);
        QVERIFY(!box(dialog, "BorderIndex")->isEnabled());
        QCOMPARE(box(dialog, "LeftOffset")->text(), QStringLiteral("centred"));
    }

    void everyAnswerIsAFact()
    {
        CStoryboardLayoutDlg dialog(1011, 809);
        dialog.findChild<QComboBox*>(QStringLiteral("Directions"))->setCurrentIndex(0);
        dialog.findChild<QCheckBox*>(QStringLiteral("Border"))->setChecked(true);
        QVERIFY(box(dialog, "BorderIndex")->isEnabled());
        box(dialog, "BorderIndex")->setValue(7);
        box(dialog, "Speed")->setValue(70);
        box(dialog, "LeftOffset")->setValue(0);
        box(dialog, "TopOffset")->setValue(65);
        box(dialog, "OriginalWidth")->setValue(320);
        box(dialog, "OriginalHeight")->setValue(0);

        const kinetra::StoryboardFacts facts = dialog.Facts();
        QCOMPARE(facts.directions, std::optional(8));
        QCOMPARE(facts.framesPerDirection, std::optional(10));
        QCOMPARE(facts.speed, std::optional(std::uint32_t(70)));
        // 0 is an offset like any other, not "centred".
        QCOMPARE(facts.leftOffset, std::optional(0));
        QCOMPARE(facts.topOffset, std::optional(65));
        QCOMPARE(facts.originalWidth, std::optional(320));
        QCOMPARE(facts.originalHeight, std::optional(0));
        QCOMPARE(facts.border, std::optional(7));
    }

    void theFramesAreGuessedSquareInsideTheGrid_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("grid");
        QTest::addColumn<int>("directions");
        QTest::addColumn<int>("frames");
        QTest::newRow("8 rows of 100, no grid") << 1000 << 800 << false << 8 << 10;
        QTest::newRow("8 rows of 100 and the grid") << 1011 << 809 << true << 8 << 10;
        QTest::newRow("1 row of 60 and the grid") << 245 << 62 << true << 1 << 4;
        // Not square: one frame for the user to correct.
        QTest::newRow("grid lines that do not divide") << 1010 << 809 << true << 8 << 1;
    }

    void theFramesAreGuessedSquareInsideTheGrid()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, grid);
        QFETCH(int, directions);
        QFETCH(int, frames);
        CStoryboardLayoutDlg dialog(width, height);
        auto* rows = dialog.findChild<QComboBox*>(QStringLiteral("Directions"));
        rows->setCurrentIndex(rows->findData(directions));
        dialog.findChild<QCheckBox*>(QStringLiteral("Border"))->setChecked(grid);
        QCOMPARE(box(dialog, "Frames")->value(), frames);
    }
};

KINETRA_QTEST_MAIN(CStoryboardLayoutDlgTest)
#include "CStoryboardLayoutDlgTest.moc"
