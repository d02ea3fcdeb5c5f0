#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "flc/CFlcAnimation.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CMainFrame.h"
#include "ui/CUnitPropertiesDlg.h"
#include "uikit/StringTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileInfo>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>
#include <optional>

namespace {

const QString kSample = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");
const QString kPlainSample = QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

kinetra::FlcHeader headerOfFile(const QString& path)
{
    kinetra::CFlcAnimation animation;
    if (animation.Load(QFile::encodeName(path).toStdString(), true) != kinetra::kOk)
        return {};
    return animation.header;
}

// The offsets of the bytes in which two files of one size differ.
QList<int> differingBytes(const QByteArray& a, const QByteArray& b)
{
    QList<int> at;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            at.append(int(i));
    return at;
}

// The header bytes of speed (16..19), the offsets (100..103) and the
// original size (104..107): all a change of the unit's properties may touch.
bool isUnitField(int offset)
{
    return (offset >= 16 && offset < 20) || (offset >= 100 && offset < 108);
}

} // namespace

class CMainViewUnitTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<CKinetraApp> m_app;
    std::unique_ptr<CKinetraDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;

    CMainView& view() { return *m_frame->GetActiveView(); }
    CFlcPlayer& player() { return view().Player(); }

    // A copy of `sample` in the test's folder, opened.
    QString open(const QString& sample)
    {
        const QString path = m_files->path() + "/" + QFileInfo(sample).fileName();
        QFile::remove(path);
        if (!QFile::copy(sample, path))
            return {};
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        m_doc->SetPathName(path, false);
        view().OnInitialUpdate();
        return path;
    }

    // Runs File > Properties...; the boxes named in `values` take them, then
    // the dialog closes with OK or Cancel. The dialog's boxes are listed in
    // `shown`.
    void runProperties(const std::map<QString, int>& values, bool confirm, QStringList* shown = nullptr)
    {
        int dialogs = 0;
        uSetModalHook([&](const ModalRequest& request) {
            auto* dialog = qobject_cast<CUnitPropertiesDlg*>(request.dialog);
            if (!dialog)
                return int(IDCANCEL);
            ++dialogs;
            dialog->show();
            if (shown)
                for (const QSpinBox* box : dialog->findChildren<QSpinBox*>())
                    shown->append(box->objectName());
            for (const auto& [name, value] : values) {
                auto* box = dialog->findChild<QSpinBox*>(name);
                if (!box)
                    return int(IDCANCEL);
                box->setValue(value);
            }
            dialog->findChild<QAbstractButton*>(confirm ? QStringLiteral("OK") : QStringLiteral("Cancel"))->click();
            return dialog->result() == QDialog::Accepted ? int(IDOK) : int(IDCANCEL);
        });
        m_frame->Action(ID_FILE_PROPERTIES)->trigger();
        uSetModalHook({});
        QCOMPARE(dialogs, 1);
    }

    void ctrl(Qt::Key key, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(&player(), key, Qt::ControlModifier);
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        m_files = std::make_unique<QTemporaryDir>();
        m_app = std::make_unique<CKinetraApp>();
        m_app->LoadSettings();
        m_doc = std::make_unique<CKinetraDoc>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        QVERIFY(m_frame->LoadFrame());
    }

    void cleanup()
    {
        m_frame.reset();
        m_doc.reset();
        m_app.reset();
        m_files.reset();
    }

    void propertiesChangeTheUnitAndASaveKeepsOnlyThose_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        // The samples: unit.flc 70 ms at 70, 70 of 240 × 240; plain.flc 80 ms.
        QTest::newRow("everything of a unit")
            << kSample << QStringList{"Speed", "LeftOffset", "TopOffset", "OriginalWidth", "OriginalHeight"} << 90 << 64
            << 71 << 320 << 200;
        QTest::newRow("a unit's offsets alone")
            << kSample << QStringList{"Speed", "LeftOffset", "TopOffset", "OriginalWidth", "OriginalHeight"} << 70 << 0
            << 65535 << 240 << 240;
        QTest::newRow("a plain file's speed") << kPlainSample << QStringList{"Speed"} << 25 << 0 << 0 << 240 << 240;
    }

    void propertiesChangeTheUnitAndASaveKeepsOnlyThose()
    {
        QFETCH(QString, sample);
        QFETCH(QStringList, boxes);
        QFETCH(int, speed);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(int, height);
        const QString path = open(sample);
        QVERIFY(player().loaded);
        const QByteArray before = readAll(path);
        const bool plain = player().IsPlainFlc();

        std::map<QString, int> values{{"Speed", speed}};
        if (!plain)
            values.insert({{"LeftOffset", left}, {"TopOffset", top}, {"OriginalWidth", width}, {"OriginalHeight", height}});
        QStringList shown;
        runProperties(values, true, &shown);
        QCOMPARE(shown, boxes);

        QCOMPARE(int(player().header.speed), speed);
        QCOMPARE(int(player().header.leftOffset), left);
        QCOMPARE(int(player().header.topOffset), top);
        QCOMPARE(int(player().header.originalWidth), width);
        QCOMPARE(int(player().header.originalHeight), height);
        QVERIFY(m_doc->IsModified());
        QVERIFY(m_frame->isWindowModified());
        QCOMPARE(qobject_cast<QLabel*>(view().GetDlgItem(IDC_DEFAULT_DELAY))->text(), QStringLiteral("(%1)").arg(speed));

        m_frame->Action(ID_FILE_SAVE)->trigger();
        QVERIFY(!m_doc->IsModified());
        const QByteArray after = readAll(path);
        QCOMPARE(after.size(), before.size());
        const QList<int> changed = differingBytes(before, after);
        QVERIFY(!changed.isEmpty());
        for (int offset : changed)
            QVERIFY2(isUnitField(offset), qPrintable(QString::number(offset)));

        const kinetra::FlcHeader saved = headerOfFile(path);
        QCOMPARE(int(saved.speed), speed);
        if (!plain) {
            QCOMPARE(int(saved.leftOffset), left);
            QCOMPARE(int(saved.topOffset), top);
            QCOMPARE(int(saved.originalWidth), width);
            QCOMPARE(int(saved.originalHeight), height);
        } else {
            QCOMPARE(saved.framesPerDirection, std::uint16_t(0));
            QCOMPARE(saved.leftOffset, std::uint16_t(0));
        }
    }

    void cancelOrNoChangeLeavesTheUnitAsItWas()
    {
        const QString path = open(kSample);
        runProperties({{"Speed", 200}, {"LeftOffset", 3}}, false);
        QCOMPARE(player().header.speed, 70u);
        QCOMPARE(player().header.leftOffset, std::uint16_t(70));
        QVERIFY(!m_doc->IsModified());

        runProperties({}, true);
        QVERIFY(!m_doc->IsModified());
        QVERIFY(player().PendingHeaderEdits().empty());
    }

    void ctrlArrowsMoveTheFrameAPixelAtATime()
    {
        const QString path = open(kSample);
        const QByteArray before = readAll(path);
        player().setFocus();
        QTest::keyClick(&player(), Qt::Key_Right);
        QVERIFY2(!m_doc->IsModified(), "an arrow without Ctrl is not a move");

        ctrl(Qt::Key_Right, 3);
        ctrl(Qt::Key_Up);
        ctrl(Qt::Key_Left);
        QCOMPARE(player().header.leftOffset, std::uint16_t(72));
        QCOMPARE(player().header.topOffset, std::uint16_t(69));
        QVERIFY(m_doc->IsModified());
        QVERIFY(m_frame->isWindowModified());

        m_frame->Action(ID_FILE_SAVE)->trigger();
        const kinetra::FlcHeader saved = headerOfFile(path);
        QCOMPARE(saved.leftOffset, std::uint16_t(72));
        QCOMPARE(saved.topOffset, std::uint16_t(69));
        QCOMPARE(differingBytes(before, readAll(path)), (QList<int>{100, 102}));
    }

    void ctrlArrowsStopAtTheEdgeOfWhatTheOffsetsHold()
    {
        open(kSample);
        runProperties({{"LeftOffset", 0}, {"TopOffset", 65535}}, true);
        m_doc->SetModifiedFlag(false);
        ctrl(Qt::Key_Left);
        ctrl(Qt::Key_Down);
        QCOMPARE(player().header.leftOffset, std::uint16_t(0));
        QCOMPARE(player().header.topOffset, std::uint16_t(65535));
        QVERIFY(!m_doc->IsModified());
    }

    void aPlainFileHasNoFrameToMove()
    {
        open(kPlainSample);
        QVERIFY(player().IsPlainFlc());
        QStringList shown;
        uSetModalHook([&](const ModalRequest& request) {
            auto* dialog = qobject_cast<CUnitPropertiesDlg*>(request.dialog);
            if (dialog)
                shown.append(dialog->findChild<QLabel*>(QStringLiteral("PlainNote"))->text());
            return int(IDCANCEL);
        });
        m_frame->Action(ID_FILE_PROPERTIES)->trigger();
        uSetModalHook({});
        QCOMPARE(shown, QStringList{"A plain FLC has no game header: only its speed can change."});

        ctrl(Qt::Key_Right);
        ctrl(Qt::Key_Down);
        QCOMPARE(player().header.leftOffset, std::uint16_t(0));
        QVERIFY(!m_doc->IsModified());
        QVERIFY(player().PendingHeaderEdits().empty());
    }
};

KINETRA_QTEST_MAIN(CMainViewUnitTest)
#include "CMainViewUnitTest.moc"
