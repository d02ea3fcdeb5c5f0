#include "installer/MenuFolder.h"
#include "installer/Shortcut.h"

#include "InstallerTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace kinetra::installer {
namespace {

using installertest::fileMode;
using installertest::readFile;
using installertest::writeFile;

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_root.isValid()); }
    QString path(const QString& relative) const { return m_root.path() + u'/' + relative; }

    QTemporaryDir m_root;
};

TEST(ShortcutFileNameTest, UpperCasedWithoutExtension)
{
    EXPECT_EQ(ShortcutFileName(QStringLiteral("/opt/kinetra/Kinetra")), QStringLiteral("KINETRA.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("/opt/kinetra/Kinetra.exe")), QStringLiteral("KINETRA.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("/x.y/a.b.c")), QStringLiteral("A.B.desktop"));
    EXPECT_EQ(ShortcutFileName(QStringLiteral("/x/sm\u00f6rg\u00e5s")), QStringLiteral("SM\u00d6RG\u00c5S.desktop"));
}

TEST_F(ShortcutTest, DesktopLauncherTextNameAndMode)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("Desktop"))));
    ASSERT_TRUE(CreateDesktopShortcut(path(QStringLiteral("Desktop")), QStringLiteral("/opt/my kinetra/Kinetra")));

    const QString link = path(QStringLiteral("Desktop/KINETRA.desktop"));
    EXPECT_EQ(readFile(link), QByteArray("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Kinetra\n"
                                         "Comment=Shortcut to KINETRA\n"
                                         "Exec=\"/opt/my kinetra/Kinetra\" %f\n"
                                         "Icon=kinetra\n"
                                         "Terminal=false\n"
                                         "MimeType=video/x-flic;\n"
                                         "Categories=Graphics;Viewer;\n"));
    EXPECT_EQ(fileMode(link), 0755);
    EXPECT_EQ(QDir(path(QStringLiteral("Desktop"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("KINETRA.desktop")});
}

TEST_F(ShortcutTest, DesktopLauncherNeedsAnExistingFolder)
{
    EXPECT_FALSE(CreateDesktopShortcut(QString(), QStringLiteral("/opt/k/Kinetra")));
    EXPECT_FALSE(CreateDesktopShortcut(path(QStringLiteral("NoDesktop")), QStringLiteral("/opt/k/Kinetra")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("NoDesktop"))));
}

TEST_F(ShortcutTest, MenuEntryCreatesEveryMissingLevel)
{
    const QString programs = path(QStringLiteral("data/deep/applications"));
    ASSERT_TRUE(CreateMenuShortcut(programs, QStringLiteral("/home/ann/Games/Kinetra 1.0/Kinetra")));

    const QString link = programs + QStringLiteral("/Vorenth FLC/KINETRA.desktop");
    const QByteArray text = readFile(link);
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\nName=Kinetra\n"));
    EXPECT_TRUE(text.contains("\nComment=Location: /home/ann/Games/Kinetra 1.0/\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nExec=\"/home/ann/Games/Kinetra 1.0/Kinetra\" %f\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nMimeType=video/x-flic;\n"));
    // Menu entries need not be executable; only the desktop launcher is.
    EXPECT_EQ(fileMode(link) & 0111, 0);
}

TEST_F(ShortcutTest, MenuEntryFailsWhenALevelIsAFile)
{
    ASSERT_TRUE(writeFile(path(QStringLiteral("applications")), "not a folder"));
    EXPECT_FALSE(CreateMenuShortcut(path(QStringLiteral("applications")), QStringLiteral("/opt/k/Kinetra")));
    EXPECT_FALSE(CreateMenuShortcut(QString(), QStringLiteral("/opt/k/Kinetra")));
}

