#include "installer/ShellFolders.h"

#include "InstallerTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kinetra::installer {
namespace {

using installertest::ScopedEnvironment;

const QString kHome = QStringLiteral("/home/ann");

TEST(UserDirsTest, HomeRelativeDesktop)
{
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"), kHome),
              QStringLiteral("/home/ann/Desktop"));
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\""), kHome),
              QStringLiteral("/home/ann/Schreibtisch"));
    // A desktop switched off points at the home folder itself.
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/\""), kHome),
              QStringLiteral("/home/ann/"));
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"$HOME\""), kHome), kHome);
}

TEST(UserDirsTest, AbsoluteDesktopAndEscapes)
{
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"/data/ann/desk\""), kHome),
              QStringLiteral("/data/ann/desk"));
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\" \\\\x\""), kHome),
              QStringLiteral("/home/ann/My \"Desk\" \\x"));
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/B\u00fcro\""), kHome),
              QStringLiteral("/home/ann/B\u00fcro"));
}

TEST(UserDirsTest, OtherLinesAndBlanksAroundTheSign)
{
    const QString text = QStringLiteral("# This file is written by xdg-user-dirs-update\n"
                                        "# XDG_DESKTOP_DIR=\"$HOME/Commented\"\n"
                                        "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                        "XDG_DESKTOP_DIRECTORY=\"$HOME/Wrong\"\n"
                                        "  XDG_DESKTOP_DIR = \"$HOME/Spaced\"  \r\n"
                                        "XDG_MUSIC_DIR=\"$HOME/Music\"\n");
    EXPECT_EQ(DesktopFolderFromUserDirs(text, kHome), QStringLiteral("/home/ann/Spaced"));
}

TEST(UserDirsTest, LastValidLineCounts)
{
    const QString text = QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/First\"\n"
                                        "XDG_DESKTOP_DIR=\"$HOME/Second\"\n"
                                        "XDG_DESKTOP_DIR=\"relative/ignored\"\n");
    EXPECT_EQ(DesktopFolderFromUserDirs(text, kHome), QStringLiteral("/home/ann/Second"));
}

TEST(UserDirsTest, MalformedLinesGiveNothing)
{
    for (const char* text : {"", "XDG_DESKTOP_DIR=$HOME/Unquoted", "XDG_DESKTOP_DIR=\"$HOME/Unclosed",
                             "XDG_DESKTOP_DIR=\"Desktop\"", "XDG_DESKTOP_DIR \"$HOME/NoSign\"", "XDG_DESKTOP_DIR=",
                             "XDG_DESKTOP_DIR"}) {
        EXPECT_TRUE(DesktopFolderFromUserDirs(QString::fromUtf8(text), kHome).isEmpty()) << text;
    }
    // $HOME cannot be resolved without a home folder; an absolute path can.
    EXPECT_TRUE(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/Desktop\""), QString()).isEmpty());
    EXPECT_EQ(DesktopFolderFromUserDirs(QStringLiteral("XDG_DESKTOP_DIR=\"/desk\""), QString()),
              QStringLiteral("/desk"));
}

TEST(ShellFoldersTest, BaseFoldersFollowTheVariablesAndFallBackBelowHome)
{
    ScopedEnvironment environment;
    environment.Set("HOME", "/home/ann");
    environment.Set("XDG_DATA_HOME", "/var/data");
    environment.Set("XDG_CONFIG_HOME", "/var/config");
    EXPECT_EQ(DataHome(), QStringLiteral("/var/data"));
    EXPECT_EQ(ConfigHome(), QStringLiteral("/var/config"));
    EXPECT_EQ(ProgramsFolder(), QStringLiteral("/var/data/applications"));

    environment.Set("XDG_DATA_HOME", std::nullopt);
    environment.Set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(DataHome(), QStringLiteral("/home/ann/.local/share"));
    EXPECT_EQ(ConfigHome(), QStringLiteral("/home/ann/.config"));
    EXPECT_EQ(ProgramsFolder(), QStringLiteral("/home/ann/.local/share/applications"));

    // A relative value is not a valid base folder.
    environment.Set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(DataHome(), QStringLiteral("/home/ann/.local/share"));

    environment.Set("HOME", std::nullopt);
    EXPECT_TRUE(ProgramsFolder().isEmpty());
    EXPECT_TRUE(DesktopFolder().isEmpty());
}

TEST(ShellFoldersTest, DesktopFromUserDirsFileElseDefault)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ScopedEnvironment environment;
    environment.Set("HOME", root.path().toStdString());
    environment.Set("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toStdString());

    EXPECT_EQ(DesktopFolder(), root.path() + QStringLiteral("/Desktop"));

    ASSERT_TRUE(QDir().mkpath(root.path() + QStringLiteral("/config")));
    ASSERT_TRUE(installertest::writeFile(root.path() + QStringLiteral("/config/user-dirs.dirs"),
                                         "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"));
    EXPECT_EQ(DesktopFolder(), root.path() + QStringLiteral("/Desktop"));

    ASSERT_TRUE(installertest::writeFile(root.path() + QStringLiteral("/config/user-dirs.dirs"),
                                         "XDG_DESKTOP_DIR=\"$HOME/Arbeitsfl\xc3\xa4" "che\"\n"));
    EXPECT_EQ(DesktopFolder(), root.path() + QStringLiteral("/Arbeitsfl\u00e4che"));
}

TEST(ShellFoldersTest, SystemFolderFromTheVariable)
{
    ScopedEnvironment environment;
    environment.Set("KINETRA_SYSTEM_DIR", std::nullopt);
    EXPECT_EQ(SystemFolder(), "/usr/local/lib");
    environment.Set("KINETRA_SYSTEM_DIR", "/tmp/system");
    EXPECT_EQ(SystemFolder(), "/tmp/system");
    // Set but empty: there is no system folder.
    environment.Set("KINETRA_SYSTEM_DIR", "");
    EXPECT_EQ(SystemFolder(), "");
}

} // namespace
} // namespace kinetra::installer
