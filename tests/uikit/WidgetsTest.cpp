#include "qtsupport/QtTestMain.h"

#include "uikit/CEditX.h"
#include "uikit/CHyperLink.h"
#include "uikit/CRichEditCtrlX.h"
#include "uikit/Colour.h"

#include <QColorDialog>

class WidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void colourRefsKeepRedInTheLowByte()
    {
        QCOMPARE(uColorFromRef(0x00336699), QColor(0x99, 0x66, 0x33));
        QCOMPARE(uColorRefFromColor(QColor(0x99, 0x66, 0x33)), 0x00336699u);
        QCOMPARE(uColorRefFromColor(uColorFromRef(0x00FEDCBA)), 0x00FEDCBAu);
        QCOMPARE(uColorRefFromColor(QColor::fromHsv(0, 255, 255)), 0x000000FFu);
    }

    void colourDialogIsQtsOwnAndReplacesOnlyWhenConfirmed()
    {
        bool nonNative = false;
        int answer = IDCANCEL;
        uSetModalHook([&](const ModalRequest& request) {
            auto* dialog = qobject_cast<QColorDialog*>(request.dialog);
            if (!dialog)
                return int(IDCANCEL);
            nonNative = dialog->testOption(QColorDialog::DontUseNativeDialog);
            dialog->setCurrentColor(QColor(0, 0, 255));
            return answer;
        });
        unsigned colour = 0x00112233;
        QVERIFY(!ShowColorDialog(colour, nullptr));
        QCOMPARE(colour, 0x00112233u);
        QVERIFY(nonNative);
        answer = IDOK;
        QVERIFY(ShowColorDialog(colour, nullptr));
        QCOMPARE(colour, 0x00FF0000u);
        uSetModalHook([](const ModalRequest&) { return int(IDCANCEL); });
    }

    void hyperlinkShowsItsTextAndUnderline()
    {
        CHyperLink link;
        link.SetURL(QStringLiteral("https://example.org/forum?a=1&b=2"));
        QVERIFY(link.openExternalLinks());
        QVERIFY(link.text().contains(QStringLiteral("href=\"https://example.org/forum?a=1&amp;b=2\"")));
        QVERIFY(link.text().contains(QStringLiteral("underline")));
        link.SetUnderline(false);
        QVERIFY(link.text().contains(QStringLiteral("text-decoration: none")));
        QCOMPARE(link.GetURL(), QStringLiteral("https://example.org/forum?a=1&b=2"));

        CHyperLink mail;
        mail.SetURL(QStringLiteral("mailto:someone@example.org"));
        QVERIFY(mail.text().contains(QStringLiteral(">someone@example.org</a>")));

        CHyperLink named;
        named.setText(QStringLiteral("Forum"));
        named.SetURL(QStringLiteral("https://example.org"));
        QVERIFY(named.text().contains(QStringLiteral(">Forum</a>")));
    }

    void richTextTakesHtmlOrMarkdown()
    {
        CRichEditCtrlX view;
        QVERIFY(view.isReadOnly());
        view.SetRTF(QStringLiteral("<p>Licence <b>text</b></p>"));
        QCOMPARE(view.toPlainText(), QStringLiteral("Licence text"));
        view.SetRTF(QStringLiteral("# Thanks\n\nTo **everyone**."));
        QVERIFY(view.toPlainText().contains(QStringLiteral("To everyone.")));
        QVERIFY(!view.toPlainText().contains(QLatin1Char('*')));
    }

    void editIsAPlainLineEdit()
    {
        CEditX edit;
        edit.setText(QStringLiteral("/tmp/a.flc"));
        edit.setReadOnly(true);
        QCOMPARE(edit.text(), QStringLiteral("/tmp/a.flc"));
    }
};

KINETRA_QTEST_MAIN(WidgetsTest)
#include "WidgetsTest.moc"
