#include "app/CCivColorCombo.h"
#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "flc/CFlcAnimation.h"
#include "imaging/CFlcPlayer.h"
#include "palette/CColorTable.h"
#include "palette/CPaletteDlg.h"
#include "palette/PaletteFiles.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "uikit/CButtonX.h"
#include "uikit/CEditX.h"
#include "uikit/CFileDialogX.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

using kinetra::test::ModalRecorder;

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writePalette(const QString& path, const kinetra::Palette& palette, kinetra::PaletteFormat format)
{
    const std::vector<std::uint8_t> bytes = kinetra::encodePalette(palette, format);
    return writeAll(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

// Every entry a colour of its own, unlike the sample's.
kinetra::Palette rampPalette()
{
    kinetra::Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = kinetra::PaletteEntry::fromRgb(std::uint8_t(255 - i), std::uint8_t(i), std::uint8_t(i * 7));
    return palette;
}

kinetra::Palette paletteOfFile(const QString& path)
{
    kinetra::CFlcAnimation animation;
    if (animation.Load(QFile::encodeName(path).toStdString(), true) != kinetra::kOk)
        return {};
    return animation.filePalette;
}

// Answers the file dialogs with a chosen path (or, with acceptProposal, the
// one the dialog proposes) and filter index and every message box with OK,
// recording both.
struct FileDialogAnswer {
    QString choice;
    bool acceptProposal = false;
    int filterIndex = 0;
    QStringList messages;
    QList<unsigned> messageTypes;
    QString dialogTitle;
    int shownFilterIndex = 0;
    QString shownFolder;
    QString proposed; // before the filter index is chosen
    QString named;    // when the dialog is answered
    int dialogs = 0;
    // How every message box is answered.
    int messageAnswer = IDOK;

    FileDialogAnswer()
    {
        uSetModalHook([this](const ModalRequest& request) {
            if (!request.dialog) {
                messages.append(request.text);
                messageTypes.append(request.type);
                return messageAnswer;
            }
            ++dialogs;
            auto* dialog = qobject_cast<CFileDialogX*>(request.dialog);
            if (!dialog)
                return int(IDCANCEL);
            dialogTitle = dialog->windowTitle();
            shownFilterIndex = dialog->GetFilterIndex();
            shownFolder = dialog->directory().absolutePath();
            proposed = dialog->GetPathName();
            if (choice.isEmpty() && !acceptProposal)
                return int(IDCANCEL);
            if (filterIndex > 0)
                dialog->SetFilterIndex(filterIndex);
            if (!choice.isEmpty())
                dialog->selectFile(choice);
            named = dialog->GetPathName();
            return int(IDOK);
        });
    }
    ~FileDialogAnswer() { uSetModalHook({}); }
    FileDialogAnswer(const FileDialogAnswer&) = delete;
    FileDialogAnswer& operator=(const FileDialogAnswer&) = delete;
};

} // namespace

class CMainViewFilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<CKinetraApp> m_app;
    std::unique_ptr<CKinetraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    QString m_unit;

    CMainView& view() { return *m_frame->GetActiveView(); }
    CFlcPlayer& player() { return view().Player(); }
    QString file(const QString& name) const { return m_files->path() + "/" + name; }

    void chooseBuiltInCivColor(int index)
    {
        auto* combo = qobject_cast<CCivColorCombo*>(view().GetDlgItem(IDC_CIV_COLOR));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        QCOMPARE(view().m_nCivColor, index);
    }

    void open(const QString& path)
    {
        m_doc->SetPathName(path, false);
        view().OnInitialUpdate();
    }

    // Opens the palette dialog from the form's button; `edit` runs on the
    // shown dialog, which then closes with OK or Cancel.
    int runPaletteDialog(bool confirm, const std::function<void(CPaletteDlg&)>& edit)
    {
        int shown = 0;
        uSetModalHook([&](const ModalRequest& request) {
            auto* dialog = qobject_cast<CPaletteDlg*>(request.dialog);
            if (!dialog)
                return int(IDCANCEL);
            ++shown;
            dialog->show();
            edit(*dialog);
            (confirm ? dialog->OkButton() : dialog->CancelButton())->click();
            return dialog->result() == QDialog::Accepted ? int(IDOK) : int(IDCANCEL);
        });
        qobject_cast<QAbstractButton*>(view().GetDlgItem(IDC_PALETTE))->click();
        uSetModalHook({});
        return shown;
    }

    static void typeRed(CPaletteDlg& dialog, const QString& text)
    {
        QLineEdit* red = dialog.Edit(CPaletteDlg::IDC_SELECTED_RED);
        red->selectAll();
        QTest::keyClicks(red, text);
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const char* entry : {"PalDir", "PalFilterImp", "PalFilterExp", "Last Opend", "Pal Type"})
            uDeleteProfileEntry(kOptions, QString::fromLatin1(entry));
        uDeleteProfileEntry(QStringLiteral("Recent Files"), QStringLiteral("File1"));
        m_files = std::make_unique<QTemporaryDir>();
        m_unit = file(QStringLiteral("unit.flc"));
        QVERIFY(QFile::copy(kSample, m_unit));
        QFile::setPermissions(m_unit, QFile::ReadOwner | QFile::WriteOwner);
        m_app = std::make_unique<CKinetraApp>();
        m_app->LoadSettings();
        m_app->m_nPalType = 1;
        m_doc = std::make_unique<CKinetraDoc>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
        open(m_unit);
        QVERIFY(player().loaded);
    }

    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
        m_app.reset();
        m_files.reset();
    }

    void importedPaletteIsSavedIntoTheFile()
    {
        const QString act = file(QStringLiteral("ramp.act"));
        QVERIFY(writePalette(act, rampPalette(), kinetra::PaletteFormat::Act));
        const QByteArray before = readAll(m_unit);
        {
            FileDialogAnswer answer;
            answer.choice = act;
            m_frame->Action(ID_PALETTE_IMPORT)->trigger();
            QCOMPARE(answer.dialogTitle, QStringLiteral("Select Palette file to import"));
            QCOMPARE(answer.messages, QStringList{QStringLiteral("Palette is successfully imported.")});
            QCOMPARE(answer.messageTypes.value(0), unsigned(MB_OK));
        }
        QVERIFY(player().loaded);
        QVERIFY(player().displayPalette == rampPalette());
        QVERIFY(player().filePalette == rampPalette());
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("PalDir")), act);
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("PalFilterImp"), 0), 1);

        {
            FileDialogAnswer answer;
            m_frame->Action(ID_FILE_SAVE)->trigger();
            QVERIFY(answer.messages.isEmpty());
            QCOMPARE(answer.dialogs, 0);
        }
        const QByteArray after = readAll(m_unit);
        QCOMPARE(after.size(), before.size());
        QVERIFY(after != before);
        QVERIFY(paletteOfFile(m_unit) == rampPalette());
        // Only the colour bytes of the one palette chunk differ.
        const std::uint32_t colours = player().paletteOffsets.at(0) + 4;
        for (qsizetype i = 0; i < after.size(); ++i)
            if (i < qsizetype(colours) || i >= qsizetype(colours) + 768)
                QVERIFY2(after[i] == before[i], qPrintable(QString::number(i)));
        QCOMPARE(m_app->m_mruManager.Files().value(0), m_unit);
    }

    void invalidImportReloadsTheFilesPalette()
    {
        const kinetra::Palette original = player().displayPalette;
        const QString act = file(QStringLiteral("long.act"));
        QVERIFY(writeAll(act, QByteArray(772, '\x10')));
        FileDialogAnswer answer;
        answer.choice = act;
        m_frame->Action(ID_PALETTE_IMPORT)->trigger();
        QCOMPARE(answer.messages, QStringList{uFormatString(IDS_PALETTE_IMPORT_INVALID, act)});
        QVERIFY(player().loaded);
        QVERIFY(player().displayPalette == original);
    }

    void importStartsWhereTheLastPaletteFileWas()
    {
        const QString pal = file(QStringLiteral("old.pal"));
        QVERIFY(writePalette(pal, rampPalette(), kinetra::PaletteFormat::Jasc));
        uWriteProfileString(kOptions, QStringLiteral("PalDir"), pal);
        uWriteProfileInt(kOptions, QStringLiteral("PalFilterImp"), 4);
        FileDialogAnswer answer;
        m_frame->Action(ID_PALETTE_IMPORT)->trigger();
        QCOMPARE(answer.dialogs, 1);
        QCOMPARE(answer.shownFilterIndex, 4);
        QCOMPARE(answer.shownFolder, m_files->path());
        // Cancelled: nothing changes.
        QVERIFY(answer.messages.isEmpty());
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("PalDir")), pal);
    }

    void exportWritesTheChosenFormatUnderItsOwnExtension()
    {
        FileDialogAnswer answer;
        answer.choice = file(QStringLiteral("sprite.jpeg"));
        answer.filterIndex = 3;
        m_frame->Action(ID_PALETTE_EXPORT)->trigger();
        QCOMPARE(answer.dialogTitle, QStringLiteral("Select Palette file to export"));
        QCOMPARE(answer.messages, QStringList{QStringLiteral("'%1'\r\nPalette is successfully exported.")
                                                  .arg(file(QStringLiteral("sprite.pal")))});
        const QByteArray jasc = readAll(file(QStringLiteral("sprite.pal")));
        QVERIFY(jasc.startsWith("JASC-PAL\r\n0100\r\n256\r\n"));
        QVERIFY(!QFile::exists(file(QStringLiteral("sprite.jpeg"))));
        QCOMPARE(uGetProfileInt(kOptions, QStringLiteral("PalFilterExp"), 0), 3);
    }

    // The last palette file read was the animation itself; the export
    // proposes the animation's name with the format's extension, and the
    // name follows a format chosen in the dialog.
    void exportProposesTheAnimationsNameWithTheFormatsExtension_data()
    {
        QTest::addColumn<int>("lastFilter");
        QTest::addColumn<int>("chosenFilter");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("Adobe Color Table") << 1 << 0 << "unit.act" << "unit.act" << QByteArray();
        QTest::newRow("RIFF") << 2 << 0 << "unit.pal" << "unit.pal" << QByteArray("RIFF");
        QTest::newRow("Adobe, then JASC chosen") << 1 << 3 << "unit.act" << "unit.pal" << QByteArray("JASC-PAL");
        QTest::newRow("JASC, then Adobe chosen") << 3 << 1 << "unit.pal" << "unit.act" << QByteArray();
    }

    void exportProposesTheAnimationsNameWithTheFormatsExtension()
    {
        QFETCH(int, lastFilter);
        QFETCH(int, chosenFilter);
        QFETCH(QString, proposed);
        QFETCH(QString, written);
        QFETCH(QByteArray, starts);
        uWriteProfileString(kOptions, QStringLiteral("PalDir"), m_unit);
        uWriteProfileInt(kOptions, QStringLiteral("PalFilterExp"), lastFilter);
        const QByteArray unit = readAll(m_unit);
        FileDialogAnswer answer;
        answer.acceptProposal = true;
        answer.filterIndex = chosenFilter;
        m_frame->Action(ID_PALETTE_EXPORT)->trigger();
        QCOMPARE(answer.proposed, file(proposed));
        QCOMPARE(answer.named, file(written));
        // No question about replacing a file: the one proposed is new.
        QCOMPARE(answer.messages, QStringList{QStringLiteral("'%1'\r\nPalette is successfully exported.")
                                                  .arg(file(written))});
        const QByteArray palette = readAll(file(written));
        QCOMPARE(palette.size() == 768, starts.isEmpty());
        QVERIFY(palette.startsWith(starts));
        QCOMPARE(readAll(m_unit), unit);
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("PalDir")), file(written));
    }

    void exportIntoAMissingFolderSaysSo()
    {
        FileDialogAnswer answer;
        const QString target = file(QStringLiteral("missing/palette.act"));
        answer.choice = target;
        m_frame->Action(ID_PALETTE_EXPORT)->trigger();
        QCOMPARE(answer.messages.size(), 1);
        QCOMPARE(answer.messages.first(),
                 QStringLiteral("Cannot write the file '%1': No such file or directory.").arg(target));
        QVERIFY(!QFile::exists(target));
    }

    void saveAsMakesTheNewFileTheDocument()
    {
        const QByteArray source = readAll(m_unit);
        const QString copy = file(QStringLiteral("copy.flc"));
        FileDialogAnswer answer;
        answer.choice = copy;
        m_frame->Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(answer.dialogTitle, QStringLiteral("Save FLC as"));
        QCOMPARE(answer.shownFolder, m_files->path());
        QVERIFY(answer.messages.isEmpty());
        QCOMPARE(readAll(copy), source);
        QCOMPARE(readAll(m_unit), source);
        QCOMPARE(m_doc->GetPathName(), copy);
        QCOMPARE(m_doc->GetTitle(), QStringLiteral("copy.flc"));
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("Last Opend")), copy);
        QCOMPARE(m_app->m_mruManager.Files().value(0), copy);
        QCOMPARE(QString::fromStdString(player().path), copy);
    }

    void failedSaveAsTellsTheUserAndChangesNothing()
    {
        const QString target = file(QStringLiteral("missing/copy.flc"));
        FileDialogAnswer answer;
        answer.choice = target;
        m_frame->Action(ID_FILE_SAVE_AS)->trigger();
        // The system's reason follows the message.
        QCOMPARE(answer.messages,
                 QStringList{QStringLiteral("Cannot write the file '%1': No such file or directory.").arg(target)});
        QCOMPARE(answer.messageTypes.value(0), unsigned(MB_OK | MB_ICONSTOP));
        QCOMPARE(m_doc->GetPathName(), m_unit);
        QCOMPARE(m_doc->GetTitle(), QStringLiteral("unit.flc"));
        QVERIFY(uGetProfileString(kOptions, QStringLiteral("Last Opend")).isEmpty());
        QVERIFY(!QFile::exists(target));
    }

    void saveRefusesAFileChangedOnDisk()
    {
        // Another program rewrote the file since it was loaded: the palette
        // chunk is no longer where the load found it.
        QByteArray changed = readAll(m_unit);
        changed.insert(128, QByteArray(64, '\0'));
        QVERIFY(writeAll(m_unit, changed));
        FileDialogAnswer answer;
        m_frame->Action(ID_FILE_SAVE)->trigger();
        QCOMPARE(answer.messages, QStringList{uFormatString(IDS_CANNOT_SAVE_FILE, m_unit)});
        QCOMPARE(readAll(m_unit), changed);
        QCOMPARE(QDir(m_files->path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void paletteDialogEditsBecomeTheAnimationsPalette()
    {
        chooseBuiltInCivColor(3);
        QCOMPARE(runPaletteDialog(true, [](CPaletteDlg& dialog) { typeRed(dialog, QStringLiteral("300")); }), 1);
        QVERIFY(player().loaded);
        QCOMPARE(player().displayPalette[0].red, std::uint8_t(255));
        QVERIFY(player().filePalette == player().displayPalette);
        // The tint is part of the file's palette now; the list says "Default".
        QCOMPARE(view().m_nCivColor, 0);
        QCOMPARE(qobject_cast<CCivColorCombo*>(view().GetDlgItem(IDC_CIV_COLOR))->currentIndex(), 0);
    }

    void cancelledPaletteDialogChangesNothing()
    {
        const kinetra::Palette before = player().displayPalette;
        QCOMPARE(runPaletteDialog(false, [](CPaletteDlg& dialog) { typeRed(dialog, QStringLiteral("7")); }), 1);
        QVERIFY(player().displayPalette == before);
        QVERIFY(player().filePalette == before);
    }

    void exportAsksBeforeReplacingTheFileItWrites()
    {
        // The dialog asked about "sprite.jpeg"; the file written is "sprite.pal".
        const QString written = file(QStringLiteral("sprite.pal"));
        QVERIFY(writeAll(written, "keep me"));
        for (const int reply : {int(IDNO), int(IDYES)}) {
            FileDialogAnswer answer;
            answer.choice = file(QStringLiteral("sprite.jpeg"));
            answer.filterIndex = 3;
            answer.messageAnswer = reply;
            m_frame->Action(ID_PALETTE_EXPORT)->trigger();
            QCOMPARE(answer.messages.value(0), uFormatString(IDS_PALETTE_REPLACE, written));
            QCOMPARE(readAll(written) == "keep me", reply == IDNO);
        }
        QCOMPARE(uGetProfileString(kOptions, QStringLiteral("PalDir")), written);
    }

    void paletteEditsMarkTheDocumentAndAreNotLostUnasked()
    {
        const QString question = uFormatString(IDS_ASK_SAVE_CHANGES, QStringLiteral("unit.flc"));
        chooseBuiltInCivColor(3); // a view of the palette, not an edit
        QVERIFY(!m_doc->IsModified());

        const QString act = file(QStringLiteral("ramp.act"));
        QVERIFY(writePalette(act, rampPalette(), kinetra::PaletteFormat::Act));
        {
            FileDialogAnswer answer;
            answer.choice = act;
            m_frame->Action(ID_PALETTE_IMPORT)->trigger();
        }
        QVERIFY(m_doc->IsModified());
        QVERIFY(m_frame->isWindowModified());
        QVERIFY(m_frame->windowTitle().startsWith(QStringLiteral("unit.flc[*]")));

        // Reloading asks; Cancel keeps the edit, No drops it.
        for (const int reply : {int(IDCANCEL), int(IDNO)}) {
            FileDialogAnswer answer;
            answer.messageAnswer = reply;
            m_frame->Action(ID_FILE_REFRESH)->trigger();
            QCOMPARE(answer.messages, QStringList{question});
            QCOMPARE(m_doc->IsModified(), reply == IDCANCEL);
            QCOMPARE(player().displayPalette == rampPalette(), reply == IDCANCEL);
        }

        QCOMPARE(runPaletteDialog(true, [](CPaletteDlg& dialog) { typeRed(dialog, QStringLiteral("9")); }), 1);
        QVERIFY(m_doc->IsModified());
        {
            FileDialogAnswer answer;
            m_frame->Action(ID_FILE_SAVE)->trigger();
            QVERIFY(answer.messages.isEmpty());
        }
        QVERIFY(!m_doc->IsModified());
        QVERIFY(!m_frame->isWindowModified());
    }

    void paletteAndFileCommandsNeedALoadedFile()
    {
        m_doc->SetPathName(QString(), false);
        view().OnInitialUpdate();
        QVERIFY(!player().loaded);
        for (unsigned id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_PALETTE, ID_PALETTE_IMPORT, ID_PALETTE_EXPORT})
            QVERIFY2(!m_frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
        FileDialogAnswer answer;
        view().OnImportPalette();
        view().OnExportPalette();
        view().OnFileSaveAs();
        view().OnPalette();
        QCOMPARE(answer.dialogs, 0);
    }
};

KINETRA_QTEST_MAIN(CMainViewFilesTest)
#include "CMainViewFilesTest.moc"
