#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CFileFlcDlg.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

const QString kUnit = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");

// The dialog's notifications, called as the file list would call them.
class DrivenFlcDlg : public CFileFlcDlg {
public:
    using CFileFlcDlg::OnFileNameChange;
    using CFileFlcDlg::OnFileNameOK;
    using CFileFlcDlg::OnFolderChange;
    using CFileFlcDlg::accept;
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

} // namespace

class CFileFlcDlgTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_png;
    QString m_jpeg;
    QString m_garbage;

private slots:
    void initTestCase()
    {
        RegisterKinetraStrings();
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::green);
        m_png = m_dir.filePath(QStringLiteral("picture.png"));
        QVERIFY(image.save(m_png));
        m_jpeg = m_dir.filePath(QStringLiteral("picture.jpg"));
        QVERIFY(image.save(m_jpeg));
        m_garbage = writeFile(m_dir, QStringLiteral("garbage.flc"), QByteArray(300, '\x7f'));
    }

    void init() { uDeleteProfileEntry(QStringLiteral("Dlg Flc"), QStringLiteral("Preview")); }

    void titleAndFilter()
    {
        DrivenFlcDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Open FLC file"));
        QCOMPARE(dialog.nameFilters(),
                 (QStringList{
                     QStringLiteral(
                         "Animations and storyboards (*.flc *.fli *.cel *.png *.pcx *.bmp *.kinetra.json *.formation.json)"),
                     QStringLiteral("FLIC animations (*.flc *.fli)"), QStringLiteral("Vorenth FLC files (*.flc)"),
                     QStringLiteral("FLI files (*.fli)"), QStringLiteral("FLIC cels (*.cel)"),
                     QStringLiteral("Storyboards (*.png *.pcx *.bmp *.kinetra.json)"),
                     QStringLiteral("Formations (*.formation.json)"), QStringLiteral("All files (*)")}));
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialog.IsPreviewOn());
        QVERIFY(dialog.findChild<QCheckBox*>()->isChecked());
    }

    void sampleIsPreviewedAndAccepted()
    {
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(kUnit);
        QVERIFY(dialog.PreviewImage().IsLoaded());
        QCOMPARE(dialog.PreviewImage().GetImgFileInfo().format, std::uint32_t(PICTREL_FORMAT_FLC));
        QCOMPARE(dialog.OnFileNameOK(kUnit), 0);
        QVERIFY(boxes.requests.isEmpty());
    }

    void flicCelIsPreviewedAndAcceptedByItsMagic()
    {
        QFile unit(kUnit);
        QVERIFY(unit.open(QIODevice::ReadOnly));
        const QString cel = writeFile(m_dir, QStringLiteral("UNIT.CEL"), unit.readAll());
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(cel);
        QVERIFY(dialog.PreviewImage().IsLoaded());
        QCOMPARE(dialog.PreviewImage().GetImgFileInfo().format, std::uint32_t(PICTREL_FORMAT_FLC));
        QCOMPARE(dialog.OnFileNameOK(cel), 0);
        QVERIFY(boxes.requests.isEmpty());
    }

    void otherImageIsRefusedWithTheStopIcon()
    {
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(m_jpeg);
        QVERIFY(dialog.PreviewImage().IsLoaded());
        QCOMPARE(dialog.OnFileNameOK(m_jpeg), 1);
        QCOMPARE(boxes.requests.size(), 1);
        QCOMPARE(boxes.requests.first().type, unsigned(MB_ICONSTOP));
        QCOMPARE(boxes.requests.first().text,
                 uFormatString(IDS_WRONG_FORMAT, dialog.PreviewImage().GetImgFileInfo().fileName));
        QVERIFY(boxes.requests.first().text.contains(QStringLiteral("picture.jpg")));
    }

    void storyboardsAreTakenByTheirNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("sheet") << m_png;
        QTest::newRow("note of filmstrips") << writeFile(m_dir, QStringLiteral("unit.kinetra.json"), "{}");
    }

    void storyboardsAreTakenByTheirNames()
    {
        QFETCH(QString, path);
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(path);
        QCOMPARE(dialog.OnFileNameOK(path), 0);
        QVERIFY(boxes.requests.isEmpty());
    }

    void unloadableFileIsRefusedWithoutIcon_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("garbage") << m_garbage;
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.flc"));
    }

    void unloadableFileIsRefusedWithoutIcon()
    {
        QFETCH(QString, path);
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(path);
        QVERIFY(!dialog.PreviewImage().IsLoaded());
        QCOMPARE(dialog.OnFileNameOK(path), 1);
        QCOMPARE(boxes.requests.size(), 1);
        QCOMPARE(boxes.requests.first().type, unsigned(MB_OK));
        QCOMPARE(boxes.requests.first().text, uFormatString(IDS_WRONG_FORMAT, path));
    }

    void loadErrorIsShownInThePreview()
    {
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(m_garbage);
        QVERIFY(!dialog.PreviewError().isEmpty());
        dialog.OnFileNameChange(kUnit);
        QVERIFY(dialog.PreviewError().isEmpty());
    }

    void typedNameIsJudgedNotTheLastPreview()
    {
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(kUnit);
        QCOMPARE(dialog.OnFileNameOK(m_jpeg), 1);
        QCOMPARE(boxes.requests.size(), 1);
    }

    void previewOffAcceptsAnything()
    {
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.findChild<QCheckBox*>()->setChecked(false);
        QVERIFY(!dialog.IsPreviewOn());
        dialog.OnFileNameChange(m_garbage);
        QVERIFY(!dialog.PreviewImage().IsLoaded());
        QCOMPARE(dialog.OnFileNameOK(m_garbage), 0);
        QCOMPARE(dialog.OnFileNameOK(m_png), 0);
        QVERIFY(boxes.requests.isEmpty());
    }

    void turningPreviewOnLoadsNothingUntilTheNextSelection()
    {
        DrivenFlcDlg dialog;
        dialog.SetPreview(false);
        dialog.OnFileNameChange(kUnit);
        dialog.SetPreview(true);
        QVERIFY(!dialog.PreviewImage().IsLoaded());
        dialog.OnFileNameChange(kUnit);
        QVERIFY(dialog.PreviewImage().IsLoaded());
    }

    void folderChangeClearsThePreview()
    {
        DrivenFlcDlg dialog;
        dialog.OnFileNameChange(kUnit);
        QVERIFY(dialog.PreviewImage().IsLoaded());
        dialog.OnFolderChange(m_dir.path());
        QVERIFY(!dialog.PreviewImage().IsLoaded());
    }

    void previewChoiceIsKeptForTheNextRun()
    {
        {
            DrivenFlcDlg dialog;
            dialog.findChild<QCheckBox*>()->setChecked(false);
            dialog.reject();
        }
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg Flc"), QStringLiteral("Preview"), 1), 0);
        {
            DrivenFlcDlg dialog;
            QVERIFY(!dialog.IsPreviewOn());
            QVERIFY(!dialog.findChild<QCheckBox*>()->isChecked());
            dialog.SetPreview(true);
            dialog.reject();
        }
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg Flc"), QStringLiteral("Preview"), 0), 1);
    }

    void acceptThroughTheDialogRefusesAndStaysOpen()
    {
        kinetra::test::ModalRecorder boxes;
        DrivenFlcDlg dialog;
        dialog.setDirectory(m_dir.path());
        dialog.show();
        dialog.selectFile(m_jpeg);
        dialog.accept();
        QCOMPARE(boxes.requests.size(), 1);
        QCOMPARE(boxes.requests.first().type, unsigned(MB_ICONSTOP));
        QVERIFY(dialog.isVisible());

        dialog.selectFile(kUnit);
        dialog.accept();
        QCOMPARE(boxes.requests.size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

KINETRA_QTEST_MAIN(CFileFlcDlgTest)
#include "CFileFlcDlgTest.moc"
