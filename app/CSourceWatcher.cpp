#include "app/CSourceWatcher.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>

namespace {

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

QSet<QString> foldersOf(const QStringList& files)
{
    QSet<QString> folders;
    for (const QString& file : files)
        folders.insert(QFileInfo(file).absolutePath());
    return folders;
}

} // namespace

CSourceWatcher::CSourceWatcher(QObject* parent) : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &CSourceWatcher::changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CSourceWatcher::onSystemNotice);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &CSourceWatcher::onSystemNotice);
}

CSourceWatcher::Stamp CSourceWatcher::stampOf(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true,
            quint64(status.st_dev),
            quint64(status.st_ino),
            qint64(status.st_size),
            nanoseconds(status.st_mtim),
            nanoseconds(status.st_ctim)};
}

void CSourceWatcher::Watch(const QStringList& files)
{
    const QSet<QString> wanted(files.begin(), files.end());
    for (auto entry = m_files.begin(); entry != m_files.end();) {
        if (wanted.contains(entry->first)) {
            ++entry;
            continue;
        }
        m_watcher.removePath(entry->first);
        entry = m_files.erase(entry);
    }
    const QSet<QString> folders = foldersOf(files);
    for (const QString& folder : m_watcher.directories()) {
        if (!folders.contains(folder))
            m_watcher.removePath(folder);
    }
    for (const QString& folder : folders) {
        if (!m_watcher.directories().contains(folder))
            m_watcher.addPath(folder);
    }
    for (const QString& file : wanted) {
        if (m_files.contains(file))
            continue;
        Watched& watched = m_files[file];
        watched.seen = stampOf(file);
        follow(file, watched, watched.seen);
    }
    if (m_files.empty())
        m_quiet.stop();
}

QStringList CSourceWatcher::Files() const
{
    QStringList files;
    for (const auto& [path, watched] : m_files)
        files.append(path);
    return files;
}

void CSourceWatcher::Rearm()
{
    for (auto& [path, watched] : m_files) {
        watched.seen = stampOf(path);
        follow(path, watched, watched.seen);
    }
}

void CSourceWatcher::follow(const QString& path, Watched& watched, const Stamp& now)
{
    // The system watch holds on to the file it was given, not the name: a
    // file renamed over it, or made anew, is watched afresh.
    const bool watching = m_watcher.files().contains(path);
    if (now.exists && watching && watched.watchedInode == now.inode)
        return;
    if (watching)
        m_watcher.removePath(path);
    watched.watchedInode = 0;
    if (now.exists && m_watcher.addPath(path))
        watched.watchedInode = now.inode;
}

bool CSourceWatcher::recheck(const QString& path, Watched& watched)
{
    const Stamp now = stampOf(path);
    follow(path, watched, now);
    if (now == watched.seen)
        return false;
    watched.seen = now;
    return true;
}

void CSourceWatcher::onSystemNotice()
{
    // Any notice may stand for any file: a folder's says only that
    // something in it changed. Every file is looked at again.
    bool changed = false;
    for (auto& [path, watched] : m_files)
        changed = recheck(path, watched) || changed;
    if (changed)
        m_quiet.start();
}
