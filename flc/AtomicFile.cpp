#include "flc/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kinetra {

namespace {

// Names tried before giving up; a clash needs another writer choosing the
// same 48 random bits in the same folder.
constexpr int kNameAttempts = 64;

struct SplitPath {
    std::string folder; // with its trailing slash, or empty for the working folder
    std::string name;
};

SplitPath splitPath(const std::string& filePath)
{
    const std::size_t slash = filePath.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), filePath};
    return {filePath.substr(0, slash + 1), filePath.substr(slash + 1)};
}

std::uint64_t randomBits()
{
    // The counter keeps names apart within one process should the entropy
    // source be missing; O_EXCL settles any clash that is left.
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t bits = (std::uint64_t(::getpid()) << 24) ^ counter.fetch_add(0x9E3779B97F4A7C15ull);
    try {
        std::random_device device;
        bits ^= (std::uint64_t(device()) << 32) ^ device();
    } catch (...) {
    }
    return bits;
}

// Creates ".<name>.<random>" beside the destination, as mkstemp would but
// with a mode of our choosing: the kernel applies the umask (and a folder's
// default ACL) to `mode` exactly as for any file the user creates, so a new
// file needs no umask read at all, and reading it (umask() set and restore)
// would race with other threads creating files.
int createTemporary(const SplitPath& target, mode_t mode, std::string& temporaryPath)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx",
            static_cast<unsigned long long>(randomBits() & 0xFFFFFFFFFFFFull));
        temporaryPath = target.folder + "." + target.name + suffix;
        int fd = -1;
        do {
            fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0)
            return false; // no progress and no error: nothing more will come
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool syncFile(int fd)
{
    int result = 0;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace

bool writeFileAtomically(const std::string& filePath, std::span<const std::uint8_t> bytes)
{
    const SplitPath target = splitPath(filePath);
    if (target.name.empty())
        return false;

    // A replaced file keeps its permission bits. The rename would replace a
    // read-only file regardless of its mode, so that is refused here, as is
    // anything under the name that is not a plain file.
    struct stat existing {};
    bool replacing = false;
    if (::stat(filePath.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || ::access(filePath.c_str(), W_OK) != 0)
            return false;
        replacing = true;
    } else if (errno != ENOENT) {
        return false;
    }
    const mode_t keptMode = existing.st_mode & 0777;

    // Created no wider than the file it becomes, so no other user can open
    // it in between and read the new bytes later.
    std::string temporaryPath;
    const int fd = createTemporary(target, replacing ? keptMode : 0666, temporaryPath);
    if (fd < 0)
        return false;

    // The mode is set before the bytes are synced so that fsync covers it.
    bool done = (!replacing || ::fchmod(fd, keptMode) == 0) && writeAll(fd, bytes) && syncFile(fd);
    // A failed close can mean lost data (NFS reports write errors there);
    // on Linux the descriptor is gone either way, so it is not retried.
    if (::close(fd) != 0)
        done = false;
    if (done && ::rename(temporaryPath.c_str(), filePath.c_str()) == 0)
        return true;
    ::unlink(temporaryPath.c_str());
    return false;
}

} // namespace kinetra
