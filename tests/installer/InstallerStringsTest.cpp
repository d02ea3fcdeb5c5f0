#include "installer/InstallerStrings.h"

#include <gtest/gtest.h>

namespace kinetra::installer {
namespace {

TEST(InstallerStringsTest, TableHoldsEveryMessageOnItsId)
{
    EXPECT_EQ(LoadInstallerString(InstallerString::StartingInstallation), "Starting installation procedure...");
    EXPECT_EQ(LoadInstallerString(InstallerString::NoSystemFolder), "Error: Cannot get system folder.");
    EXPECT_EQ(LoadInstallerString(InstallerString::NoInstallFolder), "Error: Cannot get installation target path.");
    EXPECT_EQ(LoadInstallerString(InstallerString::InstallationComplete), "Installation is successfully complited.");
    EXPECT_EQ(LoadInstallerString(InstallerString::Registering), "Registering the Kinetra...");
    EXPECT_EQ(static_cast<int>(InstallerString::CannotStartProcess), 8);
    EXPECT_EQ(static_cast<int>(InstallerString::LibraryCopied), 11);
    EXPECT_EQ(static_cast<int>(InstallerString::CannotCreateShortcut), 13);
    EXPECT_EQ(static_cast<int>(InstallerString::CreatingShortcut), 14);
    EXPECT_TRUE(LoadInstallerString(static_cast<InstallerString>(4)).empty());
}

TEST(InstallerStringsTest, FormattingFillsEachPlaceholderInTurn)
{
    EXPECT_EQ(FormatInstallerString(InstallerString::LibraryCopied, {"/a/lib.so", "/b/lib.so"}),
              "Copy from '/a/lib.so'\nto '/b/lib.so'");
    EXPECT_EQ(FormatInstallerString(InstallerString::CannotStartProcess, {"/opt/k/Kinetra /i"}),
              "Error: Cannot start process.\nCommand line: '/opt/k/Kinetra /i'");
    EXPECT_EQ(FormatInstallerString(InstallerString::CreatingShortcut, {"Kinetra Desctop"}),
              "Creating the Kinetra Desctop shortcut...");
    EXPECT_EQ(FormatInstallerString(InstallerString::CannotCreateShortcut, {"Kinetra"}),
              "Cannot create the Kinetra shortcut.");
    EXPECT_EQ(FormatInstallerString(InstallerString::NoDesktopFolder, {"/home/a/Desktop", "Kinetra Desctop"}),
              "There is no desktop folder '/home/a/Desktop': the Kinetra Desctop shortcut is skipped.");
    EXPECT_EQ(FormatInstallerString(InstallerString::ProgramMissing, {"/opt/k/Kinetra"}),
              "Error: Cannot find the program '/opt/k/Kinetra'.");
}

TEST(InstallerStringsTest, ValuesAreInsertedVerbatim)
{
    // A "%s" inside a value is text, not another placeholder.
    EXPECT_EQ(FormatInstallerString(InstallerString::LibraryCopied, {"/%s/x", "/y"}), "Copy from '/%s/x'\nto '/y'");
    EXPECT_EQ(FormatInstallerString(InstallerString::LibraryCopied, {"/only"}), "Copy from '/only'\nto ''");
    EXPECT_EQ(FormatInstallerString(InstallerString::Registering, {"unused"}), "Registering the Kinetra...");
}

} // namespace
} // namespace kinetra::installer
