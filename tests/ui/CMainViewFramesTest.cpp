#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "formats/PngFile.h"
#include "imaging/CFlcPlayer.h"
#include "io/AtomicFile.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "storyboard/StoryboardBuild.h"
#include "ui/CFramesBuildDlg.h"
#include "ui/CMainFrame.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSamples = QStringLiteral(KINETRA_SAMPLES_DIR "/");

// Answers the file dialog with `files`, all chosen at once, and the other
// dialogs after `fill`; records titles and messages.
struct Answers {
    QStringList files;
    std::function<void(QDialog&)> fill;
    QStringList titles;
    QList<ModalRequest> messages;

    Answers()
    {
        uSetModalHook([this](const ModalRequest& request) {
            if (!request.dialog) {
                messages.append(request);
                return int(IDOK);
            }
            titles.append(request.dialog->windowTitle());
            if (auto* dialog = qobject_cast<CFileDialogX*>(request.dialog)) {
                if (files.isEmpty())
                    return int(IDCANCEL);
                dialog->setDirectory(QFileInfo(files.front()).absolutePath());
                QStringList quoted;
                for (const QString& path : std::as_const(files))
                    quoted.append(u'"' + QFileInfo(path).fileName() + u'"');
                dialog->selectFile(quoted.join(u' '));
                files.clear();
                return int(IDOK);
            }
            if (fill)
                fill(*request.dialog);
            return int(IDOK);
        });
    }
    ~Answers() { uSetModalHook({}); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
};

std::unique_ptr<kinetra::CFlcAnimation> loaded(const QString& path)
{
    auto animation = std::make_unique<kinetra::CFlcAnimation>();
    if (animation->Load(QFile::encodeName(path).toStdString(), true) != kinetra::kOk)
        return nullptr;
    return animation;
}

// Each frame where the game shows it: a unit cut to a smaller frame shows
// the same.
std::vector<kinetra::IndexImage> onUnitPicture(const kinetra::CFlcAnimation& unit)
{
    std::vector<kinetra::IndexImage> pictures;
    for (const kinetra::IndexImage& frame : kinetra::animationFrames(unit)) {
        kinetra::IndexImage& picture = pictures.emplace_back(kinetra::kUnitPictureSize, kinetra::kUnitPictureSize);
        std::fill(picture.pixels.begin(), picture.pixels.end(), std::uint8_t(255));
        for (int y = 0; y < frame.height; ++y)
            std::copy_n(frame.pixels.begin() + std::ptrdiff_t(y * frame.width), frame.width,
                        picture.row(unit.header.topOffset + y) + unit.header.leftOffset);
    }
    return pictures;
}

bool samePictures(const std::vector<kinetra::IndexImage>& a, const std::vector<kinetra::IndexImage>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return x.pixels == y.pixels; });
}

} // namespace

