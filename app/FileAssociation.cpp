#include "app/FileAssociation.h"

#include "app/DesktopEntry.h"
#include "app/MimeAppsList.h"

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

} // namespace

FileAssociation::FileAssociation(const QString& programPath)
    : FileAssociation(programPath, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
{
}

FileAssociation::FileAssociation(const QString& programPath, const QString& dataHome, const QString& configHome)
    : m_strProgramPath(programPath), m_strDataHome(dataHome), m_strConfigHome(configHome)
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

QString FileAssociation::DesktopEntryText(const QString& programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Kinetra\n"
                          "Exec=%1 %f\n"
                          "Icon=kinetra\n"
                          "Terminal=false\n"
                          "MimeType=video/x-flic;\n"
                          "Categories=Graphics;Viewer;\n")
        .arg(DesktopExecArgument(programPath));
}

bool FileAssociation::IsRegistered() const
{
    const QStringList handlers =
        MimeAppsList(readAll(MimeAppsPath())).Entries(kDefaultApplications, kMimeType);
    return !handlers.isEmpty() && handlers.first().compare(kDesktopId, Qt::CaseInsensitive) == 0 &&
           QFileInfo(DesktopEntryPath()).isFile();
}

void FileAssociation::Register() const
{
    // Each step goes on whatever the one before did: a failure is not
    // reported, and a partial association is what the user can still get.
    writeAll(DesktopEntryPath(), DesktopEntryText(m_strProgramPath).toUtf8());

    QFile icon(kIconResource);
    if (icon.open(QIODevice::ReadOnly))
        writeAll(IconPath(), icon.readAll());

    MimeAppsList list(readAll(MimeAppsPath()));
    bool changed = list.Prepend(kDefaultApplications, kMimeType, kDesktopId);
    changed = list.Prepend(kAddedAssociations, kMimeType, kDesktopId) || changed;
    if (changed)
        writeAll(MimeAppsPath(), list.ToText());

    refreshDesktopDatabase();
}

void FileAssociation::Unregister() const
{
    if (QFileInfo::exists(MimeAppsPath())) {
        MimeAppsList list(readAll(MimeAppsPath()));
        bool changed = list.Remove(kDefaultApplications, kMimeType, kDesktopId);
        changed = list.Remove(kAddedAssociations, kMimeType, kDesktopId) || changed;
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
