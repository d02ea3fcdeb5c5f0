// Runs the built InstallKinetra from a copy in a temporary install folder
// (it finds its folder from its own path), with temporary home, XDG folders
// and system folder, and a script standing in for Kinetra that records the
// arguments it was started with.

#include "InstallerTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace kinetra::installertest {
namespace {

using Environment = std::map<std::string, std::optional<std::string>>;

std::string lines(std::initializer_list<std::string> messages)
{
    std::string text;
    for (const std::string& message : messages)
        text += message + '\n';
    return text;
}

class InstallKinetraTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* folder : {"unpacked Kinetra", "home/Desktop", "config", "data", "system"})
            ASSERT_TRUE(QDir().mkpath(at(QString::fromUtf8(folder))));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KINETRA_INSTALLER_BINARY), installer()));
        ASSERT_TRUE(QFile::setPermissions(installer(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                           QFileDevice::ExeOwner));
    }

    QString at(const QString& relative) const { return m_root.path() + u'/' + relative; }
    QString installFolder() const { return at(QStringLiteral("unpacked Kinetra")); }
    QString inInstall(const QString& name) const { return installFolder() + u'/' + name; }
    QString installer() const { return inInstall(QStringLiteral("InstallKinetra")); }
    QString program() const { return inInstall(QStringLiteral("Kinetra")); }
    QString library() const { return inInstall(QStringLiteral("libArdenkit.so")); }
    QString log() const { return inInstall(QStringLiteral("InstallLog_Kinetra.txt")); }
    QString systemLibrary() const { return at(QStringLiteral("system/libArdenkit.so")); }
    QString menuEntry() const { return at(QStringLiteral("data/applications/Vorenth FLC/KINETRA.desktop")); }
    QString desktopEntry() const { return at(QStringLiteral("home/Desktop/KINETRA.desktop")); }
    QString arguments() const { return at(QStringLiteral("arguments.txt")); }

    // The stand-in writes its record whole, through a rename, so that a
    // reader never sees half of it.
    void addStandIn()
    {
        const QByteArray record = QFile::encodeName(arguments());
        ASSERT_TRUE(writeFile(program(), "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + ".tmp' && mv '" + record +
                                             ".tmp' '" + record + "'\n"));
        ASSERT_TRUE(QFile::setPermissions(program(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                         QFileDevice::ExeOwner));
    }

    void putLibrary(const char* built, const QString& where) { ASSERT_TRUE(QFile::copy(QString::fromUtf8(built), where)); }

    RunResult run(const Environment& changes = {})
    {
        Environment environment = {
            {"HOME", at(QStringLiteral("home")).toStdString()},
            {"XDG_CONFIG_HOME", at(QStringLiteral("config")).toStdString()},
            {"XDG_DATA_HOME", at(QStringLiteral("data")).toStdString()},
            {"KINETRA_SYSTEM_DIR", at(QStringLiteral("system")).toStdString()},
        };
        for (const auto& [name, value] : changes)
            environment[name] = value;
        return runProgram(installer().toStdString(), environment, m_root.path().toStdString());
    }

    // The program is not waited for by the installer, so its record comes
    // some time after the installer ended. The limit only keeps a broken
    // start from hanging the test.
    QByteArray waitForArguments() const
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!QFile::exists(arguments()) && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return readFile(arguments());
    }

    std::string copyMessage() const
    {
        return "Copy from '" + library().toStdString() + "'\nto '" + systemLibrary().toStdString() + "'";
    }

    QTemporaryDir m_root;
};

const std::string kStart = "Starting installation procedure...";
const std::string kMenuMade = "Creating the Kinetra shortcut...";
const std::string kDesktopMade = "Creating the Kinetra Desctop shortcut...";
const std::string kRegistering = "Registering the Kinetra...";
const std::string kComplete = "Installation is successfully complited.";

TEST_F(InstallKinetraTest, MakesBothEntriesStartsTheProgramAndWritesTheLog)
{
    addStandIn();
    const RunResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, kRegistering, kComplete}));
    EXPECT_EQ(waitForArguments(), QByteArray("/i\n"));

    const QByteArray exec = "\nExec=\"" + QFile::encodeName(program()) + "\" %f\n";
    const QByteArray menu = readFile(menuEntry());
    EXPECT_TRUE(menu.contains(exec)) << menu.constData();
    EXPECT_TRUE(menu.contains("\nComment=Location: " + QFile::encodeName(installFolder()) + "/\n"))
        << menu.constData();
    const QByteArray desktop = readFile(desktopEntry());
    EXPECT_TRUE(desktop.contains(exec)) << desktop.constData();
    EXPECT_TRUE(desktop.contains("\nComment=Shortcut to KINETRA\n")) << desktop.constData();
    EXPECT_EQ(fileMode(desktopEntry()), 0755);
    EXPECT_TRUE(QFileInfo::exists(at(QStringLiteral("data/desktop-directories/vorenth-flc.directory"))));
    EXPECT_TRUE(readFile(at(QStringLiteral("config/menus/applications-merged/vorenth-flc.menu")))
                    .contains("<Filename>Vorenth FLC-KINETRA.desktop</Filename>"));

    EXPECT_EQ(readFile(log()).toStdString(), result.out);
}

