#include "qtsupport/QtTestMain.h"

#include "uikit/CFramePosition.h"
#include "uikit/Profile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

class NamedPosition : public CFramePosition {
public:
    QString RegKey() const override { return QStringLiteral("Dlg Test"); }
};

} // namespace

class CFramePositionTest : public QObject {
    Q_OBJECT

private slots:
    void savesAndRestoresUnderItsSection()
    {
        NamedPosition position;
        QWidget window;
        window.setGeometry(40, 50, 320, 210);
        position.SavePosition(&window);
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("Width"), 0), 320);
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("Maximized"), -1), 0);

        QWidget restored;
        position.LoadPosition(&restored, 0);
        QCOMPARE(restored.geometry(), QRect(40, 50, 320, 210));
        QVERIFY(!restored.isMaximized());
    }

    void nothingSavedLeavesTheWindowAlone()
    {
        class Fresh : public CFramePosition {
        public:
            QString RegKey() const override { return QStringLiteral("Dlg Never"); }
        } position;
        QWidget window;
        window.setGeometry(10, 20, 200, 100);
        position.LoadPosition(&window);
        QCOMPARE(window.geometry(), QRect(10, 20, 200, 100));
    }

    void defaultSectionIsShared()
    {
        CFramePosition position;
        QCOMPARE(position.RegKey(), QStringLiteral("Window Position"));
        QWidget window;
        window.setGeometry(12, 14, 150, 90);
        position.SavePosition(&window);
        QCOMPARE(uGetProfileInt(QStringLiteral("Window Position"), QStringLiteral("X"), 0), 12);
    }

    void offScreenPlacementComesBackOntoThePrimaryScreen()
    {
        uWriteProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("X"), 9000);
        uWriteProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("Y"), -7000);
        uWriteProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("Width"), 300);
        uWriteProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("Height"), 200);
        NamedPosition position;
        QWidget window;
        position.LoadPosition(&window);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(area.contains(window.geometry()), qPrintable(QStringLiteral("%1,%2").arg(window.x()).arg(window.y())));
        QCOMPARE(window.size(), QSize(300, 200));
    }

    void maximizedIsRestoredWithTheNormalSize()
    {
        NamedPosition position;
        QWidget window;
        window.setGeometry(30, 30, 260, 180);
        window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        position.SavePosition(&window);
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("Maximized"), 0), 1);

        QWidget restored;
        position.LoadPosition(&restored);
        QVERIFY(restored.windowState() & Qt::WindowMaximized);
        QCOMPARE(uGetProfileInt(QStringLiteral("Dlg Test"), QStringLiteral("Width"), 0), 260);
    }
};

KINETRA_QTEST_MAIN(CFramePositionTest)
#include "CFramePositionTest.moc"
