#include "qtsupport/QtTestMain.h"

#include "uikit/CButtonST.h"
#include "uikit/CButtonX.h"

#include <QPixmap>

namespace {

QIcon redIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

} // namespace

class ButtonsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { CButtonX::SetButtonsSettings(0); }

    void iconOnlyKeepsTheTextAsTooltip()
    {
        CButtonX button(QStringLiteral("&Exit"));
        button.SetIcon(redIcon());
        QVERIFY(!button.icon().isNull());
        button.SetShowIconOnly(true, true);
        QVERIFY(button.text().isEmpty());
        QCOMPARE(button.toolTip(), QStringLiteral("&Exit"));
        button.SetShowIconOnly(false, true);
        QCOMPARE(button.text(), QStringLiteral("&Exit"));
    }

    void settingsApplyToEveryLiveButtonAndLaterOnes()
    {
        CButtonX first(QStringLiteral("Play"));
        CButtonX second(QStringLiteral("Stop"));
        first.SetIcon(redIcon());
        second.SetIcon(redIcon());
        second.SetShowIconOnly(true, false);

        CButtonX::SetButtonsSettings(BTNX_HIDE_ICONS | BTNX_NO_EFFECTS);
        QCOMPARE(CButtonX::GetButtonsSettings(), 3);
        QVERIFY(first.icon().isNull());
        QVERIFY(second.icon().isNull());
        // An icon-only button without its icon falls back to its text.
        QCOMPARE(second.text(), QStringLiteral("Stop"));
        QVERIFY(first.isFlat() && second.isFlat());
        CButtonX later(QStringLiteral("Later"));
        QVERIFY(later.isFlat());

        CButtonX::SetButtonsSettings(BTNX_NO_EFFECTS);
        QVERIFY(!first.icon().isNull());
        QVERIFY(second.text().isEmpty());
        QVERIFY(first.isFlat());

        CButtonX::SetButtonsSettings(0);
        QVERIFY(!first.isFlat() && !later.isFlat());
    }

    void destroyedButtonsAreNotTouched()
    {
        auto* button = new CButtonX(QStringLiteral("Gone"));
        delete button;
        CButtonX::SetButtonsSettings(BTNX_HIDE_ICONS);
        QCOMPARE(CButtonX::GetButtonsSettings(), 1);
    }

    void resourcePathIconsLoad()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/icon.png");
        QVERIFY(redIcon().pixmap(16, 16).save(path));
        CButtonX button;
        button.SetIcon(path);
        QVERIFY(!button.icon().isNull());
        CButtonST toggle;
        toggle.SetIcon(path);
        QVERIFY(!toggle.icon().isNull());
    }

    void checkButtonKeepsItsState()
    {
        CButtonST button;
        QVERIFY(button.isCheckable());
        QVERIFY(!button.GetCheck());
        button.SetCheck(true);
        QVERIFY(button.GetCheck());
        button.click();
        QVERIFY(!button.GetCheck());
        button.SetTooltipText(QStringLiteral("North"));
        QCOMPARE(button.toolTip(), QStringLiteral("North"));
        button.DrawFlatFocus(true, true);
        QVERIFY(button.IsFlatFocusDrawn());
    }
};

KINETRA_QTEST_MAIN(ButtonsTest)
#include "ButtonsTest.moc"
