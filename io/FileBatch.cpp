#include "io/FileBatch.h"

#include <cerrno>
#include <map>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetra {

namespace {

std::string folderOf(const std::string& filePath)
{
    const std::size_t slash = filePath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : filePath.substr(0, slash);
}

bool retried(int (*call)(int), int fd)
{
    int result = 0;
    do {
        result = call(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// The folders a batch writes into, open for as long as it commits: one sync
// of each file system they lie on covers every file, and each folder is
// synced again once its renames are done.
class Folders {
public:
    explicit Folders(const std::vector<std::unique_ptr<StagedFile>>& staged)
    {
        for (const auto& file : staged) {
            const std::string folder = folderOf(file->destination());
            if (m_descriptors.contains(folder))
                continue;
            int fd = -1;
            do {
                fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            } while (fd < 0 && errno == EINTR);
            m_descriptors.emplace(folder, fd);
        }
    }
    ~Folders()
    {
        for (const auto& [folder, fd] : m_descriptors) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    Folders(const Folders&) = delete;
    Folders& operator=(const Folders&) = delete;

    // Writes out every file system the folders lie on; false, with the
    // folder in `failed`, on a failure.
    bool syncFileSystems(std::string& failed) const
    {
        std::set<dev_t> synced;
        for (const auto& [folder, fd] : m_descriptors) {
            struct stat info {};
            if (fd < 0) {
                // A folder that cannot be read still takes files; only a
                // sync of everything reaches its file system then.
                ::sync();
                continue;
            }
            if (::fstat(fd, &info) != 0 || (synced.insert(info.st_dev).second && !retried(::syncfs, fd))) {
                failed = folder;
                return false;
            }
        }
        return true;
    }

    // Makes the renames into each folder durable; false, with the folder in
    // `failed`, on a failure.
    bool syncFolders(std::string& failed) const
    {
        for (const auto& [folder, fd] : m_descriptors) {
            if (fd >= 0 && !retried(::fsync, fd)) {
                failed = folder;
                return false;
            }
        }
        return true;
    }

private:
    std::map<std::string, int> m_descriptors;
};

} // namespace

FileBatch::~FileBatch()
{
    discard();
}

bool FileBatch::add(const std::string& filePath, std::span<const std::uint8_t> bytes, std::error_code& error)
{
    return add(filePath, [bytes](const ByteSink& sink) { return sink(bytes); }, error);
}

bool FileBatch::add(const std::string& filePath, const ContentWriter& write, std::error_code& error)
{
    auto staged = std::make_unique<StagedFile>();
    if (!staged->stage(filePath, write, error, StagedFile::Sync::Later))
        return false;
    const std::lock_guard lock(m_mutex);
    m_staged.push_back(std::move(staged));
    return true;
}

bool FileBatch::commit(WriteFailure& failure)
{
    failure = {};
    std::vector<std::unique_ptr<StagedFile>> staged;
    {
        const std::lock_guard lock(m_mutex);
        staged.swap(m_staged);
    }
    // Whatever is not committed below is removed as `staged` goes.
    const Folders folders(staged);
    if (!folders.syncFileSystems(failure.path)) {
        failure.error = {errno, std::generic_category()};
        return false;
    }
    for (auto& file : staged) {
        if (!file->commit(failure.error)) {
            failure.path = file->destination();
            break;
        }
    }
    std::string unsynced;
    if (!folders.syncFolders(unsynced) && !failure.error)
        failure = {unsynced, {errno, std::generic_category()}};
    return !failure.error;
}

void FileBatch::discard()
{
    const std::lock_guard lock(m_mutex);
    m_staged.clear();
}

std::size_t FileBatch::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_staged.size();
}

} // namespace kinetra
