#include "qtsupport/QtTestMain.h"

#include "uikit/StringTable.h"

#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// The unexpected-box guard of the test main, put back after a test that
// lets a real box show.
void restoreGuard()
{
    uSetModalHook([](const ModalRequest& request) {
        qWarning("unexpected modal: %s", qPrintable(request.text));
        return IDCANCEL;
    });
}

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool onTop = false;
};

// Reads the box that is up, then presses `press` on it.
void answerNextBox(SeenBox& seen, QMessageBox::StandardButton press)
{
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            qWarning("no message box is up");
            return;
        }
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->button(press)->click();
    });
}

class CountingDialog : public QDialog {
public:
    int shows = 0;

protected:
    void showEvent(QShowEvent* event) override
    {
        ++shows;
        QDialog::showEvent(event);
    }
};

} // namespace

class ModalTest : public QObject {
    Q_OBJECT

private slots:
    void hookAnswersMessageBoxesAndSeesTextAndType()
    {
        kinetra::test::ModalRecorder recorder;
        recorder.answer = IDNO;
        QCOMPARE(uMessageBox(QStringLiteral("Replace?"), MB_YESNO | MB_ICONQUESTION), IDNO);
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests[0].text, QStringLiteral("Replace?"));
        QCOMPARE(recorder.requests[0].type, unsigned(MB_YESNO | MB_ICONQUESTION));
        QVERIFY(recorder.requests[0].dialog == nullptr);
    }

    void hookAnswersDialogsWithoutRunningThem()
    {
        kinetra::test::ModalRecorder recorder;
        recorder.answer = IDOK;
        CountingDialog dialog;
        QCOMPARE(uDoModal(dialog), IDOK);
        QCOMPARE(dialog.shows, 0);
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests[0].dialog, &dialog);
    }

    void ownerlessBoxesAndDialogsGoToTheMainWindow()
    {
        QMainWindow hidden;
        kinetra::test::ModalRecorder recorder;
        uMessageBox(QStringLiteral("Nothing on show"));
        QCOMPARE(recorder.requests.at(0).parent, nullptr);

        QMainWindow main;
        main.show();
        QWidget popup(nullptr, Qt::Popup);
        popup.show();
        QWidget given;
        uMessageBox(QStringLiteral("No owner"));
        uMessageBox(QStringLiteral("An owner"), MB_OK, &given);
        QDialog dialog;
        uDoModal(dialog);
        QCOMPARE(recorder.requests.at(1).parent, &main);
        QCOMPARE(recorder.requests.at(2).parent, &given);
        QCOMPARE(recorder.requests.at(3).parent, &main);
        QCOMPARE(dialog.parentWidget(), &main);
        QVERIFY(dialog.isWindow());
    }

    void dialogResultsMapToAnswers()
    {
        uSetModalHook({});
        QDialog dialog;
        QTimer::singleShot(0, &dialog, &QDialog::reject);
        QCOMPARE(uDoModal(dialog), IDCANCEL);
        QTimer::singleShot(0, &dialog, &QDialog::accept);
        QCOMPARE(uDoModal(dialog), IDOK);
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.done(IDNO); });
        QCOMPARE(uDoModal(dialog), IDNO);
        restoreGuard();
    }

    void realBoxHasTitleIconButtonsAndLineBreaks()
    {
        uSetModalHook({});
        SeenBox seen;
        answerNextBox(seen, QMessageBox::No);
        const int answer = uMessageBox(QStringLiteral("first\r\nsecond"), MB_YESNOCANCEL | MB_ICONSTOP);
        restoreGuard();
        QCOMPARE(answer, IDNO);
        QCOMPARE(seen.title, QStringLiteral("Kinetra"));
        QCOMPARE(seen.text, QStringLiteral("first\nsecond"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QVERIFY(!seen.onTop);
    }

    void realBoxButtonSetsAndIcons()
    {
        uSetModalHook({});
        SeenBox seen;
        answerNextBox(seen, QMessageBox::Cancel);
        QCOMPARE(uMessageBox(QStringLiteral("x"), MB_OKCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);

        answerNextBox(seen, QMessageBox::Yes);
        QCOMPARE(uMessageBox(QStringLiteral("x"), MB_YESNO | MB_ICONQUESTION), IDYES);
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);

        answerNextBox(seen, QMessageBox::Ok);
        QCOMPARE(uMessageBox(QStringLiteral("x"), MB_OK | MB_ICONINFORMATION), IDOK);
        QCOMPARE(seen.icon, QMessageBox::Information);
        QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        answerNextBox(seen, QMessageBox::Ok);
        QCOMPARE(uMessageBox(QStringLiteral("x")), IDOK);
        QCOMPARE(seen.icon, QMessageBox::NoIcon);

        // A box another program's always-on-top window must not hide.
        answerNextBox(seen, QMessageBox::Ok);
        QCOMPARE(uMessageBox(QStringLiteral("x"), MB_ICONEXCLAMATION | MB_TOPMOST), IDOK);
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QVERIFY(seen.onTop);
        restoreGuard();
    }

    void titleComesFromTheStringTable()
    {
        uRegisterStrings({{57344, "Kinetra Test Title"}});
        uSetModalHook({});
        SeenBox seen;
        answerNextBox(seen, QMessageBox::Ok);
        uMessageBox(QStringLiteral("x"));
        restoreGuard();
        uRegisterStrings({{57344, "Kinetra"}});
        QCOMPARE(seen.title, QStringLiteral("Kinetra Test Title"));
    }
};

KINETRA_QTEST_MAIN(ModalTest)
#include "ModalTest.moc"
