#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "app/ErrorReason.h"
#include "imaging/AnimationExport.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>

#include <gif_lib.h>

#include <cerrno>
#include <memory>
#include <system_error>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

// What a GIF file holds, read back with giflib.
struct DecodedGif {
    bool ok = false;
    int width = 0;
    int height = 0;
    int frames = 0;
    int firstDelay = -1;
    bool loopsForever = false;
    // Every frame's colours, 0x00RRGGBB, row by row.
    std::vector<std::vector<std::uint32_t>> pictures;
};

DecodedGif decodeGif(const QString& path)
{
    DecodedGif decoded;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!gif)
        return decoded;
    if (DGifSlurp(gif) == GIF_OK) {
        decoded.ok = true;
        decoded.width = gif->SWidth;
        decoded.height = gif->SHeight;
        decoded.frames = gif->ImageCount;
        for (int f = 0; f < gif->ImageCount; ++f) {
            const SavedImage& image = gif->SavedImages[f];
            const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
            std::vector<std::uint32_t> picture;
            const int count = image.ImageDesc.Width * image.ImageDesc.Height;
            for (int i = 0; map && i < count; ++i) {
                const GifColorType& c = map->Colors[image.RasterBits[i] % map->ColorCount];
                picture.push_back((std::uint32_t(c.Red) << 16) | (std::uint32_t(c.Green) << 8) | c.Blue);
            }
            decoded.pictures.push_back(std::move(picture));
        }
        GraphicsControlBlock control;
        if (gif->ImageCount > 0 && DGifSavedExtensionToGCB(gif, 0, &control) == GIF_OK)
            decoded.firstDelay = control.DelayTime;
        // giflib keeps the blocks in front of an image with that image.
        const SavedImage* first = gif->ImageCount > 0 ? &gif->SavedImages[0] : nullptr;
        for (int i = 0; first && i < first->ExtensionBlockCount; ++i) {
            const ExtensionBlock& block = first->ExtensionBlocks[i];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11
                && std::equal(block.Bytes, block.Bytes + 11, "NETSCAPE2.0") && i + 1 < first->ExtensionBlockCount) {
                const ExtensionBlock& data = first->ExtensionBlocks[i + 1];
                decoded.loopsForever = data.ByteCount >= 3 && data.Bytes[1] == 0 && data.Bytes[2] == 0;
            }
        }
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

// Answers the export's file dialog with a path and the choices of its
// panel, and records the messages.
struct ExportAnswer {
    QString choice;
    bool transparent = false;
    bool crop = false;
    QStringList messages;
    QString title;
    QString shownFolder;

    ExportAnswer()
    {
        uSetModalHook([this](const ModalRequest& request) {
            if (!request.dialog) {
                messages.append(request.text);
                return int(IDOK);
            }
            title = request.dialog->windowTitle();
            shownFolder = qobject_cast<QFileDialog*>(request.dialog)->directory().absolutePath();
            if (choice.isEmpty())
                return int(IDCANCEL);
            if (auto* box = request.dialog->findChild<QCheckBox*>(QStringLiteral("Transparent")))
                box->setChecked(transparent);
            if (auto* box = request.dialog->findChild<QCheckBox*>(QStringLiteral("Crop")))
                box->setChecked(crop);
            qobject_cast<QFileDialog*>(request.dialog)->selectFile(choice);
            return int(IDOK);
        });
    }
    ~ExportAnswer() { uSetModalHook({}); }
    ExportAnswer(const ExportAnswer&) = delete;
    ExportAnswer& operator=(const ExportAnswer&) = delete;
};

} // namespace

class CMainViewExportTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<CKinetraApp> m_app;
    std::unique_ptr<CKinetraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;

    CMainView& view() { return *m_frame->GetActiveView(); }
    CFlcPlayer& player() { return view().Player(); }
    QString file(const QString& name) const { return m_files->path() + "/" + name; }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const char* entry : {"ExportDir", "ExportTransparent", "ExportCrop", "Direction"})
            uDeleteProfileEntry(kOptions, QString::fromLatin1(entry));
        m_files = std::make_unique<QTemporaryDir>();
        m_app = std::make_unique<CKinetraApp>();
        m_app->m_nPalType = 1;
        m_doc = std::make_unique<CKinetraDoc>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
        m_doc->SetPathName(kSample, false);
        view().OnInitialUpdate();
        QVERIFY(player().loaded);
    }

    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
        m_app.reset();
        m_files.reset();
    }

    void gifOfOneDirectionLoopsWithTheFilesDelay()
    {
        QVERIFY(view().SelectDirection(1));
        ExportAnswer answer;
        answer.choice = file(QStringLiteral("walk.gif"));
        m_frame->Action(ID_EXPORT_GIF)->trigger();
        QCOMPARE(answer.title, QStringLiteral("Export Animated GIF"));
        // The first export starts beside the animation.
        QCOMPARE(answer.shownFolder, QStringLiteral(KINETRA_SAMPLES_DIR));
        QVERIFY2(answer.messages.isEmpty(), qPrintable(answer.messages.join(u'\n')));
        const DecodedGif gif = decodeGif(answer.choice);
        QVERIFY(gif.ok);
        QCOMPARE(gif.frames, player().rangeEnd - player().rangeStart);
        QCOMPARE(gif.width, 240);
        QCOMPARE(gif.height, 240);
        QCOMPARE(gif.firstDelay, int(player().header.speed + 5) / 10);
        QVERIFY(gif.loopsForever);
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("ExportDir")), m_files->path() + u'/');
    }

    void windowAndCommandLineExportTheSameFrames()
    {
        view().OnBgdSea();
        QVERIFY(view().SelectDirection(1));
        ExportAnswer answer;
        answer.choice = file(QStringLiteral("window.gif"));
        m_frame->Action(ID_EXPORT_GIF)->trigger();
        const QString cliGif = file(QStringLiteral("cli.gif"));
        QCOMPARE(QProcess::execute(QStringLiteral(KINETRA_CLI_BINARY),
                                   {QStringLiteral("gif"), kSample, QStringLiteral("--direction"), QStringLiteral("1"),
                                    QStringLiteral("--background"), QStringLiteral("sea"), QStringLiteral("--out"),
                                    cliGif}),
                 0);
        const DecodedGif window = decodeGif(answer.choice);
        const DecodedGif cli = decodeGif(cliGif);
        QVERIFY(window.ok && cli.ok);
        QCOMPARE(window.frames, 10);
        QCOMPARE(cli.frames, window.frames);
        QVERIFY(window.pictures == cli.pictures);
    }

    void exportLeavesPlaybackAsItWas()
    {
        view().OnStop();
        view().OnNext();
        view().OnNext();
        const int frame = player().currentFrame;
        QVERIFY(!player().playing);
        const QImage shown = player().PresentedImage().copy();
        uWriteProfileString(kOptions, QStringLiteral("ExportDir"), m_files->path());
        ExportAnswer answer;
        answer.choice = file(QStringLiteral("all.gif"));
        m_frame->Action(ID_EXPORT_GIF)->trigger();
        QVERIFY(QFile::exists(answer.choice));
        QCOMPARE(answer.shownFolder, m_files->path());
        QCOMPARE(player().currentFrame, frame);
        QVERIFY(!player().playing);
        QVERIFY(player().loaded);
        QCOMPARE(player().PresentedImage(), shown);
    }

    void spriteSheetHasARowPerDirectionAndCropsOnRequest()
    {
        const int frames = player().rangeEnd - player().rangeStart;
        const int directions = player().header.directions;
        {
            ExportAnswer answer;
            answer.choice = file(QStringLiteral("sheet.png"));
            m_frame->Action(ID_EXPORT_SHEET)->trigger();
            const QImage sheet(answer.choice);
            QCOMPARE(sheet.size(), QSize(frames / directions * 240, directions * 240));
        }
        {
            ExportAnswer answer;
            answer.choice = file(QStringLiteral("cropped.png"));
            answer.crop = true;
            answer.transparent = true;
            m_frame->Action(ID_EXPORT_SHEET)->trigger();
            const QImage sheet(answer.choice);
            QVERIFY(!sheet.isNull());
            QVERIFY(sheet.width() < frames / directions * 240);
            QCOMPARE(sheet.height() % directions, 0);
            QVERIFY(sheet.hasAlphaChannel());
            QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("ExportCrop"), 0), 1);
            QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("ExportTransparent"), 0), 1);
        }
    }

    void cancelLeavesNoFile()
    {
        connect(&view(), &CMainView::exportProgressed, this, [this](int done) {
            if (done == 2)
                if (auto* progress = view().findChild<QProgressDialog*>(QStringLiteral("ExportProgress")))
                    progress->cancel();
        });
        ExportAnswer answer;
        answer.choice = file(QStringLiteral("cancelled.gif"));
        m_frame->Action(ID_EXPORT_GIF)->trigger();
        QVERIFY(answer.messages.isEmpty());
        QVERIFY(!QFile::exists(answer.choice));
        QCOMPARE(QDir(m_files->path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }

    void failedWriteSaysSoAndLeavesNothing()
    {
        uWriteProfileString(kOptions, QStringLiteral("ExportDir"), m_files->path());
        ExportAnswer answer;
        answer.choice = file(QStringLiteral("missing/walk.gif"));
        m_frame->Action(ID_EXPORT_GIF)->trigger();
        // The system's reason, in kinetra-cli's words.
        QCOMPARE(answer.messages, QStringList{QStringLiteral("Cannot write the file '%1': No such file or directory.")
                                                  .arg(answer.choice)});
        QVERIFY(!QFile::exists(answer.choice));
    }

    // The window's sentence comes from its string table, in the words
    // kinetra-cli prints.
    void aFailedWriteReadsAsOnTheCommandLine()
    {
        const QString path = file(QStringLiteral("folder/walk.gif"));
        for (const int code : {ENOENT, ENOTDIR, EACCES, EROFS, 0}) {
            const std::error_code error = code ? std::error_code(code, std::generic_category()) : std::error_code();
            QCOMPARE(cannotWriteMessage(path, error),
                     QString::fromStdString(kinetra::cannotWriteMessage(QFile::encodeName(path).toStdString(), error)));
        }
    }

    void exportNeedsALoadedFile()
    {
        m_doc->SetPathName(QString(), false);
        view().OnInitialUpdate();
        QVERIFY(!m_frame->Action(ID_EXPORT_GIF)->isEnabled());
        QVERIFY(!m_frame->Action(ID_EXPORT_SHEET)->isEnabled());
        ExportAnswer answer;
        answer.choice = file(QStringLiteral("none.gif"));
        view().OnExportGif();
        QVERIFY(answer.title.isEmpty());
    }
};

KINETRA_QTEST_MAIN(CMainViewExportTest)
#include "CMainViewExportTest.moc"
