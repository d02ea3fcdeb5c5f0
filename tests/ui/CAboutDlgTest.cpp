#include "app/CKinetraDoc.h"
#include "imaging/CScreen.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CAboutDlg.h"
#include "ui/CMainFrame.h"
#include "uikit/CHyperLink.h"
#include "uikit/CRichEditCtrlX.h"
#include "uikit/Profile.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTimer>

#include <memory>

namespace {

const QString kSection = QStringLiteral("Dlg About");
const QString kCopyright = QStringLiteral("Copyright (c) 2026 The Kinetra developers");
constexpr int kClipFrames = 16;

// An About box reading the version note of another file.
class AboutFromFile : public CAboutDlg {
public:
    explicit AboutFromFile(const QString& file) : m_file(file) {}

protected:
    QString VersionFile() const override { return m_file; }

private:
    QString m_file;
};

QString shownText(const CAboutDlg& dialog)
{
    return dialog.findChild<CRichEditCtrlX*>(QStringLiteral("Text"))->toPlainText();
}

QString labelText(const CAboutDlg& dialog, const QString& name)
{
    return dialog.findChild<QLabel*>(name)->text();
}

bool showsLicence(const CAboutDlg& dialog)
{
    return shownText(dialog).contains(QLatin1String("MIT License"))
        && shownText(dialog).contains(QLatin1String("Permission is hereby granted"));
}

bool showsThanks(const CAboutDlg& dialog)
{
    return shownText(dialog).contains(QLatin1String("Thank you!"));
}

// Types each letter as a key press on `widget`, the focus of its window.
void typeInto(QWidget* widget, const QString& keys)
{
    widget->setFocus();
    for (QChar key : keys)
        QTest::keyClick(widget, key.toLatin1());
}

// The title's pulse `ticks` timer periods on from (intensity, step).
int pulseAfter(int intensity, int step, int ticks)
{
    for (int i = 0; i < ticks; ++i) {
        if (intensity < 30)
            step = 10;
        else if (intensity > 245)
            step = -10;
        intensity += step;
    }
    return intensity;
}

std::unique_ptr<CAboutDlg> showDialog()
{
    auto dialog = std::make_unique<CAboutDlg>();
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        return nullptr;
    return dialog;
}

} // namespace

class CAboutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const QString& entry : {QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Width"),
                                     QStringLiteral("Height"), QStringLiteral("Maximized")})
            uDeleteProfileEntry(kSection, entry);
    }

    void opensWithTheLicenceAndTheBuildsVersion()
    {
        auto dialog = showDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("About Kinetra application..."));
        QVERIFY(showsLicence(*dialog));
        QVERIFY(!dialog->IsThanksShown());
        // The test program carries the same note as the shipped ones.
        const QString version = labelText(*dialog, QStringLiteral("Version"));
        QVERIFY2(version.startsWith(QStringLiteral("Build: " KINETRA_PROJECT_VERSION " (")), qPrintable(version));
        QVERIFY2(version.endsWith(QLatin1Char(')')), qPrintable(version));
        QCOMPARE(labelText(*dialog, QStringLiteral("Copyright")), kCopyright);
        // No link that leads nowhere.
        QVERIFY(dialog->findChildren<CHyperLink*>().isEmpty());
        // The licence reads a dozen lines at a time.
        const auto* text = dialog->findChild<CRichEditCtrlX*>(QStringLiteral("Text"));
        QVERIFY(text->viewport()->height() >= 10 * text->fontMetrics().lineSpacing());
        QVERIFY(dialog->IsTitleTimerActive());
        QCOMPARE(dialog->findChild<QTimer*>(QStringLiteral("TitleTimer"))->interval(), 50);
        QCOMPARE(dialog->findChild<QPushButton*>(QStringLiteral("OK"))->text(), QStringLiteral("&OK"));
        dialog->accept();
        QVERIFY(!dialog->IsTitleTimerActive());
    }

    void withoutAVersionNoteOnlyTheLicenceShows()
    {
        QTemporaryFile notElf;
        QVERIFY(notElf.open());
        notElf.write("not an ELF file at all");
        notElf.close();

        AboutFromFile dialog(notElf.fileName());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(showsLicence(dialog));
        QVERIFY(labelText(dialog, QStringLiteral("Version")).isEmpty());
        QVERIFY(labelText(dialog, QStringLiteral("Copyright")).isEmpty());
        QVERIFY(!dialog.IsTitleTimerActive());
        QCOMPARE(dialog.ClipFrame(), -1);
        QVERIFY(!dialog.IsClipPlaying());
        const int intensity = CAboutDlg::TitleIntensity();
        QTest::qWait(150);
        QCOMPARE(CAboutDlg::TitleIntensity(), intensity);
        QVERIFY(dialog.TitleImage().isNull());
        dialog.reject();
    }

    void theWordThanksSwitchesToTheThanksText_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("switched");
        QTest::newRow("THANKS") << "THANKS" << "" << true;
        QTest::newRow("thanks in small letters") << "thanks" << "" << true;
        QTest::newRow("THANXS") << "THANXS" << "" << false;
        QTest::newRow("THANKT") << "THANKT" << "" << false;
        QTest::newRow("TTHANKS") << "TTHANKS" << "" << true;
        QTest::newRow("THANKS behind other keys") << "QTHANTHANKS" << "" << true;
        QTest::newRow("a space inside") << "THAN KS" << "" << false;
        QTest::newRow("without its T") << "HANKS" << "" << false;
        QTest::newRow("on the text") << "THANKS" << "Text" << true;
        QTest::newRow("on the OK button") << "THANKS" << "OK" << true;
        QTest::newRow("THANXS on the OK button") << "THANXS" << "OK" << false;
    }

    void theWordThanksSwitchesToTheThanksText()
    {
        QFETCH(QString, keys);
        QFETCH(QString, focus);
        QFETCH(bool, switched);
        auto dialog = showDialog();
        QVERIFY(dialog);
        QWidget* target = focus.isEmpty() ? static_cast<QWidget*>(dialog.get()) : dialog->findChild<QWidget*>(focus);
        QVERIFY(target);
        typeInto(target, keys);
        QCOMPARE(dialog->IsThanksShown(), switched);
        QCOMPARE(showsThanks(*dialog), switched);
        QCOMPARE(showsLicence(*dialog), !switched);
        dialog->reject();
    }

    void capitalsTypedWithShiftStillCount()
    {
        auto dialog = showDialog();
        QVERIFY(dialog);
        dialog->setFocus();
        for (char key : QByteArray("THANKS")) {
            QTest::keyPress(dialog.get(), Qt::Key_Shift);
            QTest::keyClick(dialog.get(), key, Qt::ShiftModifier);
            QTest::keyRelease(dialog.get(), Qt::Key_Shift);
        }
        QVERIFY(dialog->IsThanksShown());
        dialog->reject();
    }

    void typingThanksAgainChangesNothing()
    {
        auto dialog = showDialog();
        QVERIFY(dialog);
        typeInto(dialog.get(), QStringLiteral("THANKS"));
        QVERIFY(dialog->IsThanksShown());
        auto* text = dialog->findChild<CRichEditCtrlX*>(QStringLiteral("Text"));
        text->setPlainText(QStringLiteral("left alone"));
        typeInto(dialog.get(), QStringLiteral("THANKS"));
        QCOMPARE(text->toPlainText(), QStringLiteral("left alone"));
        QVERIFY(dialog->TypedKeys().isEmpty());
        dialog->reject();
    }

    void theTitlePulsesOnAndCarriesOverToTheNextRun()
    {
        int intensity = 0;
        int step = 0;
        {
            auto first = std::make_unique<CAboutDlg>();
            QSignalSpy ticks(first->findChild<QTimer*>(QStringLiteral("TitleTimer")), &QTimer::timeout);
            const int startIntensity = CAboutDlg::TitleIntensity();
            const int startStep = CAboutDlg::TitleStep();
            first->show();
            QTRY_VERIFY(ticks.count() >= 3);
            QCOMPARE(CAboutDlg::TitleIntensity(), pulseAfter(startIntensity, startStep, int(ticks.count())));
            first->accept();
            intensity = CAboutDlg::TitleIntensity();
            step = CAboutDlg::TitleStep();
        }
        QVERIFY(intensity >= 25 && intensity <= 255);

        auto second = std::make_unique<CAboutDlg>();
        QSignalSpy ticks(second->findChild<QTimer*>(QStringLiteral("TitleTimer")), &QTimer::timeout);
        second->show();
        QCOMPARE(CAboutDlg::TitleIntensity(), intensity);
        QTRY_VERIFY(ticks.count() >= 1);
        const int now = pulseAfter(intensity, step, int(ticks.count()));
        QCOMPARE(CAboutDlg::TitleIntensity(), now);

        // Drawn in blue over its grey shadow, on the face colour: the
        // smoothed edges mix blue with greys, so every inked pixel has equal
        // red and green and no less blue.
        const QImage title = second->TitleImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(!title.isNull());
        const QColor face = second->palette().color(QPalette::Button);
        QCOMPARE(QColor(title.pixel(0, title.height() - 1)), face);
        int inked = 0;
        int left = title.width();
        int right = -1;
        int top = title.height();
        QRgb darkest = qRgb(255, 255, 255);
        for (int y = 0; y < title.height(); ++y)
            for (int x = 0; x < title.width(); ++x) {
                const QRgb pixel = title.pixel(x, y);
                if (pixel == face.rgb())
                    continue;
                ++inked;
                QVERIFY2(std::abs(qRed(pixel) - qGreen(pixel)) <= 2 && qBlue(pixel) >= qRed(pixel),
                         qPrintable(QColor(pixel).name()));
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                if (qRed(pixel) < qRed(darkest))
                    darkest = pixel;
            }
        QVERIFY2(inked > 50, qPrintable(QString::number(inked)));
        // Centred on the top line.
        QVERIFY(std::abs((left + right) / 2 - title.width() / 2) <= 3);
        QVERIFY(top <= 4);
        // Where the text covers a pixel whole, it is the pulse's blue.
        QVERIFY2(qRed(darkest) < 80, qPrintable(QColor(darkest).name()));
        second->accept();
    }

    void theClipPlaysOnceAndStopsOnItsLastFrame()
    {
        QVERIFY(!kinetra::g_pScreen);
        auto dialog = showDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->ClipFrameCount(), kClipFrames);
        // Decoding needs no screen and leaves none behind.
        QVERIFY(!kinetra::g_pScreen);
        QVERIFY(dialog->ClipDelay() > 0);
        QSignalSpy steps(dialog->findChild<QTimer*>(QStringLiteral("ClipTimer")), &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->IsClipPlaying(), 10000);
        QCOMPARE(dialog->ClipFrame(), kClipFrames - 1);
        QCOMPARE(steps.count(), kClipFrames - 1);
        QTest::qWait(3 * dialog->ClipDelay());
        QCOMPARE(dialog->ClipFrame(), kClipFrames - 1);
        const QLabel* clip = dialog->findChild<QLabel*>(QStringLiteral("Clip"));
        QVERIFY(!clip->pixmap().isNull());
        // Drawn on the transparent colour: the corners show the dialog.
        QCOMPARE(qAlpha(clip->pixmap().toImage().pixel(0, 0)), 0);
        dialog->accept();
    }

    void placementIsKeptAndTheControlsFollowTheSize()
    {
        QRect placed;
        QRect okBefore;
        QRect textBefore;
        {
            auto dialog = showDialog();
            QVERIFY(dialog);
            auto* ok = dialog->findChild<QWidget*>(QStringLiteral("OK"));
            auto* text = dialog->findChild<QWidget*>(QStringLiteral("Text"));
            okBefore = ok->geometry();
            textBefore = text->geometry();
            dialog->resize(dialog->size() + QSize(60, 40));
            QCOMPARE(ok->geometry(), okBefore.translated(60, 40));
            QCOMPARE(text->geometry().size(), textBefore.size() + QSize(60, 40));
            QCOMPARE(text->geometry().topLeft(), textBefore.topLeft());
            placed = dialog->geometry();
            dialog->accept();
        }
        QCOMPARE(uGetProfileInt(kSection, QStringLiteral("Width"), 0), placed.width());
        QCOMPARE(uGetProfileInt(kSection, QStringLiteral("Height"), 0), placed.height());

        auto again = showDialog();
        QVERIFY(again);
        QCOMPARE(again->size(), placed.size());
        QCOMPARE(again->findChild<QWidget*>(QStringLiteral("OK"))->geometry(), okBefore.translated(60, 40));
        again->accept();
    }

    void theAboutCommandRunsTheDialog()
    {
        CKinetraDoc document;
        CMainFrame frame(&document);
        QVERIFY(frame.LoadFrame());
        QAction* about = frame.Action(ID_APP_ABOUT);
        QVERIFY(about);
        QVERIFY(about->isEnabled());

        QString title;
        uSetModalHook([&title](const ModalRequest& request) {
            if (auto* dialog = qobject_cast<CAboutDlg*>(request.dialog))
                title = dialog->windowTitle();
            return int(IDOK);
        });
        about->trigger();
        uSetModalHook([](const ModalRequest& request) {
            qWarning("unexpected modal: %s", qPrintable(request.text));
            return int(IDCANCEL);
        });
        QCOMPARE(title, QStringLiteral("About Kinetra application..."));
    }
};

KINETRA_QTEST_MAIN(CAboutDlgTest)
#include "CAboutDlgTest.moc"
