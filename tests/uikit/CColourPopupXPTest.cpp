#include "qtsupport/QtTestMain.h"

#include "uikit/CColourPopupXP.h"
#include "uikit/Colour.h"

#include <QColorDialog>
#include <QPointer>
#include <QSignalSpy>
#include <QToolButton>

#include <set>

namespace {

QToolButton* cellOf(CColourPopupXP& popup, unsigned colour)
{
    for (QToolButton* button : popup.findChildren<QToolButton*>())
        if (button->property("colour").isValid() && button->property("colour").toUInt() == colour)
            return button;
    return nullptr;
}

CColourPopupXP* makePopup(QWidget* parent, unsigned colour = 0x000000FF)
{
    return new CColourPopupXP(QPoint(10, 10), colour, parent, QStringLiteral("Default"), QStringLiteral("Custom"),
                              32776);
}

} // namespace

class CColourPopupXPTest : public QObject {
    Q_OBJECT

private slots:
    void gridHasFortyDistinctColoursAndMarksTheCurrentOne()
    {
        QWidget parent;
        QPointer<CColourPopupXP> popup = makePopup(&parent, 0x000000FF);
        QVERIFY(popup->isVisible());
        const auto& colours = CColourPopupXP::Colours();
        QCOMPARE(std::set<unsigned>(colours.begin(), colours.end()).size(), colours.size());
        int cells = 0;
        for (QToolButton* button : popup->findChildren<QToolButton*>())
            cells += button->property("colour").isValid() ? 1 : 0;
        QCOMPARE(cells, 40);
        QVERIFY(cellOf(*popup, 0x000000FF)->isChecked());
        QVERIFY(!cellOf(*popup, 0x00FFFFFF)->isChecked());
        popup->close();
    }

    void clickingACellReportsItAndTheControlThenGoes()
    {
        QWidget parent;
        QPointer<CColourPopupXP> popup = makePopup(&parent);
        QSignalSpy spy(popup.data(), &CColourPopupXP::colourSelected);
        // Pure green in the platform's byte order.
        QToolButton* green = cellOf(*popup, 0x0000FF00);
        QVERIFY(green);
        QTest::mouseClick(green, Qt::LeftButton);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toUInt(), 0x0000FF00u);
        QCOMPARE(spy.at(0).at(1).toUInt(), 32776u);
        QTRY_VERIFY(popup.isNull());
    }

    void defaultEntryReportsTheDefaultMarker()
    {
        QWidget parent;
        QPointer<CColourPopupXP> popup = makePopup(&parent);
        QSignalSpy spy(popup.data(), &CColourPopupXP::colourSelected);
        auto* entry = popup->findChild<QToolButton*>(QStringLiteral("defaultEntry"));
        QVERIFY(entry);
        QCOMPARE(entry->text(), QStringLiteral("Default"));
        entry->click();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toUInt(), 0xFF000000u);
        QTRY_VERIFY(popup.isNull());
    }

    void customEntryAsksTheColourDialog()
    {
        QWidget parent;
        QColor offered;
        uSetModalHook([&offered](const ModalRequest& request) {
            auto* dialog = qobject_cast<QColorDialog*>(request.dialog);
            if (!dialog)
                return int(IDCANCEL);
            offered = dialog->currentColor();
            dialog->setCurrentColor(QColor(1, 2, 3));
            return int(IDOK);
        });
        QPointer<CColourPopupXP> popup = makePopup(&parent, 0x00336699);
        QSignalSpy spy(popup.data(), &CColourPopupXP::colourSelected);
        popup->findChild<QToolButton*>(QStringLiteral("customEntry"))->click();
        uSetModalHook([](const ModalRequest&) { return int(IDCANCEL); });
        QCOMPARE(offered, QColor(0x99, 0x66, 0x33));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toUInt(), 0x00030201u);
        QTRY_VERIFY(popup.isNull());
    }

    void cancellingTheCustomDialogOrEscapeChoosesNothing()
    {
        QWidget parent;
        kinetra::test::ModalRecorder recorder;
        recorder.answer = IDCANCEL;
        QPointer<CColourPopupXP> popup = makePopup(&parent);
        QSignalSpy chosen(popup.data(), &CColourPopupXP::colourSelected);
        QSignalSpy cancelled(popup.data(), &CColourPopupXP::selectionCancelled);
        popup->findChild<QToolButton*>(QStringLiteral("customEntry"))->click();
        QCOMPARE(chosen.size(), 0);
        QCOMPARE(cancelled.size(), 1);
        QTRY_VERIFY(popup.isNull());

        popup = makePopup(&parent);
        QSignalSpy escaped(popup.data(), &CColourPopupXP::selectionCancelled);
        QTest::keyClick(popup.data(), Qt::Key_Escape);
        QCOMPARE(escaped.size(), 1);
        QTRY_VERIFY(popup.isNull());
    }

    void xpStyleMakesFlatCells()
    {
        QWidget parent;
        CColourPopupXP::m_bMenuXpStyle = true;
        QPointer<CColourPopupXP> flat = makePopup(&parent);
        CColourPopupXP::m_bMenuXpStyle = false;
        QPointer<CColourPopupXP> raised = makePopup(&parent);
        QVERIFY(cellOf(*flat, 0)->autoRaise());
        QVERIFY(!cellOf(*raised, 0)->autoRaise());
        flat->close();
        raised->close();
    }

    void popupStaysOnTheScreen()
    {
        QWidget parent;
        QPointer<CColourPopupXP> popup = new CColourPopupXP(QPoint(100000, 100000), 0, &parent,
                                                            QStringLiteral("Default"), QString(), 1);
        QVERIFY(popup->findChild<QToolButton*>(QStringLiteral("customEntry")) == nullptr);
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(popup->frameGeometry().topLeft()));
        popup->close();
    }
};

KINETRA_QTEST_MAIN(CColourPopupXPTest)
#include "CColourPopupXPTest.moc"
