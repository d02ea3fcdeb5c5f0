#pragma once

// A freedesktop mimeapps.list, edited line by line so that every line this
// program does not change stays byte for byte as the user (or another
// program) wrote it. QSettings cannot serve: it reads ';' as a comment and
// rewrites the whole file.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace kinetra {

class MimeAppsList {
public:
    explicit MimeAppsList(const QByteArray& text = {});

    QByteArray ToText() const;
    // True when no line holds more than white space.
    bool IsBlank() const;

    // The desktop ids listed for `mimeType` in the first `group` that names
    // it, in order.
    QStringList Entries(const QString& group, const QString& mimeType) const;

    // Puts `desktopId` first in the group's list for `mimeType`, keeping the
    // other ids behind it; adds the line, and the group, when missing.
    // Returns whether the text changed.
    bool Prepend(const QString& group, const QString& mimeType, const QString& desktopId);

    // Takes `desktopId` out of every list for `mimeType` in `group`. A line
    // left without ids goes, and so does a group that held nothing else.
    // Returns whether the text changed.
    bool Remove(const QString& group, const QString& mimeType, const QString& desktopId);

private:
    // The name of a group header line; a null string for any other line.
    static QString groupOf(const QByteArray& line);
    static bool isKeyLine(const QByteArray& line, const QString& key);
    static QStringList idsOf(const QByteArray& line);
    static QByteArray withIds(const QByteArray& line, const QStringList& ids);
    // Index range [begin, end) of the lines of each occurrence of `group`
    // (the header excluded).
    QList<std::pair<qsizetype, qsizetype>> groupRanges(const QString& group) const;

    // Without their line feeds; a carriage return stays with its line.
    QList<QByteArray> m_lines;
    bool m_bFinalNewline = true;
};

} // namespace kinetra
