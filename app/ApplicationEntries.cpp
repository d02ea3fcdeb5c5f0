#include "app/ApplicationEntries.h"

#include "installer/DesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace kinetra {

namespace {

const QString kTrue = QStringLiteral("true");

// A path that names the same file as another: symbolic links resolved when
// the file exists, otherwise only cleaned.
QString comparablePath(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

} // namespace

bool ExecStartsProgram(const QString& execValue, const QString& programPath)
{
    QString program = DesktopExecProgram(execValue);
    if (program.isEmpty() || programPath.isEmpty())
        return false;
    // A bare name is what a launcher looks up in PATH.
    if (!program.contains(u'/'))
        program = QStandardPaths::findExecutable(program);
    return !program.isEmpty() && comparablePath(program) == comparablePath(programPath);
}

QList<ApplicationEntry> EntriesStartingProgram(const QString& dataDir, const QString& programPath)
{
    QList<ApplicationEntry> entries;
    const QString folder = dataDir + QStringLiteral("/applications");
    QDirIterator files(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        if (DesktopEntryValue(text, QStringLiteral("Hidden")) == kTrue ||
            !ExecStartsProgram(DesktopEntryValue(text, QStringLiteral("Exec")), programPath))
            continue;
        QString id = QDir(folder).relativeFilePath(path);
        id.replace(u'/', u'-');
        entries.append({id, path, DesktopEntryValue(text, QStringLiteral("NoDisplay")) == kTrue});
    }
    return entries;
}

} // namespace kinetra
