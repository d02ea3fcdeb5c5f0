#include "installer/Shortcut.h"

#include "installer/DesktopEntry.h"
#include "installer/EntryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kinetra::installer {

namespace {

// The program's file name with its extension, upper-cased.
QString upperFileName(const QString& programPath)
{
    return QFileInfo(programPath).fileName().toUpper();
}

QString entryText(const QString& programPath, const QString& comment)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kinetra\n"
                          "Comment=%1\n"
                          "Exec=%2 %f\n"
                          "Icon=kinetra\n"
                          "Terminal=false\n"
                          "MimeType=video/x-flic;\n"
                          "Categories=Graphics;Viewer;\n")
        .arg(DesktopStringValue(comment), DesktopExecArgument(programPath));
}

} // namespace

QString ShortcutFileName(const QString& programPath)
{
    QString name = upperFileName(programPath);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return name + QStringLiteral(".desktop");
}

bool CreateShortcut(const QString& linkPath, const QString& programPath, const QString& comment, bool executable)
{
    if (!WriteEntryFile(linkPath, entryText(programPath, comment)))
        return false;
    // Desktops that ask before starting a launcher also want it marked as
    // trusted, which each does its own way (GNOME through a gio attribute);
    // without their tools the executable bit is all that can be set here.
    if (executable) {
        QFile::setPermissions(linkPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::ExeOther);
    }
    return true;
}

bool CreateDesktopShortcut(const QString& desktopFolder, const QString& programPath)
{
    if (desktopFolder.isEmpty() || !QFileInfo(desktopFolder).isDir())
        return false;
    return CreateShortcut(desktopFolder + u'/' + ShortcutFileName(programPath), programPath,
                          QStringLiteral("Shortcut to ") + upperFileName(programPath), true);
}

bool CreateMenuShortcut(const QString& programsFolder, const QString& programPath)
{
    if (programsFolder.isEmpty())
        return false;
    const QString folder = programsFolder + u'/' + QLatin1String(kMenuFolderName);
    if (!QDir().mkpath(folder))
        return false;
    const QString programFolder = programPath.left(programPath.lastIndexOf(u'/') + 1);
    return CreateShortcut(folder + u'/' + ShortcutFileName(programPath), programPath,
                          QStringLiteral("Location: ") + programFolder, false);
}

} // namespace kinetra::installer
