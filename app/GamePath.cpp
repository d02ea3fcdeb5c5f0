#include "app/GamePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>

namespace kinetra {

namespace {

const QString kGameKey = QStringLiteral("Software\\Quorvane Interactive\\Vorenth");
const QString kGameKey32 = QStringLiteral("Software\\Wow6432Node\\Quorvane Interactive\\Vorenth");
const QString kInstallPathValue = QStringLiteral("Install_Path");
// The game's own reader queried into a buffer of MAX_PATH bytes.
constexpr qsizetype kMaxInstallPath = 259;

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reads one escaped string from `at` up to the unescaped `end` character and
// moves `at` behind it. The escapes are Wine's: C escapes, \e, up to four hex
// digits after \x, up to three octal digits, and a backslash before any
// other character standing for that character.
std::optional<QString> readEscaped(const QString& line, qsizetype& at, QChar end)
{
    QString out;
    while (at < line.size()) {
        QChar c = line[at++];
        if (c == end)
            return out;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (at >= line.size())
            return std::nullopt;
        c = line[at++];
        switch (c.unicode()) {
        case 'a': out += QChar(0x07); break;
        case 'b': out += QChar(0x08); break;
        case 'e': out += QChar(0x1b); break;
        case 'f': out += QChar(0x0c); break;
        case 'n': out += QChar(0x0a); break;
        case 'r': out += QChar(0x0d); break;
        case 't': out += QChar(0x09); break;
        case 'v': out += QChar(0x0b); break;
        case 'x': {
            unsigned value = 0;
            int digits = 0;
            while (digits < 4 && at < line.size() && hexDigit(line[at]) >= 0) {
                value = value * 16 + unsigned(hexDigit(line[at++]));
                ++digits;
            }
            if (digits == 0)
                out += u'x';
            else
                out += QChar(char16_t(value));
            break;
        }
        default:
            if (c >= u'0' && c <= u'7') {
                unsigned value = unsigned(c.unicode() - '0');
                for (int digits = 1; digits < 3 && at < line.size() && line[at] >= u'0' && line[at] <= u'7'; ++digits)
                    value = value * 8 + unsigned(line[at++].unicode() - '0');
                out += QChar(char16_t(value));
            } else {
                out += c;
            }
            break;
        }
    }
    return std::nullopt;
}

// "[Key\\Path] 1700000000" → "Key\Path".
std::optional<QString> keyOfHeader(const QString& line)
{
    qsizetype at = 1;
    return readEscaped(line, at, u']');
}

struct ValueLine {
    QString name; // empty for the default value "@"
    std::optional<QString> text; // set for string values only
};

std::optional<ValueLine> parseValueLine(const QString& line)
{
    ValueLine value;
    qsizetype at = 0;
    if (line.startsWith(u'@')) {
        at = 1;
    } else if (line.startsWith(u'"')) {
        at = 1;
        auto name = readEscaped(line, at, u'"');
        if (!name)
            return std::nullopt;
        value.name = *name;
    } else {
        return std::nullopt;
    }
    while (at < line.size() && line[at].isSpace())
        ++at;
    if (at >= line.size() || line[at] != u'=')
        return std::nullopt;
    ++at;
    while (at < line.size() && line[at].isSpace())
        ++at;
    // A plain string, or an expandable one (whose variables the game's
    // installer has no reason to use in a folder).
    const QString expandable = QStringLiteral("str(2):");
    if (line.mid(at, expandable.size()) == expandable)
        at += expandable.size();
    if (at < line.size() && line[at] == u'"') {
        ++at;
        value.text = readEscaped(line, at, u'"');
    }
    return value;
}

} // namespace

std::optional<QString> ReadWineRegistryString(const QByteArray& regText, const QString& keyPath,
                                              const QString& valueName)
{
    bool inKey = false;
    for (const QByteArray& rawLine : regText.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            const auto key = keyOfHeader(line);
            inKey = key && key->compare(keyPath, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inKey)
            continue;
        const auto value = parseValueLine(line);
        if (!value || value->name.compare(valueName, Qt::CaseInsensitive) != 0)
            continue;
        return value->text;
    }
    return std::nullopt;
}

namespace {

// The entry of `folder` named `name`, or the one whose name differs only in
// letter case (files copied from Windows keep no consistent case).
QString childIgnoringCase(const QString& folder, const QString& name)
{
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    if (QFileInfo::exists(base + name))
        return base + name;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return base + entry;
    return base + name;
}

} // namespace

std::optional<QString> WineToUnixPath(const QString& winePrefix, const QString& windowsPath)
{
    QString path = windowsPath.trimmed();
    path.replace(u'/', u'\\');
    if (path.size() < 2 || !path[0].isLetter() || path[0].unicode() > 0x7f || path[1] != u':')
        return std::nullopt;

    const QString drive = path.left(2).toLower();
    const QString link = winePrefix + QStringLiteral("/dosdevices/") + drive;
    QString root = QFileInfo(link).canonicalFilePath();
    if (root.isEmpty() && drive == QLatin1String("c:") && QFileInfo(winePrefix + QStringLiteral("/drive_c")).isDir())
        root = QFileInfo(winePrefix + QStringLiteral("/drive_c")).canonicalFilePath();
    if (root.isEmpty())
        return std::nullopt;

    QStringList parts;
    for (const QString& part : path.mid(2).split(u'\\', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    QString unixPath = root;
    for (const QString& part : parts)
        unixPath = childIgnoringCase(unixPath, part);
    return QDir::cleanPath(unixPath);
}

QString DefaultWinePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix;
}

std::optional<QString> FindGameInstallPath(const QString& winePrefix)
{
    QFile file(winePrefix + QStringLiteral("/system.reg"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.readAll();
    for (const QString& key : {kGameKey, kGameKey32}) {
        const auto value = ReadWineRegistryString(text, key, kInstallPathValue);
        if (!value || value->isEmpty() || value->size() > kMaxInstallPath)
            continue;
        return WineToUnixPath(winePrefix, *value);
    }
    return std::nullopt;
}

} // namespace kinetra