TEST_F(InstallKinetraTest, SecondRunMakesTheEntriesAgain)
{
    addStandIn();
    ASSERT_EQ(run().status, 0);
    ASSERT_EQ(waitForArguments(), QByteArray("/i\n"));
    const QByteArray menu = readFile(menuEntry());
    const QByteArray desktop = readFile(desktopEntry());
    ASSERT_FALSE(menu.isEmpty());
    ASSERT_FALSE(desktop.isEmpty());

    ASSERT_TRUE(writeFile(menuEntry(), "edited"));
    ASSERT_TRUE(writeFile(desktopEntry(), "edited"));
    ASSERT_TRUE(QFile::remove(arguments()));
    const RunResult again = run();
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, lines({kStart, kMenuMade, kDesktopMade, kRegistering, kComplete}));
    EXPECT_EQ(waitForArguments(), QByteArray("/i\n"));
    EXPECT_EQ(readFile(menuEntry()), menu);
    EXPECT_EQ(readFile(desktopEntry()), desktop);
    EXPECT_EQ(fileMode(desktopEntry()), 0755);
    EXPECT_EQ(readFile(log()).toStdString(), again.out);
}

TEST_F(InstallKinetraTest, DesktopFolderComesFromUserDirs)
{
    addStandIn();
    ASSERT_TRUE(QDir().mkpath(at(QStringLiteral("home/Schreibtisch"))));
    ASSERT_TRUE(writeFile(at(QStringLiteral("config/user-dirs.dirs")), "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"));
    ASSERT_EQ(run().status, 0);
    waitForArguments();
    EXPECT_TRUE(QFileInfo::exists(at(QStringLiteral("home/Schreibtisch/KINETRA.desktop"))));
    EXPECT_FALSE(QFileInfo::exists(desktopEntry()));
}

TEST_F(InstallKinetraTest, FailedShortcutsAreReportedAndTheRunGoesOn)
{
    addStandIn();
    // A folder where the launcher's file belongs.
    ASSERT_TRUE(QDir().mkpath(desktopEntry()));
    ASSERT_TRUE(writeFile(at(QStringLiteral("data/applications")), "a file where the folder belongs"));
    const RunResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, "Cannot create the Kinetra shortcut.",
                                 "Cannot create the Kinetra Desctop shortcut.", kRegistering, kComplete}));
    EXPECT_EQ(waitForArguments(), QByteArray("/i\n"));
    EXPECT_EQ(readFile(log()).toStdString(), result.out);
}

TEST_F(InstallKinetraTest, MissingDesktopFolderSkipsTheLauncher)
{
    addStandIn();
    ASSERT_TRUE(QDir(at(QStringLiteral("home/Desktop"))).removeRecursively());
    const RunResult result = run();
    EXPECT_EQ(result.status, 0);
    const std::string skipped = "There is no desktop folder '" + at(QStringLiteral("home/Desktop")).toStdString() +
                                "': the Kinetra Desctop shortcut is skipped.";
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, skipped, kRegistering, kComplete}));
    EXPECT_EQ(waitForArguments(), QByteArray("/i\n"));
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("home/Desktop"))));
}

TEST_F(InstallKinetraTest, MissingProgramFailsBeforeAnyEntry)
{
    const RunResult missing = run();
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, lines({kStart, "Error: Cannot find the program '" + program().toStdString() + "'."}));
    EXPECT_FALSE(QFileInfo::exists(log()));
    EXPECT_FALSE(QFileInfo::exists(menuEntry()));
    EXPECT_FALSE(QFileInfo::exists(desktopEntry()));
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("config/menus"))));
}

TEST_F(InstallKinetraTest, ProgramThatCannotStartFailsWithoutLog)
{
    const std::string failure =
        "Error: Cannot start process.\nCommand line: '" + program().toStdString() + " /i'";

    // Present but not executable.
    ASSERT_TRUE(writeFile(program(), "#!/bin/sh\n"));
    const RunResult notExecutable = run();
    EXPECT_EQ(notExecutable.status, 1);
    EXPECT_EQ(notExecutable.out, lines({kStart, kMenuMade, kDesktopMade, kRegistering, failure}));
    EXPECT_FALSE(QFileInfo::exists(log()));
}

