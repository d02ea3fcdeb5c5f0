#include "palette/GamePath.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

using namespace kinetra;

namespace {

namespace fs = std::filesystem;

const std::string kKey = "Software\\Quorvane Interactive\\Vorenth";

// As Wine writes it: escaped backslashes in key names and strings, a time
// stamp behind each key, \x escapes for characters beyond ASCII.
const std::string kSystemReg =
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

// A fresh folder for a Wine prefix, removed at the end of the test.
class TempPrefix {
public:
    TempPrefix()
    {
        static int counter = 0;
        m_path = fs::temp_directory_path() / ("kinetra-wine-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(m_path);
    }
    ~TempPrefix()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    std::string path() const { return m_path.string(); }
    std::string canonical(const std::string& inside) const { return fs::canonical(m_path / inside).string(); }
    void write(const std::string& name, const std::string& text) const { std::ofstream(m_path / name) << text; }

private:
    fs::path m_path;
};

} // namespace

TEST(GamePathTest, ValueNamesAndKeysCompareIgnoringCase)
{
    EXPECT_EQ(ReadWineRegistryString(kSystemReg, kKey, "Install_Path"), "C:\\Games\\Vorenth \\x41");
    EXPECT_EQ(ReadWineRegistryString(kSystemReg, "SOFTWARE\\QUORVANE INTERACTIVE\\VORENTH", "INSTALL_PATH"),
              "C:\\Games\\Vorenth \\x41");
    EXPECT_EQ(ReadWineRegistryString(kSystemReg, kKey + "\\Patches", "Install_Path"), "C:\\Patches");
}

TEST(GamePathTest, EscapesAreWines)
{
    EXPECT_EQ(ReadWineRegistryString(kSystemReg, kKey, "Quote"), "say \"hi\"\tthen\u00e9tA");
    EXPECT_EQ(ReadWineRegistryString(kSystemReg, kKey, ""), "default value");
}

TEST(GamePathTest, AbsentOrNonStringValuesAreNotFound)
{
    EXPECT_FALSE(ReadWineRegistryString(kSystemReg, kKey, "Version"));
    EXPECT_FALSE(ReadWineRegistryString(kSystemReg, kKey, "Data"));
    EXPECT_FALSE(ReadWineRegistryString(kSystemReg, kKey, "Missing"));
    EXPECT_FALSE(ReadWineRegistryString(kSystemReg, "Software\\Quorvane Interactive", "Install_Path"));
    EXPECT_FALSE(ReadWineRegistryString("[Software\\\\Quorvane Interactive\\\\Vorenth]\n\"Install_Path\"=\"C:\\\\open",
                                        kKey, "Install_Path"));
}

TEST(GamePathTest, WindowsPathsFollowTheDriveLinksAndTheCaseOnDisk)
{
    TempPrefix prefix;
    fs::create_directories(prefix.path() + "/drive_c/Games/Vorenth/Art");
    fs::create_directories(prefix.path() + "/dosdevices");
    fs::create_directories(prefix.path() + "/other");
    fs::create_directory_symlink("../drive_c", prefix.path() + "/dosdevices/c:");
    fs::create_directory_symlink("../other", prefix.path() + "/dosdevices/d:");
    const std::string driveC = prefix.canonical("drive_c");

    EXPECT_EQ(WineToUnixPath(prefix.path(), "C:\\GAMES\\vorenth\\"), driveC + "/Games/Vorenth");
    EXPECT_EQ(WineToUnixPath(prefix.path(), "c:/Games/./Old/../Vorenth/art"), driveC + "/Games/Vorenth/Art");
    // A folder that is not there (yet) keeps the letters it was given.
    EXPECT_EQ(WineToUnixPath(prefix.path(), "C:\\Games\\Missing\\Sub"), driveC + "/Games/Missing/Sub");
    EXPECT_EQ(WineToUnixPath(prefix.path(), "D:\\x"), prefix.canonical("other") + "/x");
    EXPECT_FALSE(WineToUnixPath(prefix.path(), "E:\\Games"));
    EXPECT_FALSE(WineToUnixPath(prefix.path(), "\\\\server\\share"));
    EXPECT_FALSE(WineToUnixPath(prefix.path(), "Games\\Vorenth"));
}

TEST(GamePathTest, APrefixWithoutDriveLinksStillHasDriveC)
{
    TempPrefix prefix;
    fs::create_directories(prefix.path() + "/drive_c/Games");
    EXPECT_EQ(WineToUnixPath(prefix.path(), "C:\\games"), prefix.canonical("drive_c") + "/Games");
}

TEST(GamePathTest, TheGamesKeyIsFoundDirectlyOrUnderWow6432Node)
{
    TempPrefix prefix;
    fs::create_directories(prefix.path() + "/drive_c/Vorenth");
    const std::string expected = prefix.canonical("drive_c") + "/Vorenth";

    EXPECT_FALSE(FindGameInstallPath(prefix.path()));

    prefix.write("system.reg", "WINE REGISTRY Version 2\n\n"
                               "[Software\\\\Wow6432Node\\\\Quorvane Interactive\\\\Vorenth] 1700000000\n"
                               "\"Install_Path\"=\"C:\\\\Vorenth\"\n");
    EXPECT_EQ(FindGameInstallPath(prefix.path()), expected);

    // The key alone, without its value, is not an installation.
    prefix.write("system.reg", "WINE REGISTRY Version 2\n\n"
                               "[Software\\\\Quorvane Interactive\\\\Vorenth] 1700000000\n"
                               "\"Version\"=\"1.0\"\n");
    EXPECT_FALSE(FindGameInstallPath(prefix.path()));

    // Longer than the game's own reader would take.
    prefix.write("system.reg",
                 "[Software\\\\Quorvane Interactive\\\\Vorenth]\n\"Install_Path\"=\"C:\\\\" + std::string(300, 'v') + "\"\n");
    EXPECT_FALSE(FindGameInstallPath(prefix.path()));
}

TEST(GamePathTest, ThePrefixIsWineprefixOrDotWine)
{
    const char* saved = std::getenv("WINEPREFIX");
    const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    ::setenv("WINEPREFIX", "/somewhere/prefix", 1);
    EXPECT_EQ(DefaultWinePrefix(), "/somewhere/prefix");
    ::unsetenv("WINEPREFIX");
    EXPECT_EQ(DefaultWinePrefix(), std::string(std::getenv("HOME")) + "/.wine");
    if (previous)
        ::setenv("WINEPREFIX", previous->c_str(), 1);
}