// New from Frames: a folder of frame pictures becomes an unsaved unit.
class CMainViewFramesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<CKinetraApp> m_app;

    CKinetraDoc& doc() { return *m_app->GetDocument(); }
    CMainFrame& frame() { return *m_app->GetMainFrame(); }
    CFlcPlayer& player() { return frame().GetActiveView()->Player(); }

    // The sample unit's frames as 8-bit PNGs, each on a transparent picture
    // of the game's size where the game shows it, numbered from 1 without
    // zeros, the directions in the order `rendered` gives.
    QStringList writeFrames(const std::vector<int>& rendered)
    {
        const auto unit = loaded(kSamples + QStringLiteral("unit.flc"));
        if (!unit)
            return {};
        const auto pictures = onUnitPicture(*unit);
        const std::size_t perDirection = pictures.size() / 8;
        QDir(m_files->path()).mkdir(QStringLiteral("walk"));
        QStringList paths;
        for (const int direction : rendered) {
            for (std::size_t f = 0; f < perDirection; ++f) {
                const kinetra::IndexImage& picture = pictures[std::size_t(direction) * perDirection + f];
                std::vector<std::uint8_t> png;
                std::string error;
                if (!kinetra::encodeIndexedPng(picture, unit->filePalette, {}, png, error))
                    return {};
                paths.append(m_files->path() + QStringLiteral("/walk/frame%1.png").arg(paths.size() + 1));
                kinetra::writeFileAtomically(QFile::encodeName(paths.back()).toStdString(), png);
            }
        }
        return paths;
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        uDeleteProfileEntry(kOptions, QStringLiteral("ExportDir"));
        uWriteProfileInt(kOptions, QStringLiteral("Check File Type"), 0);
        m_files = std::make_unique<QTemporaryDir>();
        m_app = std::make_unique<CKinetraApp>();
        QVERIFY(m_app->InitInstance({}));
    }

    void cleanup()
    {
        m_app.reset();
        m_files.reset();
    }

    void framesInARenderersOrderBuildTheUnitTheyCameFrom()
    {
        Answers answers;
        answers.files = writeFrames({1, 0, 7, 6, 5, 4, 3, 2});
        QCOMPARE(answers.files.size(), 80);
        answers.fill = [](QDialog& dialog) {
            QCOMPARE(dialog.findChild<QSpinBox*>(QStringLiteral("Frames"))->value(), 10);
            dialog.findChild<QComboBox*>(QStringLiteral("DirectionOrder"))->setCurrentIndex(1);
            dialog.findChild<QSpinBox*>(QStringLiteral("Speed"))->setValue(70);
        };
        frame().Action(ID_FILE_NEW_FRAMES)->trigger();
        QCOMPARE(answers.titles, (QStringList{"New from Frames", "New from Frames"}));
        QVERIFY2(answers.messages.isEmpty(), qPrintable(answers.messages.value(0).text));
        QVERIFY(doc().IsUnsaved());
        QCOMPARE(doc().GetTitle(), QStringLiteral("walk (unsaved)"));
        const auto original = loaded(kSamples + QStringLiteral("unit.flc"));
        QVERIFY(original);
        QVERIFY(samePictures(onUnitPicture(player()), onUnitPicture(*original)));
        QVERIFY(player().filePalette == original->filePalette);
        QVERIFY(frame().statusBar()->currentMessage().startsWith(QStringLiteral("Built 8 x 10 frames")));
    }

    // Export > Frames as cels in BMP, and the note chosen in New from
    // Frames builds the unit back.
    void celsExportedComeBackThroughTheirNote()
    {
        const QString sample = m_files->path() + QStringLiteral("/unit.flc");
        QVERIFY(QFile::copy(kSamples + QStringLiteral("unit.flc"), sample));
        QVERIFY(m_app->OpenDocumentFile(sample));
        Answers answers;
        answers.fill = [](QDialog& dialog) {
            dialog.findChild<QComboBox*>(QStringLiteral("Layout"))->setCurrentIndex(2);
        };
        // The export's own file dialog: one name for the whole set.
        uSetModalHook([&answers, this](const ModalRequest& request) {
            if (!request.dialog) {
                answers.messages.append(request);
                return int(IDOK);
            }
            answers.fill(*request.dialog);
            qobject_cast<CFileDialogX*>(request.dialog)->selectFile(m_files->path() + QStringLiteral("/cels/unit.bmp"));
            return int(IDOK);
        });
        QDir(m_files->path()).mkdir(QStringLiteral("cels"));
        frame().Action(ID_EXPORT_STORYBOARD)->trigger();
        QVERIFY2(answers.messages.isEmpty(), qPrintable(answers.messages.value(0).text));
        QVERIFY(QFile::exists(m_files->path() + QStringLiteral("/cels/unit_SW_0000.bmp")));
        QVERIFY(QFile::exists(m_files->path() + QStringLiteral("/cels/unit_W_0009.bmp")));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("StoryboardLayout"), -1), 2);

        Answers back;
        back.files = {m_files->path() + QStringLiteral("/cels/unit.kinetra.json")};
        frame().Action(ID_FILE_NEW_FRAMES)->trigger();
        QVERIFY2(back.messages.isEmpty(), qPrintable(back.messages.value(0).text));
        QCOMPARE(back.titles, QStringList{"New from Frames"});
        QVERIFY(doc().IsUnsaved());
        QCOMPARE(doc().GetTitle(), QStringLiteral("unit (unsaved)"));
        const auto original = loaded(sample);
        QVERIFY(original);
        QVERIFY(samePictures(onUnitPicture(player()), onUnitPicture(*original)));
    }

    void aSeriesThatIsNotOneIsRefusedByName()
    {
        Answers answers;
        answers.files = writeFrames({0, 1, 2, 3, 4, 5, 6, 7});
        answers.files.removeLast();
        answers.fill = [](QDialog& dialog) {
            dialog.findChild<QComboBox*>(QStringLiteral("Directions"))->setCurrentIndex(0);
            dialog.findChild<QSpinBox*>(QStringLiteral("Frames"))->setValue(10);
        };
        frame().Action(ID_FILE_NEW_FRAMES)->trigger();
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY2(answers.messages[0].text.contains(QStringLiteral("need 80 pictures, but 79 were given")),
                 qPrintable(answers.messages[0].text));
        QCOMPARE(answers.messages[0].type, unsigned(MB_OK | MB_ICONSTOP));
        QVERIFY(!doc().IsUnsaved());
    }
};

KINETRA_QTEST_MAIN(CMainViewFramesTest)
#include "CMainViewFramesTest.moc"
