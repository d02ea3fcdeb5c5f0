#include "installer/DesktopEntry.h"

#include <QStringList>

#include <algorithm>

namespace kinetra {

namespace {

// The characters after which an Exec argument has to be quoted.
const QString kReservedInExec = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

// The characters that take a backslash inside a quoted Exec argument.
bool escapedInQuotes(QChar c)
{
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

QString unescapeStringValue(const QString& value)
{
    QString text;
    for (qsizetype at = 0; at < value.size(); ++at) {
        const QChar c = value[at];
        if (c != u'\\' || at + 1 == value.size()) {
            text += c;
            continue;
        }
        switch (value[++at].unicode()) {
        case 's': text += u' '; break;
        case 'n': text += u'\n'; break;
        case 't': text += u'\t'; break;
        case 'r': text += u'\r'; break;
        case '\\': text += u'\\'; break;
        default: text += u'\\'; text += value[at]; break;
        }
    }
    return text;
}

} // namespace

QString DesktopStringValue(const QString& text)
{
    QString value;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': value += QStringLiteral("\\\\"); break;
        case '\n': value += QStringLiteral("\\n"); break;
        case '\t': value += QStringLiteral("\\t"); break;
        case '\r': value += QStringLiteral("\\r"); break;
        default: value += c; break;
        }
    }
    return value;
}

// Quoted or not, '%' is doubled (field codes), and the escapes of a
// desktop-entry string value go on top.
QString DesktopExecArgument(const QString& argument)
{
    const bool needsQuotes =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                          [](QChar c) { return kReservedInExec.contains(c); });
    QString text;
    for (const QChar c : argument) {
        if (needsQuotes && escapedInQuotes(c))
            text += u'\\';
        text += c;
    }
    if (needsQuotes)
        text = u'"' + text + u'"';
    text.replace(u'%', QStringLiteral("%%"));
    return DesktopStringValue(text);
}

QString DesktopEntryValue(const QString& entryText, const QString& key)
{
    bool inMainGroup = false;
    for (const QString& rawLine : entryText.split(u'\n')) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && line.left(equals).trimmed() == key)
            return unescapeStringValue(line.mid(equals + 1).trimmed());
    }
    return {};
}

QString DesktopExecProgram(const QString& execValue)
{
    QString program;
    qsizetype at = 0;
    while (at < execValue.size() && execValue[at].isSpace())
        ++at;
    if (at < execValue.size() && execValue[at] == u'"') {
        for (++at; at < execValue.size() && execValue[at] != u'"'; ++at) {
            if (execValue[at] == u'\\' && at + 1 < execValue.size() && escapedInQuotes(execValue[at + 1]))
                ++at;
            program += execValue[at];
        }
    } else {
        for (; at < execValue.size() && !execValue[at].isSpace(); ++at)
            program += execValue[at];
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

} // namespace kinetra
