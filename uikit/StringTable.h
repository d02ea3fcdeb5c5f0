#pragma once

// The program's string table: every user-visible text by id. The program
// registers its table once at start-up; texts keep their "\r\n" line breaks,
// which the message boxes show as line breaks.

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <utility>

using StringEntry = std::pair<unsigned, const char*>;

// Adds entries to the table (an id given twice keeps the later text).
void uRegisterStrings(std::initializer_list<StringEntry> entries);

// The text of `id`, or an empty string when there is none.
QString uLoadString(unsigned id);

// The text of `id` as a printf-style format with %s, %d (and %u, %%)
// replaced by `values` in order.
QString uFormatStringList(unsigned id, const QVariantList& values);

template <typename... Args>
QString uFormatString(unsigned id, const Args&... values)
{
    return uFormatStringList(id, QVariantList{QVariant::fromValue(values)...});
}

// The same formatting for a text that is not in the table.
QString uFormatText(const QString& format, const QVariantList& values);
