#include "qtsupport/QtTestMain.h"

#include "uikit/CDialogX.h"

#include <QLabel>
#include <QTimer>

namespace {

class ProbeDialog : public CDialogX {
public:
    int inits = 0;
    int destroys = 0;
    bool initAnswer = true;
    QLabel* mover = new QLabel(this);
    QLabel* grower = new QLabel(this);
    QLabel* widener = new QLabel(this);
    QLabel* still = new QLabel(this);

    ProbeDialog()
    {
        resize(300, 200);
        for (QLabel* label : {mover, grower, widener, still})
            label->setGeometry(10, 10, 40, 20);
        SetControlInfo(mover, CI_MOVE_RIGHT | CI_MOVE_DOWN, 2, 1, 2, 1);
        SetControlInfo(grower, CI_WIDEN | CI_HEIGHTEN, 1, 1, 1, 1);
        SetControlInfo(widener, CI_WIDEN, 2, 1, 1, 1);
    }

protected:
    bool OnInitDialog() override
    {
        ++inits;
        return initAnswer;
    }
    void OnDestroy() override { ++destroys; }
};

} // namespace

class CDialogXTest : public QObject {
    Q_OBJECT

private slots:
    void controlsFollowResizingRelativeToFirstShow()
    {
        ProbeDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QSize shown = dialog.size();
        dialog.resize(shown + QSize(100, 60));
        QCOMPARE(dialog.mover->geometry(), QRect(60, 40, 40, 20));
        QCOMPARE(dialog.grower->geometry(), QRect(10, 10, 140, 80));
        QCOMPARE(dialog.widener->geometry(), QRect(10, 10, 90, 20));
        QCOMPARE(dialog.still->geometry(), QRect(10, 10, 40, 20));

        // Back to the first size puts everything back.
        dialog.resize(shown);
        QCOMPARE(dialog.mover->geometry(), QRect(10, 10, 40, 20));
        QCOMPARE(dialog.grower->geometry(), QRect(10, 10, 40, 20));
        dialog.reject();
    }

    void controlRegisteredLaterFollowsFromItsPlace()
    {
        ProbeDialog dialog;
        dialog.show();
        const QSize shown = dialog.size();
        dialog.resize(shown + QSize(40, 0));
        dialog.still->setGeometry(100, 10, 40, 20);
        dialog.SetControlInfo(dialog.still, CI_MOVE_RIGHT, 1, 1, 1, 1);
        dialog.resize(shown + QSize(60, 0));
        QCOMPARE(dialog.still->geometry(), QRect(120, 10, 40, 20));
        dialog.reject();
    }

    void initOnceAndDestroyOnceOnDone()
    {
        ProbeDialog dialog;
        dialog.show();
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.inits, 1);
        QCOMPARE(dialog.destroys, 0);
        dialog.accept();
        dialog.reject();
        QCOMPARE(dialog.destroys, 1);
    }

    void doModalRunsThroughTheHook()
    {
        kinetra::test::ModalRecorder recorder;
        recorder.answer = IDCANCEL;
        ProbeDialog dialog;
        QCOMPARE(dialog.DoModal(), IDCANCEL);
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests[0].dialog, &dialog);
        QCOMPARE(dialog.inits, 0);
    }

    void doModalRunsAWholeLifeEachTime()
    {
        uSetModalHook({});
        ProbeDialog dialog;
        QTimer::singleShot(0, &dialog, &QDialog::accept);
        QCOMPARE(dialog.DoModal(), IDOK);
        QTimer::singleShot(0, &dialog, &QDialog::reject);
        QCOMPARE(dialog.DoModal(), IDCANCEL);
        QCOMPARE(dialog.inits, 2);
        QCOMPARE(dialog.destroys, 2);
    }

    void refusingInitEndsTheModalRunCancelled()
    {
        uSetModalHook({});
        ProbeDialog dialog;
        dialog.initAnswer = false;
        QCOMPARE(dialog.DoModal(), IDCANCEL);
        QCOMPARE(dialog.destroys, 1);
        QVERIFY(!dialog.isVisible());
    }

    void dialogUnitsScaleWithTheFont()
    {
        ProbeDialog dialog;
        const QRect small = dialog.MapDialogRect(QRect(4, 8, 40, 16));
        QVERIFY(small.width() > 0 && small.height() > 0);
        QCOMPARE(small.width(), small.left() * 10);
        QCOMPARE(small.height(), small.top() * 2);
        QFont font = dialog.font();
        font.setPixelSize(40);
        dialog.setFont(font);
        const QSize large = dialog.MapDialogSize(QSize(40, 16));
        QVERIFY(large.width() > small.width());
        QVERIFY(large.height() > small.height());
        QCOMPARE(large.height(), 2 * QFontMetrics(font).height());
    }
};

KINETRA_QTEST_MAIN(CDialogXTest)
#include "CDialogXTest.moc"
