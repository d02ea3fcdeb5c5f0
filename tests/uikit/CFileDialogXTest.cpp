#include "qtsupport/QtTestMain.h"

#include "res/Resource.h"
#include "uikit/CFileDialogX.h"
#include "uikit/StringTable.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

namespace {

class HookedDialog : public CFileDialogX {
public:
    using CFileDialogX::CFileDialogX;

    QStringList changes;
    QStringList folders;
    QStringList asked;
    int keepOpen = 0;

    void pressOk() { accept(); }

protected:
    void OnFileNameChange(const QString& path) override { changes.append(path); }
    void OnFolderChange(const QString& folder) override { folders.append(folder); }
    int OnFileNameOK(const QString& path) override
    {
        asked.append(path);
        return keepOpen;
    }
};

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class CFileDialogXTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void filtersBecomeQtNameFilters()
    {
        QCOMPARE(CFileDialogX::ConvertFilter(uLoadString(IDS_FLC_FILTER)),
                 QStringList{QStringLiteral("Vorenth FLC files (*.flc)")});
        QCOMPARE(CFileDialogX::ConvertFilter(uLoadString(IDS_PALETTE_IMPORT_FILTER)),
                 (QStringList{QStringLiteral("All avaliable formats (*.act *.pal)"),
                              QStringLiteral("Adobe Color Table (*.act)"),
                              QStringLiteral("Microsoft Palette (*.pal)"),
                              QStringLiteral("Jasc Animation Shop (*.pal)")}));
        QCOMPARE(CFileDialogX::ConvertFilter(uLoadString(IDS_PALETTE_EXPORT_FILTER)).size(), 3);
        // Qt splits the patterns at spaces only.
        QCOMPARE(CFileDialogX::ConvertFilter(QStringLiteral("Images (*.png;*.bmp)|*.png;*.bmp||")),
                 QStringList{QStringLiteral("Images (*.png *.bmp)")});
        // Parentheses that are no extension list are part of the name.
        QCOMPARE(CFileDialogX::ConvertFilter(QStringLiteral("Sheets (old)|*.png")),
                 QStringList{QStringLiteral("Sheets (old) (*.png)")});
        QCOMPARE(CFileDialogX::ConvertFilter(QStringLiteral("Anything (*)|*")), QStringList{QStringLiteral("Anything (*)")});
        // An extension of two parts is one extension.
        QCOMPARE(CFileDialogX::ConvertFilter(QStringLiteral("Notes (.png, .kinetra.json)|*.png;*.kinetra.json")),
                 QStringList{QStringLiteral("Notes (*.png *.kinetra.json)")});
        QCOMPARE(CFileDialogX::ConvertFilter(QStringLiteral("All|*.*")), QStringList{QStringLiteral("All (*.*)")});
        QVERIFY(CFileDialogX::ConvertFilter(QString()).isEmpty());
        QVERIFY(CFileDialogX::ConvertFilter(QStringLiteral("Lonely name||")).isEmpty());
    }

