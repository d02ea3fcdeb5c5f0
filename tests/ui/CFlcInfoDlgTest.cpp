#include "app/CKinetraApp.h"
#include "app/CKinetraDoc.h"
#include "app/CMainView.h"
#include "imaging/CFlcPlayer.h"
#include "qtsupport/QtTestMain.h"
#include "res/Resource.h"
#include "ui/CFlcInfoDlg.h"
#include "ui/CMainFrame.h"
#include "uikit/CButtonX.h"
#include "uikit/CEditX.h"
#include "uikit/Profile.h"

#include <QAction>
#include <QFileInfo>
#include <QScrollBar>
#include <QLineEdit>

#include <memory>

namespace {

const QString kUnit = QStringLiteral(KINETRA_SAMPLES_DIR "/unit.flc");
const QString kPlain = QStringLiteral(KINETRA_SAMPLES_DIR "/plain.flc");
// The information dialog keeps its placement under the kit's default section.
const QString kPlacement = QStringLiteral("Window Position");
const QString kColumns = QStringLiteral("Dlg FlcInfo");

const QStringList kLabels = {
    "File name",        "File size (bytes)",      "Total frames",             "Width (pixels)",
    "Height (pixels)",  "Speed (mc)",             "Total directions",         "Frames per direction",
    "Animation time",   "Original widt (pixels)", "Original height (pixels)", "Left offset (pixels)",
    "Top offset (pixels)",
};

QStringList column(const CListCtrlX& list, int index)
{
    QStringList cells;
    for (int row = 0; row < list.GetItemCount(); ++row)
        cells.append(list.GetItemText(row, index));
    return cells;
}

QString fileSize(const QString& path)
{
    return QString::number(QFileInfo(path).size());
}

} // namespace

class CFlcInfoDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CFlcPlayer> m_player;

    // The player with `path` loaded.
    CFlcPlayer& load(const QString& path)
    {
        m_player = std::make_unique<CFlcPlayer>();
        if (!m_player->Initialize() || m_player->Load(path) != kinetra::kOk)
            qFatal("cannot load %s", qPrintable(path));
        return *m_player;
    }

