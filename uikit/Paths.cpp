#include "uikit/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

bool uIsFileExist(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && !info.isDir();
}

bool uIsDirExist(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool uCreateNewFolder(const QString& path)
{
    return !path.isEmpty() && QDir().mkpath(path);
}

QString uGetFileExt(const QString& path)
{
    const QString name = CFileX::GetFileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString uGetPathName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString uGetTempFileName(const QString& prefix)
{
    QTemporaryFile file(QDir::tempPath() + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    const QString name = file.fileName();
    file.close();
    return name;
}

QString uInt2Str(long long value)
{
    return QString::number(value);
}

QString uGetModuleFileName()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

QString CFileX::GetFileName(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
