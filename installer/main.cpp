// InstallKinetra: finishes an unpacked copy of Kinetra. It makes the menu
// entry and the desktop launcher, places the UI-kit library in the system
// folder when that is needed, and starts Kinetra once with "/i", which
// registers the file type and deletes this installer.

#include "installer/InstallerStrings.h"
#include "installer/LibraryPlacement.h"
#include "installer/MenuFolder.h"
#include "installer/ProgramStart.h"
#include "installer/ShellFolders.h"
#include "installer/Shortcut.h"
#include "io/VersionNote.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

using namespace kinetra::installer;

const char kProgramName[] = "Kinetra";
const char kLibraryName[] = "libArdenkit.so";
const char kLogName[] = "InstallLog_Kinetra.txt";
const char kInstallSwitch[] = "/i";

// Every message goes to the console and into the log, each on its line.
class Console {
public:
    void Print(const std::string& message)
    {
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        m_strLog += message;
        m_strLog += '\n';
    }
    void Print(InstallerString id, std::initializer_list<std::string_view> values = {})
    {
        Print(FormatInstallerString(id, values));
    }
    const std::string& Log() const { return m_strLog; }

private:
    std::string m_strLog;
};

// The folder of this executable with its trailing slash; empty when its
// path cannot be read.
std::string ownFolder()
{
    std::error_code error;
    const std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    const std::size_t slash = path.rfind('/');
    if (error || slash == std::string::npos)
        return {};
    return path.substr(0, slash + 1);
}

std::string inFolder(const std::string& folder, const std::string& name)
{
    return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

void makeShortcuts(Console& console, const QString& program)
{
    const std::string menuName = kProgramName;
    if (CreateMenuShortcut(ProgramsFolder(), program)) {
        // Without these the entry is still found by search, only not in
        // a submenu of its own.
        WriteMenuFolderFiles(DataHome(), ConfigHome(), ShortcutFileName(program));
        console.Print(InstallerString::CreatingShortcut, {menuName});
    } else {
        console.Print(InstallerString::CannotCreateShortcut, {menuName});
    }

    // The misspelling is the program's own.
    const std::string desktopName = menuName + " Desctop";
    // Desktops without a desktop folder (many tiling ones) are no error.
    const QString desktopFolder = DesktopFolder();
    if (!QFileInfo(desktopFolder).isDir())
        console.Print(InstallerString::NoDesktopFolder, {QFile::encodeName(desktopFolder).toStdString(), desktopName});
    else if (CreateDesktopShortcut(desktopFolder, program))
        console.Print(InstallerString::CreatingShortcut, {desktopName});
    else
        console.Print(InstallerString::CannotCreateShortcut, {desktopName});
}

// Moves the library rather than duplicating it: the copy that stays behind
// in the install folder would only shadow the system one.
void placeLibrary(Console& console, const std::string& installFolder, const std::string& systemFolder)
{
    const std::string source = installFolder + kLibraryName;
    const std::string destination = inFolder(systemFolder, kLibraryName);
    if (!CopyLibraryIfNewer(source, destination))
        return;
    console.Print(InstallerString::LibraryCopied, {source, destination});
    std::error_code ignored;
    std::filesystem::remove(source, ignored);
}

// A log that cannot be written costs nothing but the log.
void writeLog(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
}

} // namespace

int main(int argc, char** argv)
{
    // Asking is not installing: these two change nothing.
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (first == "--version") {
        std::fputs(kinetra::RunningVersionText("InstallKinetra").c_str(), stdout);
        return 0;
    }
    if (first == "-h" || first == "--help") {
        std::fputs("Usage: InstallKinetra [--help | --version]\n"
                   "Finishes the unpacked Kinetra folder it lies in: the menu entry, the desktop\n"
                   "launcher, the UI-kit library and the .flc file association.\n",
                   stdout);
        return 0;
    }

    Console console;
    console.Print(InstallerString::StartingInstallation);

    const std::string installFolder = ownFolder();
    if (installFolder.empty()) {
        console.Print(InstallerString::NoInstallFolder);
        return 1;
    }
    const std::string systemFolder = SystemFolder();
    if (systemFolder.empty()) {
        console.Print(InstallerString::NoSystemFolder);
        return 1;
    }

    // Entries to a program that is not there would only start nothing.
    const std::string programPath = installFolder + kProgramName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(programPath, error)) {
        console.Print(InstallerString::ProgramMissing, {programPath});
        return 1;
    }
    makeShortcuts(console, QFile::decodeName(programPath.c_str()));
    placeLibrary(console, installFolder, systemFolder);

    console.Print(InstallerString::Registering);
    // Started at the normal priority: raising it takes privileges here.
    const std::string commandLine = programPath + ' ' + kInstallSwitch;
    if (!StartProgramDetached(programPath, kInstallSwitch)) {
        console.Print(InstallerString::CannotStartProcess, {commandLine});
        return 1;
    }
    console.Print(InstallerString::InstallationComplete);
    writeLog(installFolder + kLogName, console.Log());
    return 0;
}