private slots:
    void initTestCase() { RegisterKinetraStrings(); }

    void init()
    {
        for (const char* entry : {"X", "Y", "Width", "Height", "Maximized"})
            uDeleteProfileEntry(kPlacement, QString::fromLatin1(entry));
        for (const char* entry : {"Column0", "Column1"})
            uDeleteProfileEntry(kColumns, QString::fromLatin1(entry));
    }

    void cleanup() { m_player.reset(); }

    void gameFileShowsItsPathAndHeader()
    {
        CFlcInfoDlg dlg(&load(kUnit));
        dlg.show();
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("FLC Info"));
        QCOMPARE(dlg.PathEdit()->text(), kUnit);
        QVERIFY(dlg.PathEdit()->isReadOnly());
        QCOMPARE(dlg.ExitButton()->text(), QStringLiteral("&Exit"));

        const CListCtrlX& list = *dlg.List();
        QCOMPARE(list.columnCount(), 2);
        QCOMPARE(list.headerItem()->text(0), QStringLiteral("Property"));
        QCOMPARE(list.headerItem()->text(1), QStringLiteral("Value"));
        QCOMPARE(list.columnWidth(0), 150);
        QCOMPARE(list.columnWidth(1), 100);
        QCOMPARE(column(list, 0), kLabels);
        // Every row shows at once, with the font the desktop gives.
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(list.verticalScrollBar()->maximum(), 0);
        QVERIFY(list.viewport()->rect().contains(list.visualItemRect(list.topLevelItem(kLabels.size() - 1))));
        // Eight directions of ten 100 × 100 frames at (70, 70), 70 ms each.
        QCOMPARE(column(list, 1), QStringList({"unit.flc", fileSize(kUnit), "80", "100", "100", "70", "8", "10",
                                               "700", "240", "240", "70", "70"}));
        dlg.ExitButton()->click();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(IDOK));
    }

    void plainFileShowsTheValuesFilledInForPlaying()
    {
        CFlcInfoDlg dlg(&load(kPlain));
        dlg.show();
        // The file stores no directions, offsets or original size: one
        // direction of all 12 frames on the 240 × 240 picture at 0, 0.
        QCOMPARE(column(*dlg.List(), 1), QStringList({"plain.flc", fileSize(kPlain), "12", "64", "48", "80", "1",
                                                      "12", "960", "240", "240", "0", "0"}));
    }

    void valuesKeepTheHeaderFieldsSigns()
    {
        CFlcPlayer& player = load(kUnit);
        player.header.frames = -5;
        player.header.width = -1;
        player.header.directions = 65535;
        player.header.leftOffset = 0xFFFF;
        player.header.size = 0xFFFFFFFFu;
        CFlcInfoDlg dlg(&player);
        dlg.show();
        const QStringList values = column(*dlg.List(), 1);
        QCOMPARE(values.value(1), QStringLiteral("4294967295"));
        QCOMPARE(values.value(2), QStringLiteral("-5"));
        QCOMPARE(values.value(3), QStringLiteral("-1"));
        QCOMPARE(values.value(6), QStringLiteral("65535"));
        QCOMPARE(values.value(11), QStringLiteral("65535"));
    }

    void cellsAreNotEdited()
    {
        CFlcInfoDlg dlg(&load(kUnit));
        dlg.show();
        CFlcInfoList& list = *dlg.List();
        QVERIFY(!list.IsCellEditable(0, 1));
        QCOMPARE(list.SettingsKey(), kColumns);
        list.setCurrentItem(list.topLevelItem(2), 1);
        QTest::keyClick(list.viewport(), Qt::Key_F2);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.topLevelItem(2)).center());
        QVERIFY(!list.findChild<QLineEdit*>());
        QCOMPARE(list.GetItemText(2, 1), QStringLiteral("80"));
    }

    void columnWidthsAndPlacementComeBack()
    {
        QRect placement;
        {
            CFlcInfoDlg dlg(&load(kUnit));
            dlg.show();
            dlg.List()->setColumnWidth(0, 183);
            dlg.List()->setColumnWidth(1, 61);
            dlg.setGeometry(QRect(dlg.geometry().topLeft() + QPoint(30, 20), dlg.size() + QSize(120, 90)));
            placement = dlg.geometry();
            dlg.ExitButton()->click();
        }
        QCOMPARE(uGetProfileInt(kColumns, QStringLiteral("Column0"), 0), 183);
        QCOMPARE(uGetProfileInt(kColumns, QStringLiteral("Column1"), 0), 61);

        CFlcInfoDlg again(m_player.get());
        again.show();
        QCOMPARE(again.List()->columnWidth(0), 183);
        QCOMPARE(again.List()->columnWidth(1), 61);
        QCOMPARE(again.geometry(), placement);
        // Closed by the window's own close, the widths are kept as well.
        again.List()->setColumnWidth(1, 77);
        again.close();
        QCOMPARE(uGetProfileInt(kColumns, QStringLiteral("Column1"), 0), 77);
    }

    void controlsFollowTheDialogsSize()
    {
        CFlcInfoDlg dlg(&load(kUnit));
        dlg.show();
        const QRect path = dlg.PathEdit()->geometry();
        const QRect list = dlg.List()->geometry();
        const QRect exit = dlg.ExitButton()->geometry();
        dlg.resize(dlg.size() + QSize(100, 60));
        QCOMPARE(dlg.PathEdit()->geometry(), path.adjusted(0, 0, 100, 0));
        QCOMPARE(dlg.List()->geometry(), list.adjusted(0, 0, 100, 60));
        QCOMPARE(dlg.ExitButton()->geometry(), exit.translated(50, 60));
    }

    void closesAtOnceWithoutALoadedAnimation()
    {
        CFlcPlayer unloaded;
        QVERIFY(unloaded.Initialize());
        const CFlcPlayer* const players[] = {nullptr, &unloaded};
        for (const CFlcPlayer* player : players) {
            CFlcInfoDlg dlg(player);
            dlg.show();
            QTRY_VERIFY(!dlg.isVisible());
            QCOMPARE(dlg.result(), int(IDCANCEL));
            QCOMPARE(dlg.List()->GetItemCount(), 0);
        }
        // Nothing was shown, so nothing is kept.
        QCOMPARE(uGetProfileInt(kColumns, QStringLiteral("Column0"), -1), -1);
        QCOMPARE(uGetProfileInt(kPlacement, QStringLiteral("Width"), -1), -1);
    }

    void infoCommandOpensTheDialogOnlyWhileLoaded()
    {
        CKinetraApp app;
        app.m_nPalType = 1;
        CKinetraDoc doc;
        CMainFrame frame(&doc);
        QVERIFY(frame.LoadFrame());
        CMainView& view = *frame.GetActiveView();

        // The dialog lives only as long as its modal run: look at it there.
        int runs = 0;
        QStringList shownPaths;
        uSetModalHook([&](const ModalRequest& request) {
            ++runs;
            if (auto* dlg = qobject_cast<CFlcInfoDlg*>(request.dialog)) {
                dlg->show();
                shownPaths.append(dlg->PathEdit()->text());
                dlg->close();
            }
            return int(IDOK);
        });
        view.OnInfo();
        QCOMPARE(runs, 0);

        doc.SetPathName(kUnit, false);
        view.OnInitialUpdate();
        QVERIFY(view.Player().loaded);
        frame.Action(ID_FLC_INFO)->trigger();
        uSetModalHook({});
        QCOMPARE(runs, 1);
        QCOMPARE(shownPaths, QStringList{kUnit});
    }
};

KINETRA_QTEST_MAIN(CFlcInfoDlgTest)
#include "CFlcInfoDlgTest.moc"
