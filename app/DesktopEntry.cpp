#include "app/DesktopEntry.h"

namespace kinetra {

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

// One argument of an Exec line: quoted, with the characters that are
// special inside quotes escaped, '%' doubled (field codes), and then the
// escapes of a desktop-entry string value on top.
QString DesktopExecArgument(const QString& argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted = u'"' + quoted + u'"';
    quoted.replace(u'%', QStringLiteral("%%"));
    return DesktopStringValue(quoted);
}

} // namespace kinetra
