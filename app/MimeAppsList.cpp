#include "app/MimeAppsList.h"

namespace kinetra {

namespace {

QByteArray withoutCarriageReturn(const QByteArray& line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

bool containsIgnoringCase(const QStringList& ids, const QString& id)
{
    return ids.contains(id, Qt::CaseInsensitive);
}

} // namespace

MimeAppsList::MimeAppsList(const QByteArray& text)
{
    if (text.isEmpty())
        return;
    m_lines = text.split('\n');
    m_bFinalNewline = text.endsWith('\n');
    if (m_bFinalNewline)
        m_lines.removeLast();
}

QByteArray MimeAppsList::ToText() const
{
    QByteArray text = m_lines.join('\n');
    if (!m_lines.isEmpty() && m_bFinalNewline)
        text += '\n';
    return text;
}

bool MimeAppsList::IsBlank() const
{
    for (const QByteArray& line : m_lines)
        if (!line.trimmed().isEmpty())
            return false;
    return true;
}

QString MimeAppsList::groupOf(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith('[') || !trimmed.endsWith(']'))
        return {};
    return QString::fromUtf8(trimmed.mid(1, trimmed.size() - 2));
}

bool MimeAppsList::isKeyLine(const QByteArray& line, const QString& key)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith('#'))
        return false;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals <= 0)
        return false;
    // MIME types compare ignoring case.
    return QString::fromUtf8(trimmed.left(equals).trimmed()).compare(key, Qt::CaseInsensitive) == 0;
}

QStringList MimeAppsList::idsOf(const QByteArray& line)
{
    const QByteArray bare = withoutCarriageReturn(line);
    QStringList ids;
    for (const QByteArray& id : bare.mid(bare.indexOf('=') + 1).split(';')) {
        const QString trimmed = QString::fromUtf8(id.trimmed());
        if (!trimmed.isEmpty())
            ids.append(trimmed);
    }
    return ids;
}

QByteArray MimeAppsList::withIds(const QByteArray& line, const QStringList& ids)
{
    // The list keeps the line's own style of ending (with or without ';').
    const QByteArray bare = withoutCarriageReturn(line);
    QByteArray out = bare.left(bare.indexOf('=') + 1) + ids.join(u';').toUtf8();
    if (bare.trimmed().endsWith(';'))
        out += ';';
    if (line.endsWith('\r'))
        out += '\r';
    return out;
}

QList<std::pair<qsizetype, qsizetype>> MimeAppsList::groupRanges(const QString& group) const
{
    QList<std::pair<qsizetype, qsizetype>> ranges;
    qsizetype begin = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString name = groupOf(m_lines[i]);
        if (name.isNull())
            continue;
        if (begin >= 0)
            ranges.append({begin, i});
        begin = name == group ? i + 1 : -1;
    }
    if (begin >= 0)
        ranges.append({begin, m_lines.size()});
    return ranges;
}

QStringList MimeAppsList::Entries(const QString& group, const QString& mimeType) const
{
    for (const auto& [begin, end] : groupRanges(group))
        for (qsizetype i = begin; i < end; ++i)
            if (isKeyLine(m_lines[i], mimeType))
                return idsOf(m_lines[i]);
    return {};
}

bool MimeAppsList::Prepend(const QString& group, const QString& mimeType, const QString& desktopId)
{
    const auto ranges = groupRanges(group);
    for (const auto& [begin, end] : ranges) {
        for (qsizetype i = begin; i < end; ++i) {
            if (!isKeyLine(m_lines[i], mimeType))
                continue;
            const QStringList old = idsOf(m_lines[i]);
            QStringList ids{desktopId};
            for (const QString& id : old)
                if (id.compare(desktopId, Qt::CaseInsensitive) != 0)
                    ids.append(id);
            if (ids == old)
                return false;
            m_lines[i] = withIds(m_lines[i], ids);
            return true;
        }
    }

    const QByteArray newLine = mimeType.toUtf8() + '=' + desktopId.toUtf8() + ';';
    if (!ranges.isEmpty()) {
        // Behind the group's last line that is not blank, so that a blank
        // line separating it from the next group stays where it is.
        auto [begin, end] = ranges.first();
        qsizetype at = end;
        while (at > begin && m_lines[at - 1].trimmed().isEmpty())
            --at;
        m_lines.insert(at, newLine);
        return true;
    }
    m_lines.append('[' + group.toUtf8() + ']');
    m_lines.append(newLine);
    return true;
}

bool MimeAppsList::Remove(const QString& group, const QString& mimeType, const QString& desktopId)
{
    bool changed = false;
    const auto ranges = groupRanges(group);
    // Backwards, so that removing lines leaves the earlier ranges valid.
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
        const auto [begin, end] = *range;
        bool lineRemoved = false;
        for (qsizetype i = end - 1; i >= begin; --i) {
            if (!isKeyLine(m_lines[i], mimeType))
                continue;
            const QStringList old = idsOf(m_lines[i]);
            if (!containsIgnoringCase(old, desktopId))
                continue;
            QStringList ids;
            for (const QString& id : old)
                if (id.compare(desktopId, Qt::CaseInsensitive) != 0)
                    ids.append(id);
            changed = true;
            if (ids.isEmpty()) {
                m_lines.removeAt(i);
                lineRemoved = true;
            } else {
                m_lines[i] = withIds(m_lines[i], ids);
            }
        }
        if (!lineRemoved)
            continue;
        // The header goes too when its group has nothing left but blank
        // lines; those stay, they may separate the neighbouring groups.
        qsizetype groupEnd = begin;
        while (groupEnd < m_lines.size() && groupOf(m_lines[groupEnd]).isNull())
            ++groupEnd;
        bool empty = true;
        for (qsizetype i = begin; i < groupEnd; ++i)
            empty = empty && m_lines[i].trimmed().isEmpty();
        if (empty)
            m_lines.removeAt(begin - 1);
    }
    return changed;
}

} // namespace kinetra
