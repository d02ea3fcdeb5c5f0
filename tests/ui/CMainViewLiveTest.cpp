#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/CSourceWatcher.h"
#include "formats/PcxWriter.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardSet.h"
#include "ui/CMainFrame.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Generous: the machine may be busy. Nothing here waits for a time, only
// for what the window shows.
constexpr int kTimeoutMs = 15000;
const QString kUnit = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

kinetra::CFlcAnimation& sampleUnit()
{
    static kinetra::CFlcAnimation unit;
    if (unit.frames.empty())
        (void)unit.Load(QFile::encodeName(kUnit).toStdString(), true);
    return unit;
}

// The sample unit's storyboard with a mark: pixel (1, 1) of every frame
// takes the ordinary entry 64 + mark, which the built frames show.
kinetra::Storyboard markedStoryboard(int mark)
{
    std::string problem;
    auto storyboard = kinetra::makeStoryboard(sampleUnit(), sampleUnit().header, std::nullopt, problem);
    if (!storyboard)
        return {};
    const kinetra::StoryboardLayout& layout = storyboard->layout;
    for (int frame = 0; frame < layout.frameCount(); ++frame)
        storyboard->sheet.row(layout.frameTop(frame) + 1)[layout.frameLeft(frame) + 1] = std::uint8_t(64 + mark);
    return *storyboard;
}

