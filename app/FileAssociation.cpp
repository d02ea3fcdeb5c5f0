#include "app/FileAssociation.h"

#include "app/ApplicationEntries.h"
#include "app/MimeAppsList.h"
#include "installer/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace kinetra {

const QString FileAssociation::kDesktopId = QStringLiteral("kinetra.desktop");
const QString FileAssociation::kMimeType = QStringLiteral("video/x-flic");

namespace {

const QString kDefaultApplications = QStringLiteral("Default Applications");
const QString kAddedAssociations = QStringLiteral("Added Associations");
const QString kIconResource = QStringLiteral(":/icons/kinetra.svg");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces the file whole; through a symbolic link the link's target is
// written, so that a dotfile kept elsewhere stays linked.
bool writeAll(const QString& path, const QByteArray& bytes)
{
    const QString target = QFileInfo(path).exists() ? QFileInfo(path).canonicalFilePath() : path;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

// XDG_DATA_DIRS (or its default) without the user's own data home.
QStringList systemDataDirs()
{
    QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    dirs.removeAll(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return dirs;
}

} // namespace

FileAssociation::FileAssociation(const QString& programPath)
    : FileAssociation(programPath, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), systemDataDirs())
{
}

FileAssociation::FileAssociation(const QString& programPath, const QString& dataHome, const QString& configHome,
                                 const QStringList& dataDirs)
    : m_strProgramPath(programPath), m_strDataHome(dataHome), m_strConfigHome(configHome), m_dataDirs(dataDirs)
{
}

QString FileAssociation::DesktopEntryPath() const
{
    return m_strDataHome + QStringLiteral("/applications/") + kDesktopId;
}

QString FileAssociation::IconPath() const
{
    return m_strDataHome + QStringLiteral("/icons/hicolor/scalable/apps/kinetra.svg");
}

QString FileAssociation::MimeAppsPath() const
{
    return m_strConfigHome + QStringLiteral("/mimeapps.list");
}

QString FileAssociation::DesktopEntryText(const QString& programPath, bool noDisplay)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kinetra\n"
                          "Exec=%1 %f\n"
                          "Icon=kinetra\n"
                          "Terminal=false\n"
                          "%2"
                          "MimeType=video/x-flic;\n"
                          "Categories=Graphics;Viewer;\n")
        .arg(DesktopExecArgument(programPath), noDisplay ? QStringLiteral("NoDisplay=true\n") : QString());
}

QString FileAssociation::SystemEntryId() const
{
    for (const QString& dir : m_dataDirs) {
        const QList<ApplicationEntry> entries = EntriesStartingProgram(dir, m_strProgramPath);
        if (!entries.isEmpty())
            return entries.first().id;
    }
    return {};
}

bool FileAssociation::menuEntryExists() const
{
    for (const QString& dir : QStringList{m_strDataHome} + m_dataDirs) {
        for (const ApplicationEntry& entry : EntriesStartingProgram(dir, m_strProgramPath)) {
            if (!entry.noDisplay && !(dir == m_strDataHome && entry.id == kDesktopId))
                return true;
        }
    }
    return false;
}

bool FileAssociation::IsRegistered() const
{
    const QStringList handlers =
        MimeAppsList(readAll(MimeAppsPath())).Entries(kDefaultApplications, kMimeType);
    const QString systemId = SystemEntryId();
    if (handlers.isEmpty())
        return false;
    if (!systemId.isEmpty())
        return handlers.first().compare(systemId, Qt::CaseInsensitive) == 0;
    return handlers.first().compare(kDesktopId, Qt::CaseInsensitive) == 0 && QFileInfo(DesktopEntryPath()).isFile();
}

void FileAssociation::Register() const
{
    // Each step goes on whatever the one before did: a failure is not
    // reported, and a partial association is what the user can still get.
    const QString systemId = SystemEntryId();
    if (systemId.isEmpty()) {
        writeAll(DesktopEntryPath(), DesktopEntryText(m_strProgramPath, menuEntryExists()).toUtf8());
        QFile icon(kIconResource);
        if (icon.open(QIODevice::ReadOnly))
            writeAll(IconPath(), icon.readAll());
    } else if (ExecStartsProgram(DesktopEntryValue(QString::fromUtf8(readAll(DesktopEntryPath())),
                                                   QStringLiteral("Exec")),
                                 m_strProgramPath)) {
        // Ours from a registration before the package came: it would hide
        // the system's entry and stay behind when the package goes.
        QFile::remove(DesktopEntryPath());
        QFile::remove(IconPath());
    }

    const QString id = systemId.isEmpty() ? kDesktopId : systemId;
    MimeAppsList list(readAll(MimeAppsPath()));
    bool changed = list.Prepend(kDefaultApplications, kMimeType, id);
    changed = list.Prepend(kAddedAssociations, kMimeType, id) || changed;
    if (changed)
        writeAll(MimeAppsPath(), list.ToText());

    refreshDesktopDatabase();
}

void FileAssociation::Unregister() const
{
    if (QFileInfo::exists(MimeAppsPath())) {
        MimeAppsList list(readAll(MimeAppsPath()));
        bool changed = false;
        for (const QString& id : QStringList{kDesktopId, SystemEntryId()}) {
            if (id.isEmpty())
                continue;
            changed = list.Remove(kDefaultApplications, kMimeType, id) || changed;
            changed = list.Remove(kAddedAssociations, kMimeType, id) || changed;
        }
        if (changed && list.IsBlank())
            QFile::remove(MimeAppsPath());
        else if (changed)
            writeAll(MimeAppsPath(), list.ToText());
    }
    QFile::remove(DesktopEntryPath());
    QFile::remove(IconPath());
    refreshDesktopDatabase();
}

void FileAssociation::refreshDesktopDatabase() const
{
    // Only a cache for desktops that read it; without the tool the
    // association works all the same.
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (tool.isEmpty())
        return;
    QProcess process;
    process.start(tool, {QStringLiteral("-q"), m_strDataHome + QStringLiteral("/applications")});
    if (process.waitForStarted(2000) && !process.waitForFinished(5000))
        process.kill();
}

} // namespace kinetra
