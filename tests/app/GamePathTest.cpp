#include "AppTestSupport.h"
#include "app/GamePath.h"
#include "qtsupport/QtTestMain.h"

#include <QTemporaryDir>

using namespace kinetra;
using namespace kinetra::apptest;

namespace {

const QString kKey = QStringLiteral("Software\\Quorvane Interactive\\Vorenth");

// As Wine writes it: escaped backslashes in key names and strings, a time
// stamp behind each key, \x escapes for characters beyond ASCII.
const QByteArray kSystemReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Other Maker\\\\Vorenth] 1700000000\n"
    "#time=1da2b3c4d5e6f70\n"
    "\"Install_Path\"=\"C:\\\\Wrong\"\n"
    "\n"
    "[Software\\\\Quorvane Interactive\\\\Vorenth] 1700000001\n"
    "#time=1da2b3c4d5e6f71\n"
    "@=\"default value\"\n"
    "\"Data\"=hex:01,02,03,\\\n"
    "  04,05\n"
    "\"Version\"=dword:00000102\n"
    "\"Quote\"=\"say \\\"hi\\\"\\tthen\\x00e9t\\101\"\n"
    "\"install_path\"=\"C:\\\\Games\\\\Vorenth \\\\x41\"\n"
    "\n"
    "[Software\\\\Quorvane Interactive\\\\Vorenth\\\\Patches] 1700000002\n"
    "\"Install_Path\"=\"C:\\\\Patches\"\n";

} // namespace

class GamePathTest : public QObject {
    Q_OBJECT

private slots:
    void valueNamesAndKeysCompareIgnoringCase()
    {
        QCOMPARE(ReadWineRegistryString(kSystemReg, kKey, "Install_Path"), QString("C:\\Games\\Vorenth \\x41"));
        QCOMPARE(ReadWineRegistryString(kSystemReg, "SOFTWARE\\QUORVANE INTERACTIVE\\VORENTH", "INSTALL_PATH"),
                 QString("C:\\Games\\Vorenth \\x41"));
        QCOMPARE(ReadWineRegistryString(kSystemReg, kKey + "\\Patches", "Install_Path"), QString("C:\\Patches"));
    }

    void escapesAreWines()
    {
        QCOMPARE(ReadWineRegistryString(kSystemReg, kKey, "Quote"),
                 QString("say \"hi\"\tthen") + QChar(0xe9) + "tA");
        QCOMPARE(ReadWineRegistryString(kSystemReg, kKey, ""), QString("default value"));
    }

    void absentOrNonStringValuesAreNotFound()
    {
        QVERIFY(!ReadWineRegistryString(kSystemReg, kKey, "Version"));
        QVERIFY(!ReadWineRegistryString(kSystemReg, kKey, "Data"));
        QVERIFY(!ReadWineRegistryString(kSystemReg, kKey, "Missing"));
        QVERIFY(!ReadWineRegistryString(kSystemReg, "Software\\Quorvane Interactive", "Install_Path"));
        QVERIFY(!ReadWineRegistryString("[Software\\\\Quorvane Interactive\\\\Vorenth]\n\"Install_Path\"=\"C:\\\\open",
                                        kKey, "Install_Path"));
    }

    void windowsPathsFollowTheDriveLinksAndTheCaseOnDisk()
    {
        QTemporaryDir prefix;
        QDir().mkpath(prefix.path() + "/drive_c/Games/Vorenth/Art");
        QDir().mkpath(prefix.path() + "/dosdevices");
        QDir().mkpath(prefix.path() + "/other");
        QVERIFY(QFile::link("../drive_c", prefix.path() + "/dosdevices/c:"));
        QVERIFY(QFile::link("../other", prefix.path() + "/dosdevices/d:"));
        const QString driveC = QFileInfo(prefix.path() + "/drive_c").canonicalFilePath();

        QCOMPARE(WineToUnixPath(prefix.path(), "C:\\GAMES\\vorenth\\"), driveC + "/Games/Vorenth");
        QCOMPARE(WineToUnixPath(prefix.path(), "c:/Games/./Old/../Vorenth/art"), driveC + "/Games/Vorenth/Art");
        // A folder that is not there (yet) keeps the letters it was given.
        QCOMPARE(WineToUnixPath(prefix.path(), "C:\\Games\\Missing\\Sub"), driveC + "/Games/Missing/Sub");
        QCOMPARE(WineToUnixPath(prefix.path(), "D:\\x"), QFileInfo(prefix.path() + "/other").canonicalFilePath() + "/x");
        QVERIFY(!WineToUnixPath(prefix.path(), "E:\\Games"));
        QVERIFY(!WineToUnixPath(prefix.path(), "\\\\server\\share"));
        QVERIFY(!WineToUnixPath(prefix.path(), "Games\\Vorenth"));
    }

    void aPrefixWithoutDriveLinksStillHasDriveC()
    {
        QTemporaryDir prefix;
        QDir().mkpath(prefix.path() + "/drive_c/Games");
        QCOMPARE(WineToUnixPath(prefix.path(), "C:\\games"),
                 QFileInfo(prefix.path() + "/drive_c").canonicalFilePath() + "/Games");
    }

    void theGamesKeyIsFoundDirectlyOrUnderWow6432Node()
    {
        QTemporaryDir prefix;
        QDir().mkpath(prefix.path() + "/drive_c/Vorenth");
        const QString expected = QFileInfo(prefix.path() + "/drive_c").canonicalFilePath() + "/Vorenth";

        QVERIFY(!FindGameInstallPath(prefix.path()));

        QVERIFY(writeFile(prefix.path() + "/system.reg",
                          "WINE REGISTRY Version 2\n\n"
                          "[Software\\\\Wow6432Node\\\\Quorvane Interactive\\\\Vorenth] 1700000000\n"
                          "\"Install_Path\"=\"C:\\\\Vorenth\"\n"));
        QCOMPARE(FindGameInstallPath(prefix.path()), expected);

        // The key alone, without its value, is not an installation.
        QVERIFY(writeFile(prefix.path() + "/system.reg",
                          "WINE REGISTRY Version 2\n\n"
                          "[Software\\\\Quorvane Interactive\\\\Vorenth] 1700000000\n"
                          "\"Version\"=\"1.0\"\n"));
        QVERIFY(!FindGameInstallPath(prefix.path()));

        // Longer than the game's own reader would take.
        QVERIFY(writeFile(prefix.path() + "/system.reg",
                          "[Software\\\\Quorvane Interactive\\\\Vorenth]\n\"Install_Path\"=\"C:\\\\" +
                              QByteArray(300, 'v') + "\"\n"));
        QVERIFY(!FindGameInstallPath(prefix.path()));
    }

    void thePrefixIsWineprefixOrDotWine()
    {
        const QByteArray saved = qgetenv("WINEPREFIX");
        qputenv("WINEPREFIX", "/somewhere/prefix");
        QCOMPARE(DefaultWinePrefix(), QString("/somewhere/prefix"));
        qunsetenv("WINEPREFIX");
        QCOMPARE(DefaultWinePrefix(), homeDir() + "/.wine");
        qputenv("WINEPREFIX", saved);
    }
};

KINETRA_QTEST_MAIN(GamePathTest)
#include "GamePathTest.moc"
