#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "formats/DistinctPalette.h"
#include "formats/PcxWriter.h"
#include "storyboard/StoryboardFile.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSamples = QStringLiteral(KINETRA_SAMPLES_DIR "/");

// Answers the file dialogs with the queued paths (Cancel once they run out)
// after `fill` has set up the dialog, and message boxes with `answer`;
// records the dialogs' titles, the file each proposed, and the messages.
struct Answers {
    QStringList files;
    std::function<void(QDialog&)> fill;
    int answer = IDOK;
    QStringList titles;
    QStringList proposed;
    QList<ModalRequest> messages;

    Answers()
    {
        uSetModalHook([this](const ModalRequest& request) {
            if (!request.dialog) {
                messages.append(request);
                return answer;
            }
            titles.append(request.dialog->windowTitle());
            if (fill)
                fill(*request.dialog);
            auto* dialog = qobject_cast<CFileDialogX*>(request.dialog);
            if (!dialog)
                return int(IDOK);
            proposed.append(dialog->selectedFiles().value(0));
            if (files.isEmpty())
                return int(IDCANCEL);
            dialog->selectFile(files.takeFirst());
            return int(IDOK);
        });
    }
    ~Answers() { uSetModalHook({}); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
};

void setFramesPerDirection(QDialog& dialog, int frames)
{
    if (auto* spin = dialog.findChild<QSpinBox*>(QStringLiteral("Frames")))
        spin->setValue(frames);
}

// A file as it holds its animation, decoded through the window's screen.
struct Decoded {
    kinetra::CFlcAnimation animation;
    bool loaded = false; // a missing file decodes to no frames
    explicit Decoded(const QString& path)
        : loaded(animation.Load(QFile::encodeName(path).toStdString(), true) == kinetra::kOk)
    {
    }
    std::vector<kinetra::IndexImage> frames() const { return kinetra::animationFrames(animation); }
};

bool sameFrames(const std::vector<kinetra::IndexImage>& a, const std::vector<kinetra::IndexImage>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return x.width == y.width && x.pixels == y.pixels; });
}

} // namespace

