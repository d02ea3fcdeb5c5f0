#include "qtsupport/QtTestMain.h"

#include "uikit/Paths.h"

#include <QFileDialog>
#include <QFileInfo>

class PathsTest : public QObject {
    Q_OBJECT

private slots:
    void extensionIsTheLastDotOfTheNamePart()
    {
        QCOMPARE(uGetFileExt(QStringLiteral("a/b.FLC")), QStringLiteral("FLC"));
        QCOMPARE(uGetFileExt(QStringLiteral("/x/archive.tar.gz")), QStringLiteral("gz"));
        QCOMPARE(uGetFileExt(QStringLiteral("a.b/c")), QString());
        QCOMPARE(uGetFileExt(QStringLiteral("noext")), QString());
    }

    void folderAndNameParts()
    {
        QCOMPARE(uGetPathName(QStringLiteral("/a/b.flc")), QStringLiteral("/a/"));
        QCOMPARE(uGetPathName(QStringLiteral("b.flc")), QString());
        QCOMPARE(CFileX::GetFileName(QStringLiteral("/a/b.flc")), QStringLiteral("b.flc"));
        QCOMPARE(CFileX::GetFileName(QStringLiteral("b.flc")), QStringLiteral("b.flc"));
        QCOMPARE(CFileX::GetFileName(QStringLiteral("/a/")), QString());
    }

    void existenceAndFolderCreation()
    {
        QTemporaryDir dir;
        const QString nested = dir.path() + QStringLiteral("/one/two");
        QVERIFY(!uIsDirExist(nested));
        QVERIFY(uCreateNewFolder(nested));
        QVERIFY(uIsDirExist(nested));
        QVERIFY(!uIsFileExist(nested));
        QVERIFY(!uIsFileExist(QString()));
    }

    void tempFilesAreNewAndEmpty()
    {
        const QString first = uGetTempFileName(QStringLiteral("knt"));
        const QString second = uGetTempFileName(QStringLiteral("knt"));
        QVERIFY(!first.isEmpty());
        QVERIFY(first != second);
        QVERIFY(CFileX::GetFileName(first).startsWith(QStringLiteral("knt")));
        QVERIFY(uIsFileExist(first));
        QCOMPARE(QFileInfo(first).size(), 0);
        QFile::remove(first);
        QFile::remove(second);
    }

    void numbersAndModulePath()
    {
        QCOMPARE(uInt2Str(-2147483648LL), QStringLiteral("-2147483648"));
        QCOMPARE(uInt2Str(4294967295LL), QStringLiteral("4294967295"));
        const QString module = uGetModuleFileName();
        QVERIFY(uIsFileExist(module));
        QCOMPARE(CFileX::GetFileName(module), QStringLiteral("PathsTest"));
    }

    void browseFolderReplacesPathOnlyWhenConfirmed()
    {
        QTemporaryDir dir;
        const QString chosen = dir.path() + QStringLiteral("/chosen");
        QVERIFY(uCreateNewFolder(chosen));
        kinetra::test::ModalRecorder recorder;
        QString title;
        QString startFolder;
        bool nonNative = false;
        bool folderMode = false;
        uSetModalHook([&](const ModalRequest& request) {
            auto* dialog = qobject_cast<QFileDialog*>(request.dialog);
            if (!dialog)
                return int(IDCANCEL);
            title = dialog->windowTitle();
            startFolder = dialog->directory().absolutePath();
            nonNative = dialog->testOption(QFileDialog::DontUseNativeDialog);
            folderMode = dialog->fileMode() == QFileDialog::Directory;
            dialog->selectFile(chosen);
            return recorder.answer;
        });
        QString path = dir.path();
        recorder.answer = IDCANCEL;
        QVERIFY(!uBrowseFolder(nullptr, path, QStringLiteral("Select Palettes Directory"), 2));
        QCOMPARE(path, dir.path());
        QCOMPARE(title, QStringLiteral("Select Palettes Directory"));
        QVERIFY(nonNative);
        QVERIFY(folderMode);
        QCOMPARE(QFileInfo(startFolder).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
        recorder.answer = IDOK;
        QVERIFY(uBrowseFolder(nullptr, path, QStringLiteral("Select Palettes Directory"), 2));
        QCOMPARE(QFileInfo(path).canonicalFilePath(), QFileInfo(chosen).canonicalFilePath());
    }
};

KINETRA_QTEST_MAIN(PathsTest)
#include "PathsTest.moc"