// Written as a program that keeps the old file until the new one is
// whole: beside it, then renamed over it (the note with it).
bool saveByRename(const QString& path, int mark,
                  kinetra::StoryboardLayoutKind kind = kinetra::StoryboardLayoutKind::Sheet)
{
    std::string problem;
    std::optional<kinetra::WriteFailure> refused;
    return kinetra::writeStoryboardSet(QFile::encodeName(path).toStdString(), markedStoryboard(mark), kind, problem,
                                       refused);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The sheet's bytes for `mark`, as the picture file alone holds them.
QByteArray sheetBytes(int mark)
{
    QTemporaryDir aside;
    const QString path = aside.filePath(QStringLiteral("sheet.png"));
    return saveByRename(path, mark) ? readAll(path) : QByteArray();
}

// Answers the file dialogs with `file`, the layout dialog through `fill`,
// and message boxes with `answer`; records every request.
struct Answers {
    QString file;
    std::function<void(QDialog&)> fill;
    int answer = IDYES;
    QList<ModalRequest> requests;
    // The dialogs' object names and the boxes' texts, in turn (a dialog is
    // gone once answered).
    QStringList asked;

    Answers()
    {
        uSetModalHook([this](const ModalRequest& request) {
            requests.append(request);
            asked.append(request.dialog ? request.dialog->objectName() : request.text);
            if (!request.dialog)
                return answer;
            if (fill)
                fill(*request.dialog);
            if (auto* dialog = qobject_cast<CFileDialogX*>(request.dialog))
                dialog->selectFile(file);
            return int(IDOK);
        });
    }
    ~Answers() { uSetModalHook({}); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
};

} // namespace

// Storyboards opened as documents, and documents that follow their files:
// every way of opening takes a storyboard; each save is built and shown in
// place of the last animation as the user left it; a save that does not
// build leaves the last good one playing and says why in the status bar;
// an FLC changed on disk is read again, after asking when it has changes.
class CMainViewLiveTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<CKinetraApp> m_app;
    QString m_sheet;

    CKinetraDoc& doc() { return *m_app->GetDocument(); }
    CMainFrame& frame() { return *m_app->GetMainFrame(); }
    CMainView& view() { return *frame().GetActiveView(); }
    CFlcPlayer& player() { return view().Player(); }
    QString file(const QString& name) const { return m_files->filePath(name); }
    QString statusText() { return frame().statusBar()->findChild<QLabel*>(QStringLiteral("IdleText"))->text(); }

    // The mark the frames on show carry, or -1 with none. A unit cut anew
    // (a formation's) has the sample's pixel (1, 1) where its offsets say.
    int markShown()
    {
        if (!player().loaded)
            return -1;
        const auto frames = kinetra::animationFrames(player());
        const int x = 1 + int(sampleUnit().header.leftOffset) - int(player().header.leftOffset);
        const int y = 1 + int(sampleUnit().header.topOffset) - int(player().header.topOffset);
        return frames.empty() ? -1 : frames.front().at(x, y) - 64;
    }

    void startApp(const QStringList& arguments = {})
    {
        m_app.reset();
        m_app = std::make_unique<CKinetraApp>();
        QVERIFY(m_app->InitInstance(arguments));
    }

    // squad.formation.json: the sheet as its one figure, where it stands.
    QString writeFormation()
    {
        const QString path = file(QStringLiteral("squad.formation.json"));
        const QByteArray json = R"({"format": "kinetra-formation", "version": 1, "figures": [{"source": "sheet.png"}]})";
        return writeInPlace(path, json) ? path : QString();
    }

    void openSheet()
    {
        QVERIFY(m_app->OpenDocumentFile(m_sheet));
        QVERIFY(doc().IsStoryboard());
        QCOMPARE(markShown(), 0);
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        uWriteProfileInt(QStringLiteral("Options"), QStringLiteral("Check File Type"), 0);
        m_files = std::make_unique<QTemporaryDir>();
        m_sheet = file(QStringLiteral("sheet.png"));
        QVERIFY(saveByRename(m_sheet, 0));
        startApp();
    }

    void cleanup()
    {
        m_app.reset();
        m_files.reset();
        uSetModalHook([](const ModalRequest& request) {
            qWarning("unexpected modal: %s", qPrintable(request.text));
            return IDCANCEL;
        });
    }

    void everyWayOfOpeningTakesAStoryboard_data()
    {
        QTest::addColumn<QString>("way");
        for (const char* way :
             {"command line", "open dialog", "recent files", "start-up reopen", "second start", "drop", "note",
              "formation"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }

    void everyWayOfOpeningTakesAStoryboard()
    {
        QFETCH(QString, way);
        QString opened = m_sheet;
        Answers answers;
        if (way == QLatin1String("command line")) {
            startApp({m_sheet});
        } else if (way == QLatin1String("open dialog")) {
            answers.file = m_sheet;
            frame().Action(ID_FILE_OPEN)->trigger();
        } else if (way == QLatin1String("recent files")) {
            QVERIFY(m_app->OpenDocumentFile(m_sheet));
            QVERIFY(QFile::copy(kUnit, file(QStringLiteral("unit.flc"))));
            QVERIFY(m_app->OpenDocumentFile(file(QStringLiteral("unit.flc"))));
            m_app->OpenRecentFile(m_sheet);
        } else if (way == QLatin1String("start-up reopen")) {
            QVERIFY(m_app->OpenDocumentFile(m_sheet));
            uWriteProfileInt(QStringLiteral("Options"), QStringLiteral("Load Doc"), 1);
            startApp();
            uDeleteProfileEntry(QStringLiteral("Options"), QStringLiteral("Load Doc"));
        } else if (way == QLatin1String("second start")) {
            frame().OnShellOpenFile(WM_SHELL_OPEN_FILE, m_sheet);
        } else if (way == QLatin1String("drop")) {
            QMimeData dragged;
            dragged.setUrls({QUrl::fromLocalFile(m_sheet)});
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&frame(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&frame(), &drop);
        } else if (way == QLatin1String("note")) {
            opened = file(QStringLiteral("strips.kinetra.json"));
            QVERIFY(saveByRename(file(QStringLiteral("strips.png")), 0, kinetra::StoryboardLayoutKind::Filmstrips));
            QVERIFY(m_app->OpenDocumentFile(opened));
        } else {
            opened = writeFormation();
            QVERIFY(m_app->OpenDocumentFile(opened));
        }
        QTRY_VERIFY_WITH_TIMEOUT(doc().IsStoryboard(), kTimeoutMs);
        QCOMPARE(doc().GetSourcePath(), opened);
        const QString kind = way == QLatin1String("formation") ? QStringLiteral(" (formation)") : QStringLiteral(" (storyboard)");
        QCOMPARE(doc().GetTitle(), QFileInfo(opened).fileName() + kind);
        QVERIFY(frame().windowTitle().startsWith(doc().GetTitle()));
        QVERIFY(!doc().IsUnsaved());
        QCOMPARE(markShown(), 0);
        QVERIFY(kinetra::animationFrames(player()).size() == kinetra::animationFrames(sampleUnit()).size());
        QCOMPARE(m_app->m_mruManager.Files().value(0), opened);
        QCOMPARE(answers.requests.size(), way == QLatin1String("open dialog") ? 1 : 0);
    }

    void theRebuildKeepsWhatTheUserChose_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("playing"); // "playing", "paused" or "stopped"
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("background");
        QTest::addColumn<int>("civColor");
        QTest::newRow("stopped on SE at frame 2 over the sea, civilization 5")
            << 3 << "stopped" << 2 << int(kinetra::kBackgroundSea) << 5;
        QTest::newRow("paused on W at frame 4 over a custom colour, civilization 12")
            << 8 << "paused" << 4 << int(kinetra::kBackgroundCustom) << 12;
        QTest::newRow("playing every direction over land, the file's colours")
            << 0 << "playing" << 0 << int(kinetra::kBackgroundLand) << 0;
    }

    void theRebuildKeepsWhatTheUserChose()
    {
        QFETCH(int, direction);
        QFETCH(QString, playing);
        QFETCH(int, position);
        QFETCH(int, background);
        QFETCH(int, civColor);
        openSheet();
        QVERIFY(view().SelectDirection(direction));
        if (playing == QLatin1String("stopped"))
            view().OnStop();
        if (playing == QLatin1String("paused"))
            view().OnPause();
        player().SeekFrame(position);
        if (background == kinetra::kBackgroundCustom)
            view().OnBgdCustom();
        else
            QVERIFY(player().SetImageBackground(background));
        auto* colours = qobject_cast<QComboBox*>(view().GetDlgItem(IDC_CIV_COLOR));
        colours->setCurrentIndex(civColor);
        view().OnCivColorSelected();
        QCOMPARE(view().m_nCivColor, civColor);
        const kinetra::Palette tinted = player().displayPalette;

        kinetra::test::ModalRecorder boxes;
        QVERIFY(saveByRename(m_sheet, 1));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 1, kTimeoutMs);
        QCOMPARE(player().direction, direction);
        QCOMPARE(player().playing, playing != QLatin1String("stopped"));
        QCOMPARE(player().paused, playing == QLatin1String("paused"));
        if (playing != QLatin1String("playing"))
            QCOMPARE(player().currentFrame - player().rangeStart, position);
        QCOMPARE(player().backgroundType, background);
        QCOMPARE(view().m_nCivColor, civColor);
        QCOMPARE(colours->currentIndex(), civColor);
        QVERIFY(player().displayPalette == tinted);
        QVERIFY(boxes.requests.isEmpty());
        QCOMPARE(statusText(), uLoadString(IDS_IDLE_MESSAGE));
        QVERIFY(!doc().IsModified());
    }

    void aSaveThatDoesNotBuildKeepsTheLastGoodAnimation_data()
    {
        QTest::addColumn<QByteArray>("broken");
        QTest::addColumn<QString>("reason");
        const QByteArray whole = sheetBytes(1);
        QTest::newRow("caught halfway") << whole.left(whole.size() / 2) << "picture";
        QImage small(7, 5, QImage::Format_Indexed8);
        small.setColorCount(256);
        small.fill(0);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && small.save(&buffer, "PNG"));
        QTest::newRow("a picture of the wrong size") << png << "7";
    }

    void aSaveThatDoesNotBuildKeepsTheLastGoodAnimation()
    {
        QFETCH(QByteArray, broken);
        QFETCH(QString, reason);
        openSheet();
        kinetra::test::ModalRecorder boxes;
        QVERIFY(writeInPlace(m_sheet, broken));
        // A busy machine may first show the file emptied by the write.
        QTRY_VERIFY2_WITH_TIMEOUT(statusText().startsWith(QStringLiteral("The change to 'sheet.png' is not shown: "))
                                      && statusText().contains(reason),
                                  qPrintable(statusText()), kTimeoutMs);
        QCOMPARE(markShown(), 0);
        QVERIFY(player().playing);

        QVERIFY(writeInPlace(m_sheet, sheetBytes(2)));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 2, kTimeoutMs);
        QCOMPARE(statusText(), uLoadString(IDS_IDLE_MESSAGE));
        QVERIFY(boxes.requests.isEmpty());
    }

    void aSheetReplacedByRenameStaysWatched()
    {
        openSheet();
        kinetra::test::ModalRecorder boxes;
        // Renamed over, written in place, deleted and made anew, renamed
        // over again: each is shown.
        QVERIFY(saveByRename(m_sheet, 1));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 1, kTimeoutMs);
        QVERIFY(writeInPlace(m_sheet, sheetBytes(2)));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 2, kTimeoutMs);
        QVERIFY(QFile::remove(m_sheet) && writeInPlace(m_sheet, sheetBytes(3)));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 3, kTimeoutMs);
        QVERIFY(saveByRename(m_sheet, 4));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 4, kTimeoutMs);
        QVERIFY(boxes.requests.isEmpty());
    }

    // A formation of the sheet's one figure follows the sheet as the sheet's
    // own document does.
    void aFormationFollowsItsFiguresSources()
    {
        QVERIFY(m_app->OpenDocumentFile(writeFormation()));
        QVERIFY(doc().IsStoryboard());
        QCOMPARE(markShown(), 0);
        kinetra::test::ModalRecorder boxes;
        QVERIFY(saveByRename(m_sheet, 1));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 1, kTimeoutMs);
        QVERIFY(boxes.requests.isEmpty());
    }

    void aSheetWithoutItsNoteAsksItsLayoutOnce_data()
    {
        QTest::addColumn<int>("consent");
        QTest::newRow("the note is written") << int(IDYES);
        QTest::newRow("the layout is only kept") << int(IDNO);
    }

    void aSheetWithoutItsNoteAsksItsLayoutOnce()
    {
        QFETCH(int, consent);
        // A PCX carries no note but its sidecar.
        const QString drawn = file(QStringLiteral("drawn.pcx"));
        const auto pcxOf = [](int mark) {
            const kinetra::Storyboard storyboard = markedStoryboard(mark);
            const auto bytes = kinetra::encodePcx(storyboard.sheet, storyboard.palette);
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        };
        QVERIFY(writeInPlace(drawn, pcxOf(0)));
        const kinetra::FlcHeader& unit = sampleUnit().header;
        {
            Answers answers;
            answers.answer = consent;
            answers.fill = [&unit](QDialog& dialog) {
                dialog.findChild<QComboBox*>(QStringLiteral("Directions"))->setCurrentIndex(0);
                dialog.findChild<QCheckBox*>(QStringLiteral("Border"))->setChecked(false);
                dialog.findChild<QSpinBox*>(QStringLiteral("Frames"))->setValue(unit.framesPerDirection);
                dialog.findChild<QSpinBox*>(QStringLiteral("Speed"))->setValue(int(unit.speed));
            };
            QVERIFY(m_app->OpenDocumentFile(drawn));
            const QString note = uFormatString(IDS_ASK_WRITE_NOTE, QStringLiteral("drawn.kinetra.json"));
            QCOMPARE(answers.asked, (QStringList{QStringLiteral("CStoryboardLayoutDlg"), note}));
        }
        QCOMPARE(markShown(), 0);
        QCOMPARE(QFile::exists(file(QStringLiteral("drawn.kinetra.json"))), consent == IDYES);

        // The layout given is what every rebuild is made by.
        kinetra::test::ModalRecorder boxes;
        QVERIFY(writeInPlace(drawn, pcxOf(6)));
        QTRY_COMPARE_WITH_TIMEOUT(markShown(), 6, kTimeoutMs);
        QCOMPARE(int(player().header.framesPerDirection), int(unit.framesPerDirection));
        QVERIFY(boxes.requests.isEmpty());
        if (consent != IDYES)
            return;
        // Kept in the note, it is not asked again.
        startApp();
        QVERIFY(m_app->OpenDocumentFile(drawn));
        QVERIFY(boxes.requests.isEmpty());
        QCOMPARE(markShown(), 6);
    }

    void anFlcChangedOnDiskIsReadAgain()
    {
        const QString unit = file(QStringLiteral("unit.flc"));
        QVERIFY(QFile::copy(kUnit, unit));
        QVERIFY(m_app->OpenDocumentFile(unit));
        QVERIFY(!player().IsPlainFlc());
        kinetra::test::ModalRecorder boxes;
        QVERIFY(writeInPlace(unit, readAll(QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc"))));
        QTRY_VERIFY_WITH_TIMEOUT(player().loaded && player().IsPlainFlc(), kTimeoutMs);
        QVERIFY(boxes.requests.isEmpty());
        QCOMPARE(doc().GetPathName(), unit);

        // Half an FLC is not taken in.
        QVERIFY(writeInPlace(unit, readAll(kUnit).left(200)));
        QTRY_VERIFY_WITH_TIMEOUT(statusText().contains(QStringLiteral("'unit.flc'")), kTimeoutMs);
        QVERIFY(player().loaded && player().IsPlainFlc());
        QVERIFY(boxes.requests.isEmpty());
    }

    void theWindowsOwnSaveIsNotTakenInAgain()
    {
        const QString unit = file(QStringLiteral("unit.flc"));
        QVERIFY(QFile::copy(kUnit, unit));
        QVERIFY(m_app->OpenDocumentFile(unit));
        QSignalSpy takenIn(&view(), &CMainView::sourcesTakenIn);
        kinetra::test::ModalRecorder boxes;
        view().OnFileSave();
        QTest::qWait(CSourceWatcher::kQuietMs * 5);
        QCOMPARE(takenIn.count(), 0);
        QVERIFY(boxes.requests.isEmpty());
        // A save of another program's after it still is.
        QVERIFY(writeInPlace(unit, readAll(QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc"))));
        QTRY_COMPARE_WITH_TIMEOUT(takenIn.count(), 1, kTimeoutMs);
    }

    void anFlcWithPaletteChangesAsksBeforeItIsReadAgain()
    {
        const QString unit = file(QStringLiteral("unit.flc"));
        QVERIFY(QFile::copy(kUnit, unit));
        QVERIFY(m_app->OpenDocumentFile(unit));
        doc().SetModifiedFlag(true);
        kinetra::test::ModalRecorder boxes;
        boxes.answer = IDNO;
        QVERIFY(writeInPlace(unit, readAll(QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc"))));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.requests.size(), 1, kTimeoutMs);
        QCOMPARE(boxes.requests[0].text, uFormatString(IDS_ASK_RELOAD_CHANGED, QStringLiteral("unit.flc")));
        QCOMPARE(boxes.requests[0].type, unsigned(MB_YESNO | MB_ICONQUESTION));
        QVERIFY(!player().IsPlainFlc());
        QVERIFY(doc().IsModified());

        boxes.answer = IDYES;
        QVERIFY(writeInPlace(unit, readAll(QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc")) + QByteArray(1, '\0')));
        QTRY_VERIFY_WITH_TIMEOUT(player().IsPlainFlc(), kTimeoutMs);
        QCOMPARE(boxes.requests.size(), 2);
        QVERIFY(!doc().IsModified());
    }

    // Not a check of speed (nothing fails on a slow machine): the time from
    // the end of each save to the new picture, the quiet time included,
    // printed for the record.
    void saveToScreenTimeOfTheSampleSheet()
    {
        openSheet();
        QElapsedTimer clock;
        clock.start();
        qint64 shownAt = -1;
        connect(&view(), &CMainView::sourcesTakenIn, this, [&] { shownAt = clock.elapsed(); });
        std::vector<qint64> latencies;
        for (int mark = 1; mark <= 5; ++mark) {
            shownAt = -1;
            QVERIFY(saveByRename(m_sheet, mark));
            const qint64 savedAt = clock.elapsed();
            QTRY_COMPARE_WITH_TIMEOUT(markShown(), mark, kTimeoutMs);
            QVERIFY(shownAt >= savedAt);
            latencies.push_back(shownAt - savedAt);
            qInfo("save %d: saved at %lld ms, shown at %lld ms: %lld ms (quiet time %d ms included)", mark,
                  savedAt, shownAt, shownAt - savedAt, CSourceWatcher::kQuietMs);
        }
        std::sort(latencies.begin(), latencies.end());
        qInfo("save to screen, median of %zu: %lld ms", latencies.size(), latencies[latencies.size() / 2]);
    }
};

KINETRA_QTEST_MAIN(CMainViewLiveTest)
#include "CMainViewLiveTest.moc"
