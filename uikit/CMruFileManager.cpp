#include "uikit/CMruFileManager.h"

#include "uikit/Paths.h"
#include "uikit/Profile.h"
#include "uikit/StringTable.h"

#include <QMenu>

#include <algorithm>

namespace {

constexpr int kMaxEntries = 16;

// The menu text of a path: whole when it fits, else the file name with as
// much of the folder as fits, the first folder kept ("/home/.../b/c.flc").
QString abbreviate(const QString& path, int maxLength)
{
    if (maxLength <= 0 || path.size() <= maxLength)
        return path;
    const QString name = CFileX::GetFileName(path);
    const QStringList parts = path.split(QLatin1Char('/'));
    const QString head = parts.size() > 2 ? parts.mid(0, 2).join(QLatin1Char('/')) : QString();
    const QString ellipsis = QStringLiteral("...");
    for (qsizetype first = 3; first < parts.size(); ++first) {
        const QString tail = parts.mid(first).join(QLatin1Char('/'));
        const QString candidate = head + QLatin1Char('/') + ellipsis + QLatin1Char('/') + tail;
        if (candidate.size() <= maxLength)
            return candidate;
    }
    const QString shortest = ellipsis + QLatin1Char('/') + name;
    return shortest.size() <= maxLength ? shortest : name;
}

} // namespace

CMruFileManager::CMruFileManager(QObject* parent) : QObject(parent) {}

void CMruFileManager::Add(unsigned firstId, const QString& section, const QString& entryFormat, Filter filter,
                          int maxCount, int reserved1, int maxDisplayLength, int reserved2)
{
    (void)reserved1;
    (void)reserved2;
    m_firstId = firstId;
    m_section = section;
    m_entryFormat = entryFormat;
    m_filter = filter;
    m_maxCount = std::clamp(maxCount, 0, kMaxEntries);
    m_maxDisplayLength = maxDisplayLength;
    load();
    refillMenus();
    emit changed();
}

void CMruFileManager::AddToRecentFileList(const QString& path)
{
    if (m_section.isEmpty() || path.isEmpty() || (m_filter && !m_filter(path)))
        return;
    // Another window of the program may have saved since we read.
    load();
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > m_maxCount)
        m_files.removeLast();
    save();
    refillMenus();
    emit changed();
}

void CMruFileManager::RemoveFromRecentFileList(const QString& path)
{
    if (m_section.isEmpty())
        return;
    load();
    if (m_files.removeAll(path) == 0)
        return;
    save();
    refillMenus();
    emit changed();
}

void CMruFileManager::RemoveMRUFileLists()
{
    m_section.clear();
    m_entryFormat.clear();
    m_filter = nullptr;
    m_files.clear();
    refillMenus();
    emit changed();
}

void CMruFileManager::AttachMenu(QMenu* menu, const QString& emptyText)
{
    if (!menu)
        return;
    for (auto& [attached, text] : m_menus) {
        if (attached == menu) {
            text = emptyText;
            refillMenus();
            return;
        }
    }
    m_menus.emplace_back(menu, emptyText);
    refillMenus();
}

void CMruFileManager::load()
{
    m_files.clear();
    for (int i = 1; i <= m_maxCount; ++i) {
        const QString path = uGetProfileString(m_section, uFormatText(m_entryFormat, {i}));
        if (path.isEmpty() || m_files.contains(path) || (m_filter && !m_filter(path)))
            continue;
        m_files.append(path);
    }
}

void CMruFileManager::save() const
{
    for (int i = 1; i <= m_maxCount; ++i) {
        const QString entry = uFormatText(m_entryFormat, {i});
        if (i <= m_files.size())
            uWriteProfileString(m_section, entry, m_files.at(i - 1));
        else
            uDeleteProfileEntry(m_section, entry);
    }
}

void CMruFileManager::refillMenus()
{
    std::erase_if(m_menus, [](const auto& attached) { return attached.first.isNull(); });
    for (const auto& [menu, emptyText] : m_menus) {
        menu->clear();
        if (m_files.isEmpty()) {
            menu->addAction(emptyText)->setEnabled(false);
            continue;
        }
        for (qsizetype i = 0; i < m_files.size(); ++i) {
            const QString path = m_files.at(i);
            QString shown = abbreviate(path, m_maxDisplayLength);
            shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
            const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QString::number(i + 1);
            QAction* action = menu->addAction(number + QLatin1Char(' ') + shown);
            action->setData(path);
            action->setToolTip(path);
            connect(action, &QAction::triggered, this, [this, path] { emit openRequested(path); });
        }
    }
}