TEST_F(InstallKinetraTest, EmptySystemFolderStopsTheRun)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_NEW, library());
    const RunResult result = run({{"KINETRA_SYSTEM_DIR", ""}});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, lines({kStart, "Error: Cannot get system folder."}));
    EXPECT_FALSE(QFileInfo::exists(log()));
    EXPECT_FALSE(QFileInfo::exists(menuEntry()));
    EXPECT_FALSE(QFileInfo::exists(desktopEntry()));
    EXPECT_TRUE(QFileInfo::exists(library()));
}

TEST_F(InstallKinetraTest, OlderLibraryStaysAndTheSystemCopyIsKept)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_OLD, library());
    putLibrary(KINETRA_TEST_LIBRARY_NEW, systemLibrary());
    const RunResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, kRegistering, kComplete}));
    waitForArguments();
    EXPECT_EQ(readFile(library()), readFile(QStringLiteral(KINETRA_TEST_LIBRARY_OLD)));
    EXPECT_EQ(readFile(systemLibrary()), readFile(QStringLiteral(KINETRA_TEST_LIBRARY_NEW)));
}

TEST_F(InstallKinetraTest, NewerLibraryIsMovedIntoTheSystemFolder)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_NEW, library());
    putLibrary(KINETRA_TEST_LIBRARY_OLD, systemLibrary());
    const RunResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, copyMessage(), kRegistering, kComplete}));
    waitForArguments();
    EXPECT_FALSE(QFileInfo::exists(library()));
    EXPECT_EQ(readFile(systemLibrary()), readFile(QStringLiteral(KINETRA_TEST_LIBRARY_NEW)));
    EXPECT_EQ(readFile(log()).toStdString(), result.out);
}

TEST_F(InstallKinetraTest, EqualLibraryIsMovedIntoTheSystemFolder)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_OLD, library());
    putLibrary(KINETRA_TEST_LIBRARY_OLD, systemLibrary());
    const RunResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, copyMessage(), kRegistering, kComplete}));
    waitForArguments();
    EXPECT_FALSE(QFileInfo::exists(library()));
    EXPECT_EQ(readFile(systemLibrary()), readFile(QStringLiteral(KINETRA_TEST_LIBRARY_OLD)));
}

TEST_F(InstallKinetraTest, LibraryWithoutVersionNoteIsCopied)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_PLAIN, library());
    putLibrary(KINETRA_TEST_LIBRARY_NEW, systemLibrary());
    const RunResult result = run();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, copyMessage(), kRegistering, kComplete}));
    waitForArguments();
    EXPECT_FALSE(QFileInfo::exists(library()));
    EXPECT_EQ(readFile(systemLibrary()), readFile(QStringLiteral(KINETRA_TEST_LIBRARY_PLAIN)));
}

TEST_F(InstallKinetraTest, LibraryGoesIntoAnEmptySystemFolder)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_OLD, library());
    // A trailing slash does not double the separator.
    const RunResult result = run({{"KINETRA_SYSTEM_DIR", at(QStringLiteral("system/")).toStdString()}});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, copyMessage(), kRegistering, kComplete}));
    waitForArguments();
    EXPECT_FALSE(QFileInfo::exists(library()));
    EXPECT_EQ(readFile(systemLibrary()), readFile(QStringLiteral(KINETRA_TEST_LIBRARY_OLD)));
}

TEST_F(InstallKinetraTest, FailedCopyIsSilentAndKeepsTheLibrary)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_NEW, library());
    // A system folder that cannot be written to, whoever runs the test.
    const RunResult result = run({{"KINETRA_SYSTEM_DIR", at(QStringLiteral("no such folder")).toStdString()}});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, kRegistering, kComplete}));
    waitForArguments();
    EXPECT_TRUE(QFileInfo::exists(library()));
}

TEST_F(InstallKinetraTest, InstallFolderAsSystemFolderKeepsTheLibrary)
{
    addStandIn();
    putLibrary(KINETRA_TEST_LIBRARY_NEW, library());
    const RunResult result = run({{"KINETRA_SYSTEM_DIR", installFolder().toStdString()}});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, lines({kStart, kMenuMade, kDesktopMade, kRegistering, kComplete}));
    waitForArguments();
    EXPECT_EQ(readFile(library()), readFile(QStringLiteral(KINETRA_TEST_LIBRARY_NEW)));
}

} // namespace
} // namespace kinetra::installertest