    void modesFollowTheFlags()
    {
        CFileDialogX open(true, QString(), QString(), OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                          uLoadString(IDS_FLC_FILTER));
        QVERIFY(open.testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(open.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(open.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(open.nameFilters(), QStringList{QStringLiteral("Vorenth FLC files (*.flc)")});

        CFileDialogX save(false, QStringLiteral("flc"), QString(), OFN_OVERWRITEPROMPT, uLoadString(IDS_FLC_FILTER));
        QCOMPARE(save.acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(save.fileMode(), QFileDialog::AnyFile);
        QCOMPARE(save.defaultSuffix(), QStringLiteral("flc"));
        CFileDialogX dotted(false, QStringLiteral(".act"), QString(), 0, QString());
        QCOMPARE(dotted.defaultSuffix(), QStringLiteral("act"));
    }

    void sizeColumnFitsAWholeSize()
    {
        CFileDialogX dialog(true, QString(), QString(), OFN_FILEMUSTEXIST, QStringLiteral("All|*.*"));
        auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(details);
        QVERIFY(details->header()->sectionSize(1)
                > QFontMetrics(details->font()).horizontalAdvance(QStringLiteral("1023.9 KiB")));
    }

    void filterIndexIsOneBased()
    {
        CFileDialogX dialog(true, QString(), QString(), 0x1800, uLoadString(IDS_PALETTE_IMPORT_FILTER));
        QCOMPARE(dialog.GetFilterIndex(), 1);
        dialog.SetFilterIndex(4);
        QCOMPARE(dialog.GetFilterIndex(), 4);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Jasc Animation Shop (*.pal)"));
        dialog.SetFilterIndex(9);
        QCOMPARE(dialog.GetFilterIndex(), 4);
    }

    void hooksSeeSelectionFolderAndOk()
    {
        QTemporaryDir dir;
        const QString sub = dir.path() + QStringLiteral("/sub");
        QDir().mkpath(sub);
        const QString file = dir.path() + QStringLiteral("/unit.flc");
        touch(file);
        HookedDialog dialog(true, QString(), QString(), OFN_FILEMUSTEXIST, uLoadString(IDS_FLC_FILTER));
        dialog.setDirectory(dir.path());
        emit dialog.currentChanged(file);
        emit dialog.directoryEntered(sub);
        QCOMPARE(dialog.changes, QStringList{file});
        QCOMPARE(dialog.folders, QStringList{sub});

        dialog.show();
        dialog.setDirectory(dir.path());
        dialog.selectFile(file);
        dialog.keepOpen = 1;
        dialog.pressOk();
        QCOMPARE(dialog.asked, QStringList{file});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        dialog.keepOpen = 0;
        dialog.pressOk();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetPathName(), file);
    }

    void missingFileIsRefusedWhenItMustExist()
    {
        kinetra::test::ModalRecorder recorder;
        QTemporaryDir dir;
        HookedDialog dialog(true, QString(), QString(), OFN_FILEMUSTEXIST, uLoadString(IDS_FLC_FILTER));
        dialog.show();
        dialog.setDirectory(dir.path());
        dialog.selectFile(dir.path() + QStringLiteral("/ghost.flc"));
        dialog.pressOk();
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.asked.isEmpty());
        QCOMPARE(recorder.requests.size(), 1);
        QVERIFY(recorder.requests[0].text.contains(QStringLiteral("ghost.flc")));
        dialog.reject();
    }

    void overwriteIsConfirmedThroughTheModalHook()
    {
        kinetra::test::ModalRecorder recorder;
        QTemporaryDir dir;
        const QString target = dir.path() + QStringLiteral("/out.flc");
        touch(target);
        HookedDialog dialog(false, QStringLiteral("flc"), QString(), OFN_OVERWRITEPROMPT,
                            uLoadString(IDS_FLC_FILTER));
        dialog.show();
        dialog.setDirectory(dir.path());
        dialog.selectFile(target);
        recorder.answer = IDNO;
        dialog.pressOk();
        QVERIFY(dialog.isVisible());
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests[0].type & 0x0Fu, unsigned(MB_YESNO));
        recorder.answer = IDYES;
        dialog.pressOk();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.GetPathName(), target);

        // Without the flag nobody is asked.
        HookedDialog quiet(false, QStringLiteral("flc"), QString(), 0, uLoadString(IDS_FLC_FILTER));
        quiet.show();
        quiet.setDirectory(dir.path());
        quiet.selectFile(target);
        quiet.pressOk();
        QVERIFY(!quiet.isVisible());
        QCOMPARE(recorder.requests.size(), 2);
    }

    void defaultSuffixIsAdded()
    {
        QTemporaryDir dir;
        CFileDialogX dialog(false, QStringLiteral("act"), QString(), 0, uLoadString(IDS_PALETTE_EXPORT_FILTER));
        dialog.setDirectory(dir.path());
        dialog.selectFile(QStringLiteral("colours"));
        QCOMPARE(QFileInfo(dialog.GetPathName()).fileName(), QStringLiteral("colours.act"));
    }

    void initialDirOfAFileSelectsIt()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/last.flc");
        touch(file);
        CFileDialogX dialog(true, QString(), QString(), 0x1800, uLoadString(IDS_FLC_FILTER));
        dialog.SetInitialDir(file);
        QCOMPARE(QFileInfo(dialog.directory().absolutePath()).canonicalFilePath(),
                 QFileInfo(dir.path()).canonicalFilePath());
        QCOMPARE(QFileInfo(dialog.GetPathName()).fileName(), QStringLiteral("last.flc"));
    }

    void customPanelStandsRightOfTheFileList()
    {
        CFileDialogX dialog(true, QString(), QString(), 0x1800, uLoadString(IDS_FLC_FILTER));
        auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
        QVERIFY(grid);
        const int columnsBefore = grid->columnCount();
        auto* panel = new QLabel(QStringLiteral("Preview"));
        dialog.SetCustomPanel(panel);
        QCOMPARE(panel->parentWidget(), &dialog);
        const int index = grid->indexOf(panel);
        QVERIFY(index >= 0);
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(column, columnsBefore);
        QCOMPARE(row, 0);
        QCOMPARE(rowSpan, grid->rowCount());
    }

    void doModalGivesOneWhenChosen()
    {
        kinetra::test::ModalRecorder recorder;
        CFileDialogX dialog(true, QString(), QString(), 0x1800, uLoadString(IDS_FLC_FILTER));
        recorder.answer = IDOK;
        QCOMPARE(dialog.DoModal(), 1);
        QCOMPARE(recorder.requests[0].dialog, &dialog);
    }
};

KINETRA_QTEST_MAIN(CFileDialogXTest)
#include "CFileDialogXTest.moc"
