#include "installer/ShellFolders.h"

#include <QFile>
#include <QStringList>

#include <cstdlib>

namespace kinetra::installer {

namespace {

const char kDefaultSystemFolder[] = "/usr/local/lib";
const QString kDesktopKey = QStringLiteral("XDG_DESKTOP_DIR");
const QString kHomeVariable = QStringLiteral("$HOME");

QString environmentPath(const char* name)
{
    return QFile::decodeName(qgetenv(name));
}

QString homeFolder()
{
    return environmentPath("HOME");
}

// An XDG base folder: the variable when it holds an absolute path, else
// `fallback` below the home folder.
QString baseFolder(const char* variable, const QString& fallback)
{
    const QString value = environmentPath(variable);
    if (value.startsWith(u'/'))
        return value;
    const QString home = homeFolder();
    return home.isEmpty() ? QString() : home + u'/' + fallback;
}

// The quoted value of one line, `at` just behind its opening quote;
// `closed` tells whether the closing quote was there.
QString quotedValue(const QString& line, qsizetype at, bool& closed)
{
    QString value;
    closed = false;
    for (; at < line.size(); ++at) {
        QChar c = line[at];
        if (c == u'"') {
            closed = true;
            break;
        }
        if (c == u'\\' && at + 1 < line.size())
            c = line[++at];
        value += c;
    }
    return value;
}

} // namespace

QString DataHome()
{
    return baseFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString ConfigHome()
{
    return baseFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString ProgramsFolder()
{
    const QString dataHome = DataHome();
    return dataHome.isEmpty() ? QString() : dataHome + QStringLiteral("/applications");
}

QString DesktopFolderFromUserDirs(const QString& text, const QString& home)
{
    QString found;
    for (const QString& rawLine : text.split(u'\n')) {
        const QString line = rawLine.trimmed();
        if (!line.startsWith(kDesktopKey))
            continue;
        qsizetype at = kDesktopKey.size();
        while (at < line.size() && line[at].isSpace())
            ++at;
        if (at >= line.size() || line[at] != u'=')
            continue;
        ++at;
        while (at < line.size() && line[at].isSpace())
            ++at;
        if (at >= line.size() || line[at] != u'"')
            continue;
        ++at;

        bool fromHome = false;
        if (QStringView(line).mid(at).startsWith(kHomeVariable)) {
            fromHome = true;
            at += kHomeVariable.size();
        } else if (at >= line.size() || line[at] != u'/') {
            continue; // neither below the home folder nor absolute
        }
        bool closed = false;
        const QString rest = quotedValue(line, at, closed);
        if (!closed || (fromHome && home.isEmpty()))
            continue;
        found = fromHome ? home + rest : rest;
    }
    return found;
}

QString DesktopFolder()
{
    const QString home = homeFolder();
    const QString configHome = ConfigHome();
    if (!configHome.isEmpty()) {
        QFile userDirs(configHome + QStringLiteral("/user-dirs.dirs"));
        if (userDirs.open(QIODevice::ReadOnly)) {
            const QString desktop = DesktopFolderFromUserDirs(QString::fromUtf8(userDirs.readAll()), home);
            if (!desktop.isEmpty())
                return desktop;
        }
    }
    return home.isEmpty() ? QString() : home + QStringLiteral("/Desktop");
}

std::string SystemFolder()
{
    const char* value = std::getenv("KINETRA_SYSTEM_DIR");
    return value ? std::string(value) : std::string(kDefaultSystemFolder);
}

} // namespace kinetra::installer
