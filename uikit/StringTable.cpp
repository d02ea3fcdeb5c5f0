#include "uikit/StringTable.h"

#include <algorithm>
#include <map>

namespace {

std::map<unsigned, QString>& stringTable()
{
    static std::map<unsigned, QString> table;
    return table;
}

// One conversion of a printf-style format: flags, width and the letter.
struct Conversion {
    bool leftAlign = false;
    QChar fill = QLatin1Char(' ');
    int width = 0;
    int precision = -1;
    QChar letter;
};

QString convert(const Conversion& conversion, const QVariant& value)
{
    QString text;
    switch (conversion.letter.toLatin1()) {
    case 'd':
    case 'i':
        text = QString::number(value.toLongLong());
        break;
    case 'u':
        text = QString::number(value.toULongLong());
        break;
    case 'x':
        text = QString::number(value.toULongLong(), 16);
        break;
    case 'X':
        text = QString::number(value.toULongLong(), 16).toUpper();
        break;
    case 'c':
        text = value.typeId() == QMetaType::QChar ? QString(value.toChar()) : QString(QChar(value.toInt()));
        break;
    default: // 's'
        text = value.toString();
        if (conversion.precision >= 0)
            text.truncate(conversion.precision);
        break;
    }
    if (text.size() >= conversion.width)
        return text;
    if (conversion.leftAlign)
        return text.leftJustified(conversion.width, QLatin1Char(' '));
    if (conversion.fill == QLatin1Char('0') && text.startsWith(QLatin1Char('-')))
        return QLatin1Char('-') + text.mid(1).rightJustified(conversion.width - 1, conversion.fill);
    return text.rightJustified(conversion.width, conversion.fill);
}

} // namespace

void uRegisterStrings(std::initializer_list<StringEntry> entries)
{
    for (const auto& [id, text] : entries)
        stringTable()[id] = QString::fromUtf8(text);
}

QString uLoadString(unsigned id)
{
    const auto found = stringTable().find(id);
    return found == stringTable().end() ? QString() : found->second;
}

QString uFormatStringList(unsigned id, const QVariantList& values)
{
    return uFormatText(uLoadString(id), values);
}

QString uFormatText(const QString& format, const QVariantList& values)
{
    QString out;
    out.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%')) {
            out += format[i];
            continue;
        }
        qsizetype j = i + 1;
        if (j < format.size() && format[j] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i = j;
            continue;
        }
        Conversion conversion;
        for (; j < format.size(); ++j) {
            if (format[j] == QLatin1Char('-'))
                conversion.leftAlign = true;
            else if (format[j] == QLatin1Char('0'))
                conversion.fill = QLatin1Char('0');
            else
                break;
        }
        for (; j < format.size() && format[j].isDigit(); ++j)
            conversion.width = std::min(conversion.width * 10 + format[j].digitValue(), 1000);
        if (j < format.size() && format[j] == QLatin1Char('.')) {
            conversion.precision = 0;
            for (++j; j < format.size() && format[j].isDigit(); ++j)
                conversion.precision = std::min(conversion.precision * 10 + format[j].digitValue(), 1000);
        }
        while (j < format.size() && QStringLiteral("hlLqjzt").contains(format[j]))
            ++j;
        if (j >= format.size() || !QStringLiteral("sdiuxXc").contains(format[j])) {
            // Not a conversion we know: keep the text as written.
            out += format.mid(i, j - i);
            i = j - 1;
            continue;
        }
        conversion.letter = format[j];
        out += convert(conversion, values.value(next++));
        i = j;
    }
    return out;
}
