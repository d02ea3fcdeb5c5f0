#include "qtsupport/QtTestMain.h"

#include "uikit/CCommandLineInfoX.h"

namespace {

CCommandLineInfoX parse(const QStringList& arguments)
{
    CCommandLineInfoX info;
    info.ParseCommandLine(arguments);
    return info;
}

} // namespace

class CCommandLineInfoXTest : public QObject {
    Q_OBJECT

private slots:
    void noArgumentsIsANewDocument()
    {
        const CCommandLineInfoX info = parse({});
        QCOMPARE(info.m_nShellCommand, int(CCommandLineInfoX::FileNew));
        QVERIFY(info.m_strFileName.isEmpty());
        QVERIFY(!info.m_bRegister && !info.m_bUnregister && !info.m_bSilent && !info.m_bInstall && !info.m_bHelp);
        QVERIFY(info.m_strUnknown.isEmpty());
    }

    void oneFileOpensIt()
    {
        const CCommandLineInfoX info = parse({QStringLiteral("/home/u/unit.flc")});
        QCOMPARE(info.m_nShellCommand, int(CCommandLineInfoX::FileOpen));
        QCOMPARE(info.m_strFileName, QStringLiteral("/home/u/unit.flc"));
    }

    void registrationSwitches()
    {
        CCommandLineInfoX info = parse({QStringLiteral("--register"), QStringLiteral("--silent")});
        QVERIFY(info.m_bRegister && info.m_bSilent && !info.m_bUnregister && !info.m_bInstall);
        info = parse({QStringLiteral("--unregister"), QStringLiteral("-s")});
        QVERIFY(info.m_bUnregister && info.m_bSilent && !info.m_bRegister);
        info = parse({QStringLiteral("--unregister")});
        QVERIFY(info.m_bUnregister && !info.m_bSilent);
    }

    void installerRunRegistersSilently()
    {
        const CCommandLineInfoX info = parse({QStringLiteral("/i")});
        QVERIFY(info.m_bInstall);
        QVERIFY(info.m_bRegister);
        QVERIFY(info.m_bSilent);
        QVERIFY(info.m_strFileName.isEmpty());
    }

    void helpAndUnknownSwitches()
    {
        QVERIFY(parse({QStringLiteral("--help")}).m_bHelp);
        QVERIFY(parse({QStringLiteral("-h")}).m_bHelp);
        const CCommandLineInfoX info = parse({QStringLiteral("--frobnicate"), QStringLiteral("a.flc")});
        QCOMPARE(info.m_strUnknown, QStringLiteral("--frobnicate"));
        QCOMPARE(info.m_strFileName, QStringLiteral("a.flc"));
    }

    void afterDoubleDashEverythingIsAFile()
    {
        const CCommandLineInfoX info = parse({QStringLiteral("--"), QStringLiteral("--register")});
        QVERIFY(!info.m_bRegister);
        QCOMPARE(info.m_strFileName, QStringLiteral("--register"));
        QCOMPARE(info.m_nShellCommand, int(CCommandLineInfoX::FileOpen));
    }

    void helpTextNamesEverySwitch()
    {
        const QString help = CCommandLineInfoX::HelpText();
        for (const char* name : {"--register", "--unregister", "--silent", "/i", "--help"})
            QVERIFY2(help.contains(QLatin1String(name)), name);
    }
};

KINETRA_QTEST_MAIN(CCommandLineInfoXTest)
#include "CCommandLineInfoXTest.moc"
