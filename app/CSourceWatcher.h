#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <map>

// Tells when the files a document is made of have changed and then stayed
// quiet a while. A paint program's save is a burst of writes, or a new file
// renamed over the old one (even deleted and made anew), and the document
// is to be made again once, from the finished files. Each file is watched
// itself and through its folder, where a file that reappears shows; a file
// counts as changed when what the system says of it (its inode, size and
// times) differs from what was last seen, so a folder's other files and the
// program's own writes, once Rearm has seen them, do not count.
class CSourceWatcher : public QObject {
    Q_OBJECT

public:
    static constexpr int kQuietMs = 200;

    explicit CSourceWatcher(QObject* parent = nullptr);

    // Watches `files` from now on; what a file already watched was last
    // seen as is kept, so a change while the list is renewed still counts.
    // An empty list stops watching.
    void Watch(const QStringList& files);
    QStringList Files() const;
    // The files as they are now count as seen (the program wrote them).
    void Rearm();

signals:
    // A change of the files has been quiet for kQuietMs.
    void changed();

private:
    // Identity and state of a file as the system reports them; all zero
    // for a file that is not there.
    struct Stamp {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modified = 0; // nanoseconds
        qint64 statusChanged = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Watched {
        Stamp seen;
        // The inode the system watch follows: a file renamed over it is
        // another, watched anew.
        quint64 watchedInode = 0;
    };

    static Stamp stampOf(const QString& path);
    // Looks at one file again: true when it changed since last seen. Its
    // system watch follows the file that now has its name.
    bool recheck(const QString& path, Watched& watched);
    void follow(const QString& path, Watched& watched, const Stamp& now);
    void onSystemNotice();

    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    std::map<QString, Watched> m_files;
};
