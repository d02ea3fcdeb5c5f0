#pragma once

// What the application-shell tests share: the per-user folders that
// KINETRA_QTEST_MAIN set up, emptied between cases, and small files.

#include "flc/FlcHeader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>

namespace kinetra::apptest {

inline QString configHome() { return qEnvironmentVariable("XDG_CONFIG_HOME"); }
inline QString dataHome() { return qEnvironmentVariable("XDG_DATA_HOME"); }
inline QString runtimeDir() { return qEnvironmentVariable("XDG_RUNTIME_DIR"); }
inline QString homeDir() { return qEnvironmentVariable("HOME"); }

inline QString profilePath() { return configHome() + QStringLiteral("/Halvorek/Kinetra.conf"); }

// The profile as another process wrote it (read afresh from the file).
inline QVariant profileValue(const QString& section, const QString& entry)
{
    QSettings settings(profilePath(), QSettings::IniFormat);
    return settings.value(section + u'/' + entry);
}

inline void emptyFolder(const QString& path)
{
    QDir(path).removeRecursively();
    QDir().mkpath(path);
}

// Every case starts as a first run: no profile, no association, no socket.
inline void resetUserFolders()
{
    emptyFolder(configHome());
    emptyFolder(dataHome());
    for (const QString& entry : QDir(runtimeDir()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        QFile::remove(runtimeDir() + u'/' + entry);
    // A start-up question that no case asked for would otherwise fail it.
    QSettings(profilePath(), QSettings::IniFormat).setValue(QStringLiteral("Options/Check File Type"), 0);
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Enough of an FLC header for the document's checks: the magic number at
// offset 4 (or another value), little-endian.
inline QByteArray flcHeaderBytes(quint16 magic = kinetra::kFlcMagic)
{
    QByteArray bytes(128, '\0');
    bytes[4] = char(magic & 0xff);
    bytes[5] = char(magic >> 8);
    return bytes;
}

// The bundled game sample, copied to `path` (which the test may delete).
inline bool copySample(const QString& path, const QString& sample = QStringLiteral("unit.flc"))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    return QFile::copy(QStringLiteral(KINETRA_SAMPLES_DIR "/") + sample, path);
}

} // namespace kinetra::apptest