// The window's storyboards: the export, New from Storyboard, and the
// unsaved document it makes.
class CMainViewStoryboardTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<CKinetraApp> m_app;

    CKinetraDoc& doc() { return *m_app->GetDocument(); }
    CMainFrame& frame() { return *m_app->GetMainFrame(); }
    CFlcPlayer& player() { return frame().GetActiveView()->Player(); }
    QString file(const QString& name) const { return m_files->path() + u'/' + name; }

    QString copySample(const QString& name)
    {
        QFile::copy(kSamples + name, file(name));
        return file(name);
    }

    // The sample's storyboard as the core writes it.
    QString writeSheet(const QString& name)
    {
        Decoded unit(kSamples + QStringLiteral("unit.flc"));
        std::string problem;
        std::optional<kinetra::WriteFailure> refused;
        const auto storyboard = kinetra::makeStoryboard(unit.animation, unit.animation.header, std::nullopt, problem);
        return storyboard
                && kinetra::writeStoryboardFile(QFile::encodeName(file(name)).toStdString(), *storyboard, problem,
                                                refused)
            ? file(name)
            : QString();
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const char* entry : {"ExportDir", "StoryboardBorder", "StoryboardBorderIndex", "Last Opend", "PalDir"})
            uDeleteProfileEntry(kOptions, QString::fromLatin1(entry));
        uWriteProfileInt(kOptions, QStringLiteral("Check File Type"), 0);
        m_files = std::make_unique<QTemporaryDir>();
        m_app = std::make_unique<CKinetraApp>();
        QVERIFY(m_app->InitInstance({}));
        QVERIFY(m_app->OpenDocumentFile(copySample(QStringLiteral("unit.flc"))));
    }

    void cleanup()
    {
        m_app.reset();
        m_files.reset();
    }

    void exportWritesTheStoryboardOfTheFileAsItHoldsIt_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("border");
        QTest::newRow("unit, PNG") << "unit" << "unit.png" << -1;
        QTest::newRow("unit, PCX with a grid") << "unit" << "grid.pcx" << 7;
        // The player gives a plain file one direction; its sheet says plain.
        QTest::newRow("plain FLC") << "plain" << "plain.png" << -1;
    }

    void exportWritesTheStoryboardOfTheFileAsItHoldsIt()
    {
        QFETCH(QString, sample);
        QFETCH(QString, sheet);
        QFETCH(int, border);
        const QString source = file(sample + QStringLiteral(".flc"));
        if (!QFile::exists(source))
            QVERIFY(m_app->OpenDocumentFile(copySample(sample + QStringLiteral(".flc"))));
        Answers answers;
        answers.files = {file(sheet)};
        answers.fill = [border](QDialog& dialog) {
            dialog.findChild<QCheckBox*>(QStringLiteral("Border"))->setChecked(border >= 0);
            dialog.findChild<QSpinBox*>(QStringLiteral("BorderIndex"))->setValue(std::max(border, 0));
        };
        frame().Action(ID_EXPORT_STORYBOARD)->trigger();
        QCOMPARE(answers.titles, QStringList{QStringLiteral("Export Frames")});
        QCOMPARE(answers.proposed.value(0), file(sample + QStringLiteral(".png")));
        QVERIFY(answers.messages.isEmpty());
        QCOMPARE(frame().statusBar()->currentMessage(), uFormatString(IDS_EXPORT_DONE, file(sheet)));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("StoryboardBorder"), -1), border >= 0 ? 1 : 0);

        Decoded decoded(source);
        QVERIFY(decoded.loaded);
        std::string problem;
        const auto expected = kinetra::makeStoryboard(decoded.animation, decoded.animation.header,
                                                      border < 0 ? std::nullopt : std::optional(border), problem);
        const auto written = kinetra::readStoryboardFile(QFile::encodeName(file(sheet)).toStdString(), problem);
        QVERIFY2(expected && written && written->indexed && written->note, problem.c_str());
        QCOMPARE(QSize(written->width, written->height), QSize(expected->sheet.width, expected->sheet.height));
        QVERIFY(written->indices.pixels == expected->sheet.pixels);
        // The picture's colours made distinct, the note keeping the file's own.
        QVERIFY(written->palette == kinetra::withDistinctColours(expected->palette));
        kinetra::StoryboardNote note;
        note.facts = expected->layout.facts();
        note.palette = expected->palette;
        QCOMPARE(kinetra::writeStoryboardNote(*written->note), kinetra::writeStoryboardNote(note));
    }

    // A folder that takes no file: the message names the picture, not the
    // note beside it, with the system's reason, and nothing is left.
    void aFailedExportNamesThePictureAndWhy()
    {
        QFile plain(file(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QString sheet = file(QStringLiteral("plain/unit.png"));
        Answers answers;
        answers.files = {sheet};
        frame().Action(ID_EXPORT_STORYBOARD)->trigger();
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.messages[0].text, QStringLiteral("Cannot write the file '%1': Not a directory.").arg(sheet));
        QCOMPARE(answers.messages[0].type, unsigned(MB_OK | MB_ICONSTOP));
        QCOMPARE(plain.size(), 0);
    }

    void newFromStoryboardPlaysUnsavedUntilSavedAs()
    {
        Answers answers;
        answers.files = {writeSheet(QStringLiteral("walk.png")), file(QStringLiteral("saved.flc"))};
        frame().Action(ID_FILE_NEW_STORYBOARD)->trigger();
        QVERIFY(answers.messages.isEmpty());
        QVERIFY(doc().IsUnsaved());
        QCOMPARE(doc().GetTitle(), QStringLiteral("walk (unsaved)"));
        QVERIFY(player().loaded && player().playing);
        const auto original = Decoded(kSamples + QStringLiteral("unit.flc")).frames();
        QVERIFY(sameFrames(kinetra::animationFrames(player()), original));

        // Save asks where to, proposing the sheet's name beside it.
        const QString scratch = QString::fromStdString(player().path);
        frame().Action(ID_FILE_SAVE)->trigger();
        QCOMPARE(answers.proposed.value(1), file(QStringLiteral("walk.flc")));
        QVERIFY(!doc().IsUnsaved());
        QCOMPARE(doc().GetTitle(), QStringLiteral("saved.flc"));
        QCOMPARE(m_app->m_mruManager.Files().value(0), file(QStringLiteral("saved.flc")));
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("Last Opend")), file(QStringLiteral("saved.flc")));
        QVERIFY(!QFile::exists(scratch));
        QVERIFY(sameFrames(Decoded(file(QStringLiteral("saved.flc"))).frames(), original));
    }

    void aTrueColourSheetWithoutItsNoteAsksForPaletteAndLayout()
    {
        // A paint program's re-save: true colour, the note gone.
        const QImage rgb = QImage(writeSheet(QStringLiteral("indexed.png"))).convertToFormat(QImage::Format_RGB32);
        QVERIFY(QImage(rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(), QImage::Format_RGB32)
                    .save(file(QStringLiteral("render.png"))));
        Answers answers;
        answers.files = {file(QStringLiteral("render.png")), file(QStringLiteral("unit.flc"))};
        answers.fill = [](QDialog& dialog) { setFramesPerDirection(dialog, 10); };
        frame().Action(ID_FILE_NEW_STORYBOARD)->trigger();
        QCOMPARE(answers.titles, (QStringList{"New from Storyboard", "Select the palette for the true-colour storyboard",
                                              "Storyboard Layout"}));
        // The sheet's civilization colours were made distinct for it; the
        // file's own palette holds them only near.
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.messages[0].type, unsigned(MB_OK | MB_ICONINFORMATION));
        QVERIFY(doc().IsUnsaved());
        QCOMPARE(player().frames.size(), std::size_t(80));
        QCOMPARE(player().header.directions, 8);
        QVERIFY(player().filePalette == Decoded(file(QStringLiteral("unit.flc"))).animation.filePalette);
    }

    // A paint program's re-save in true colour, the ground moved a little
    // off magenta: the note's colours name every entry, and the window
    // says how many pixels took a near one.
    void aTrueColourSheetWithItsNoteBuildsTheUnitAndSaysWhatWasNear()
    {
        const QString sheet = writeSheet(QStringLiteral("walk.png"));
        QImage rgb = QImage(sheet).convertToFormat(QImage::Format_RGB32);
        qulonglong ground = 0;
        for (int y = 0; y < rgb.height(); ++y) {
            for (int x = 0; x < rgb.width(); ++x) {
                if (rgb.pixel(x, y) == qRgb(255, 0, 255)) {
                    rgb.setPixel(x, y, qRgb(251, 3, 253));
                    ++ground;
                }
            }
        }
        QVERIFY(ground > 0);
        QVERIFY(rgb.save(sheet));
        Answers answers;
        answers.files = {sheet};
        frame().Action(ID_FILE_NEW_STORYBOARD)->trigger();
        QCOMPARE(answers.titles, QStringList{QStringLiteral("New from Storyboard")});
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.messages[0].type, unsigned(MB_OK | MB_ICONINFORMATION));
        QCOMPARE(answers.messages[0].text,
                 QStringLiteral("'%1'\r\n%2 pixels took the nearest colour of the palette: 0 civilization, "
                                "0 ordinary, 0 light, 0 shadow, %2 transparent.")
                     .arg(sheet)
                     .arg(ground));
        QVERIFY(doc().IsUnsaved());
        const Decoded unit(kSamples + QStringLiteral("unit.flc"));
        QVERIFY(player().filePalette == unit.animation.filePalette);
        QVERIFY(sameFrames(kinetra::animationFrames(player()), unit.frames()));
    }

    void aBorderedSheetWithoutItsNoteBuildsAsTheCommandLineDoes_data()
    {
        QTest::addColumn<bool>("placed");
        // The offsets and original size of the file, or the frame centred
        // on the game's picture by default.
        QTest::newRow("offsets and original size given") << true;
        QTest::newRow("frame centred") << false;
    }

    void aBorderedSheetWithoutItsNoteBuildsAsTheCommandLineDoes()
    {
        QFETCH(bool, placed);
        // The sample's storyboard with a grid of index 7, as a PCX that
        // carries no note.
        const Decoded unit(kSamples + QStringLiteral("unit.flc"));
        std::string problem;
        const auto storyboard = kinetra::makeStoryboard(unit.animation, unit.animation.header, 7, problem);
        QVERIFY2(storyboard, problem.c_str());
        const QString sheet = file(QStringLiteral("grid.pcx"));
        const std::vector<std::uint8_t> pcx = kinetra::encodePcx(storyboard->sheet, storyboard->palette);
        QFile out(sheet);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(reinterpret_cast<const char*>(pcx.data()), qint64(pcx.size())), qint64(pcx.size()));
        out.close();

        // Placed elsewhere than the file has it, and a full picture of
        // another size, so that the answers are seen in the file.
        const int left = 50;
        const int top = 60;
        const int originalWidth = 200;
        const int originalHeight = 180;
        const int speed = int(unit.animation.header.speed);
        Answers answers;
        answers.files = {sheet};
        answers.fill = [&](QDialog& dialog) {
            if (dialog.objectName() != QStringLiteral("CStoryboardLayoutDlg"))
                return;
            dialog.findChild<QComboBox*>(QStringLiteral("Directions"))->setCurrentIndex(0);
            dialog.findChild<QCheckBox*>(QStringLiteral("Border"))->setChecked(true);
            dialog.findChild<QSpinBox*>(QStringLiteral("BorderIndex"))->setValue(7);
            setFramesPerDirection(dialog, 10);
            dialog.findChild<QSpinBox*>(QStringLiteral("Speed"))->setValue(speed);
            if (!placed)
                return;
            dialog.findChild<QSpinBox*>(QStringLiteral("LeftOffset"))->setValue(left);
            dialog.findChild<QSpinBox*>(QStringLiteral("TopOffset"))->setValue(top);
            dialog.findChild<QSpinBox*>(QStringLiteral("OriginalWidth"))->setValue(originalWidth);
            dialog.findChild<QSpinBox*>(QStringLiteral("OriginalHeight"))->setValue(originalHeight);
        };
        frame().Action(ID_FILE_NEW_STORYBOARD)->trigger();
        QCOMPARE(answers.titles, (QStringList{"New from Storyboard", "Storyboard Layout"}));
        QVERIFY(answers.messages.isEmpty());
        QVERIFY(doc().IsUnsaved());
        QVERIFY(player().loaded);
        QCOMPARE(int(player().header.leftOffset), placed ? left : 70);
        QCOMPARE(int(player().header.originalWidth), placed ? originalWidth : 240);
        QVERIFY(sameFrames(kinetra::animationFrames(player()), unit.frames()));

        QStringList arguments{QStringLiteral("build"), sheet, QStringLiteral("--out"), file(QStringLiteral("cli.flc")),
                              QStringLiteral("--border"), QStringLiteral("7"), QStringLiteral("--directions"),
                              QStringLiteral("8"), QStringLiteral("--frames-per-direction"), QStringLiteral("10"),
                              QStringLiteral("--speed"), QString::number(speed)};
        if (placed)
            arguments << QStringLiteral("--offset") << QStringLiteral("%1,%2").arg(left).arg(top)
                      << QStringLiteral("--original") << QStringLiteral("%1,%2").arg(originalWidth).arg(originalHeight);
        QProcess cli;
        cli.start(QStringLiteral(KINETRA_CLI_BINARY), arguments);
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        QFile window(QString::fromStdString(player().path));
        QFile command(file(QStringLiteral("cli.flc")));
        QVERIFY(window.open(QIODevice::ReadOnly) && command.open(QIODevice::ReadOnly));
        const QByteArray built = window.readAll();
        QVERIFY(!built.isEmpty());
        QVERIFY(built == command.readAll());
    }

    void aSheetThatCannotBeBuiltSaysWhyAndKeepsTheDocument_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("reason");
        // Two frames a row cannot share 241 pixels.
        QTest::newRow("width does not divide") << true << "does not divide";
        QTest::newRow("not a picture") << false << "";
    }

    void aSheetThatCannotBeBuiltSaysWhyAndKeepsTheDocument()
    {
        QFETCH(bool, picture);
        QFETCH(QString, reason);
        const QString sheet = file(QStringLiteral("odd.png"));
        QImage odd(241, 96, QImage::Format_Indexed8);
        odd.setColorCount(256);
        odd.fill(0);
        QVERIFY(picture ? odd.save(sheet) : QFile(sheet).open(QIODevice::WriteOnly));

        Answers answers;
        answers.files = {sheet};
        answers.fill = [](QDialog& dialog) { setFramesPerDirection(dialog, 2); };
        frame().Action(ID_FILE_NEW_STORYBOARD)->trigger();
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.messages[0].type, unsigned(MB_OK | MB_ICONSTOP));
        QVERIFY(answers.messages[0].text.startsWith(u'\'' + sheet + QStringLiteral("'\r\nCannot make an animation")));
        QVERIFY2(answers.messages[0].text.contains(reason), qPrintable(answers.messages[0].text));
        QCOMPARE(doc().GetPathName(), file(QStringLiteral("unit.flc")));
        QCOMPARE(QString::fromStdString(player().path), file(QStringLiteral("unit.flc")));
        QVERIFY(player().loaded);
    }

    void aBadNoteIsRefusedWithTheCommandLinesSentence_data()
    {
        QTest::addColumn<QString>("sidecar");
        QTest::addColumn<QString>("textChunk");
        QTest::addColumn<QString>("sentence");
        QTest::newRow("a fact of the wrong type in the sidecar")
            << R"({"format": 1})" << QString() << R"(walk.kinetra.json: format must be "kinetra-storyboard".)";
        QTest::newRow("a fact out of range in the sidecar")
            << R"({"format": "kinetra-storyboard", "framesPerDirection": 0})" << QString()
            << "walk.kinetra.json: framesPerDirection must be a whole number from 1 to 32767.";
        QTest::newRow("a fact of the wrong type in the text chunk")
            << QString() << R"({"format": "kinetra-storyboard", "directions": "8"})"
            << "walk.png (text chunk): directions must be a whole number from 1 to 32767.";
    }

    void aBadNoteIsRefusedWithTheCommandLinesSentence()
    {
        QFETCH(QString, sidecar);
        QFETCH(QString, textChunk);
        QFETCH(QString, sentence);
        const QString sheet = writeSheet(QStringLiteral("walk.png"));
        QVERIFY(!sheet.isEmpty());
        const QString notePath = file(QStringLiteral("walk.kinetra.json"));
        QFile::remove(notePath);
        if (!sidecar.isEmpty()) {
            QFile note(notePath);
            QVERIFY(note.open(QIODevice::WriteOnly));
            note.write(sidecar.toUtf8());
        } else {
            const QImage written(sheet);
            QImage edited = written.copy();
            edited.setText(QStringLiteral("Kinetra-Storyboard"), textChunk);
            QVERIFY(edited.save(sheet));
        }

        Answers answers;
        answers.files = {sheet};
        frame().Action(ID_FILE_NEW_STORYBOARD)->trigger();
        QCOMPARE(answers.titles, QStringList{QStringLiteral("New from Storyboard")});
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.messages[0].text, uFormatString(IDS_STORYBOARD_BUILD_FAILED, sheet, sentence));
        QCOMPARE(answers.messages[0].type, unsigned(MB_OK | MB_ICONSTOP));
        QCOMPARE(doc().GetPathName(), file(QStringLiteral("unit.flc")));

        QProcess cli;
        cli.start(QStringLiteral(KINETRA_CLI_BINARY),
                  {QStringLiteral("build"), sheet, QStringLiteral("--out"), file(QStringLiteral("cli.flc"))});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(cli.readAllStandardError()), u'\'' + sheet + QStringLiteral("'\n") + sentence + u'\n');
    }

    void replacingTheUnsavedAnimationAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Cancel keeps it") << int(IDCANCEL);
        QTest::newRow("No drops it") << int(IDNO);
        QTest::newRow("Yes saves it first") << int(IDYES);
    }

    void replacingTheUnsavedAnimationAsksFirst()
    {
        QFETCH(int, answer);
        const QString kept = file(QStringLiteral("kept.flc"));
        Answers answers;
        answers.files = {writeSheet(QStringLiteral("walk.png")), kept};
        answers.answer = answer;
        frame().Action(ID_FILE_NEW_STORYBOARD)->trigger();
        const QString scratch = QString::fromStdString(player().path);
        const bool opened = answer != IDCANCEL;

        const QString other = copySample(QStringLiteral("plain.flc"));
        QCOMPARE(m_app->OpenDocumentFile(other) != nullptr, opened);
        QCOMPARE(answers.messages.size(), 1);
        QCOMPARE(answers.messages[0].text, uFormatString(IDS_ASK_SAVE_UNSAVED, QStringLiteral("walk")));
        QCOMPARE(answers.messages[0].type, unsigned(MB_YESNOCANCEL | MB_ICONEXCLAMATION));
        QCOMPARE(doc().IsUnsaved(), !opened);
        QCOMPARE(doc().GetPathName(), opened ? other : QString());
        QCOMPARE(QFile::exists(scratch), !opened);
        QCOMPARE(Decoded(kept).animation.frames.size(), std::size_t(answer == IDYES ? 80 : 0));
        // Nor does the window close over an animation the user keeps.
        if (!opened)
            QVERIFY(!frame().close());
    }
};

KINETRA_QTEST_MAIN(CMainViewStoryboardTest)
#include "CMainViewStoryboardTest.moc"