TEST_F(ShortcutTest, SecondRunOverwritesBothEntries)
{
    const QString desktop = path(QStringLiteral("Desktop"));
    const QString programs = path(QStringLiteral("applications"));
    ASSERT_TRUE(QDir().mkpath(desktop));
    ASSERT_TRUE(CreateDesktopShortcut(desktop, QStringLiteral("/old/Kinetra")));
    ASSERT_TRUE(CreateMenuShortcut(programs, QStringLiteral("/old/Kinetra")));

    const QString desktopLink = desktop + QStringLiteral("/KINETRA.desktop");
    const QString menuLink = programs + QStringLiteral("/Vorenth FLC/KINETRA.desktop");
    ASSERT_TRUE(writeFile(desktopLink, "stale"));
    ASSERT_TRUE(QFile::setPermissions(desktopLink, QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    ASSERT_TRUE(CreateDesktopShortcut(desktop, QStringLiteral("/new/Kinetra")));
    ASSERT_TRUE(CreateMenuShortcut(programs, QStringLiteral("/new/Kinetra")));
    EXPECT_TRUE(readFile(desktopLink).contains("\nExec=/new/Kinetra %f\n"));
    EXPECT_FALSE(readFile(desktopLink).contains("stale"));
    EXPECT_EQ(fileMode(desktopLink), 0755);
    EXPECT_TRUE(readFile(menuLink).contains("\nComment=Location: /new/\n"));
    EXPECT_FALSE(readFile(menuLink).contains("/old/"));
    // The replacement leaves no temporary file behind.
    EXPECT_EQ(QDir(desktop).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
    EXPECT_EQ(QDir(programs + QStringLiteral("/Vorenth FLC"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              1);
}

TEST_F(ShortcutTest, SpecialCharactersAreEscapedNotBreakingTheEntry)
{
    const QString programs = path(QStringLiteral("applications"));
    ASSERT_TRUE(CreateMenuShortcut(programs, QStringLiteral("/odd\\dir\n$x 100%/Kinetra")));
    const QList<QByteArray> lines = readFile(programs + QStringLiteral("/Vorenth FLC/KINETRA.desktop")).split('\n');
    ASSERT_EQ(lines.size(), 10); // nine lines and the empty rest after the last line end
    EXPECT_EQ(lines[3], QByteArray("Comment=Location: /odd\\\\dir\\n$x 100%/"));
    EXPECT_EQ(lines[4], QByteArray("Exec=\"/odd\\\\\\\\dir\\n\\\\$x 100%%/Kinetra\" %f"));
}

TEST_F(ShortcutTest, MenuFolderFilesMakeASubmenuHoldingTheEntry)
{
    const QString dataHome = path(QStringLiteral("data"));
    const QString configHome = path(QStringLiteral("config"));
    EXPECT_EQ(MenuEntryId(QStringLiteral("KINETRA.desktop")), QStringLiteral("Vorenth FLC-KINETRA.desktop"));
    ASSERT_TRUE(WriteMenuFolderFiles(dataHome, configHome, QStringLiteral("KINETRA.desktop")));

    EXPECT_EQ(readFile(dataHome + QStringLiteral("/desktop-directories/vorenth-flc.directory")),
              QByteArray("[Desktop Entry]\nType=Directory\nName=Vorenth FLC\n"));

    // The merge file: <Menu> Applications holding <Menu> "Vorenth FLC" that
    // names the directory file and includes the entry by its id.
    QXmlStreamReader xml(readFile(configHome + QStringLiteral("/menus/applications-merged/vorenth-flc.menu")));
    QStringList path;
    QStringList found;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            path << xml.name().toString();
        } else if (token == QXmlStreamReader::EndElement) {
            path.removeLast();
        } else if (token == QXmlStreamReader::Characters && !xml.isWhitespace()) {
            found << path.join(u'/') + u'=' + xml.text().toString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(found, (QStringList{QStringLiteral("Menu/Name=Applications"),
                                  QStringLiteral("Menu/Menu/Name=Vorenth FLC"),
                                  QStringLiteral("Menu/Menu/Directory=vorenth-flc.directory"),
                                  QStringLiteral("Menu/Menu/Include/Filename=Vorenth FLC-KINETRA.desktop")}));
}

TEST_F(ShortcutTest, MenuFolderFilesNeedBothHomes)
{
    EXPECT_FALSE(WriteMenuFolderFiles(QString(), path(QStringLiteral("config")), QStringLiteral("KINETRA.desktop")));
    EXPECT_FALSE(WriteMenuFolderFiles(path(QStringLiteral("data")), QString(), QStringLiteral("KINETRA.desktop")));
    ASSERT_TRUE(writeFile(path(QStringLiteral("config")), "a file, not a folder"));
    EXPECT_FALSE(WriteMenuFolderFiles(path(QStringLiteral("data")), path(QStringLiteral("config")),
                                      QStringLiteral("KINETRA.desktop")));
}

} // namespace
} // namespace kinetra::installer
