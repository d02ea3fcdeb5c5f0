#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <vector>

class QMenu;

// The recent-files list: kept in the profile (entries "File1" .. "FileN" of
// one section, the newest first), shown in any number of menus, and only
// holding names that its filter accepts.
class CMruFileManager : public QObject {
    Q_OBJECT

public:
    using Filter = bool (*)(const QString& path);

    explicit CMruFileManager(QObject* parent = nullptr);

    // Attaches a list: command ids from firstId, the profile section and
    // entry format ("File%d"), the filter, the length; the further values
    // (0, 30, 0) set no behaviour here. Reads the saved entries.
    void Add(unsigned firstId, const QString& section, const QString& entryFormat, Filter filter, int maxCount,
             int reserved1 = 0, int maxDisplayLength = 30, int reserved2 = 0);
    // Puts path at the top (moving it when it is already there) and saves.
    void AddToRecentFileList(const QString& path);
    // Takes path out of the list (a file that can no longer be opened).
    void RemoveFromRecentFileList(const QString& path);
    void RemoveMRUFileLists();

    QStringList Files() const { return m_files; }
    unsigned FirstId() const { return m_firstId; }

    // Keeps `menu` filled with the list (or a greyed "(None)" placeholder).
    void AttachMenu(QMenu* menu, const QString& emptyText);

signals:
    void openRequested(const QString& path);
    void changed();

private:
    void load();
    void save() const;
    void refillMenus();

    unsigned m_firstId = 0;
    QString m_section;
    QString m_entryFormat;
    Filter m_filter = nullptr;
    int m_maxCount = 4;
    int m_maxDisplayLength = 30;
    QStringList m_files;
    std::vector<std::pair<QPointer<QMenu>, QString>> m_menus;
};
