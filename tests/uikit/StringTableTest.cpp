#include "qtsupport/QtTestMain.h"

#include "uikit/StringTable.h"

class StringTableTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        uRegisterStrings({
            {100, "'%s'\r\nThe file has a wrong or unsupported format."},
            {101, "Frame %d of %u (%s) 100%%"},
            {102, "ntp%02d.pcx"},
            {103, "first"},
        });
    }

    void loadsRegisteredTextsAndNothingForMissingIds()
    {
        QCOMPARE(uLoadString(103), QStringLiteral("first"));
        QVERIFY(uLoadString(999).isEmpty());
        QVERIFY(uFormatString(999, QStringLiteral("x")).isEmpty());
    }

    void laterRegistrationReplacesText()
    {
        uRegisterStrings({{104, "old"}});
        uRegisterStrings({{104, "new"}});
        QCOMPARE(uLoadString(104), QStringLiteral("new"));
    }

    void formatsInOrderAndKeepsLineBreaks()
    {
        QCOMPARE(uFormatString(100, QStringLiteral("/tmp/a.flc")),
                 QStringLiteral("'/tmp/a.flc'\r\nThe file has a wrong or unsupported format."));
        QCOMPARE(uFormatString(101, -3, 80u, QStringLiteral("S")), QStringLiteral("Frame -3 of 80 (S) 100%"));
    }

    void widthAndZeroFill()
    {
        QCOMPARE(uFormatString(102, 4), QStringLiteral("ntp04.pcx"));
        QCOMPARE(uFormatText(QStringLiteral("[%3d|%-3d|%03d]"), {7, 7, -7}), QStringLiteral("[  7|7  |-07]"));
    }

    void missingValuesAndUnknownConversions()
    {
        QCOMPARE(uFormatText(QStringLiteral("%s-%d"), {QStringLiteral("a")}), QStringLiteral("a-0"));
        QCOMPARE(uFormatText(QStringLiteral("50% off %"), {}), QStringLiteral("50% off %"));
        QCOMPARE(uFormatText(QStringLiteral("%%d %d"), {5}), QStringLiteral("%d 5"));
    }
};

KINETRA_QTEST_MAIN(StringTableTest)
#include "StringTableTest.moc"
