#include "io/AtomicFile.h"

#include <atomic>
#include <filesystem>
#include <cerrno>
#include <cstdio>
#include <new>
#include <random>
#include <vector>

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
// would race with other threads creating files. The name keeps the start of
// the destination's only, so that a destination of any legal length works.
int createTemporary(const SplitPath& target, mode_t mode, std::string& temporaryPath)
{
    constexpr std::size_t kNameKept = 32;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx",
            static_cast<unsigned long long>(randomBits() & 0xFFFFFFFFFFFFull));
        temporaryPath = target.folder + "." + target.name.substr(0, kNameKept) + suffix;
        int fd = -1;
        do {
            fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
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

// What a ContentWriter makes, written to `fd` in pieces of a buffer's size
// rather than a system call for every few bytes an encoder hands on.
class FileSink {
public:
    explicit FileSink(int fd) : m_fd(fd) {}

    bool put(std::span<const std::uint8_t> bytes)
    {
        if (m_failed)
            return false;
        if (m_buffer.size() + bytes.size() > kBufferSize && !flush())
            return false;
        if (bytes.size() >= kBufferSize)
            return keep(writeAll(m_fd, bytes));
        try {
            if (m_buffer.capacity() < kBufferSize)
                m_buffer.reserve(kBufferSize);
        } catch (const std::bad_alloc&) {
            // Unbuffered, then: slower, but the file is still written.
            return keep(writeAll(m_fd, bytes));
        }
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
        return true;
    }

    bool flush()
    {
        if (m_failed)
            return false;
        const bool written = keep(writeAll(m_fd, m_buffer));
        m_buffer.clear();
        return written;
    }

    // The system's reason, once a write has failed.
    const std::error_code& error() const { return m_error; }

private:
    static constexpr std::size_t kBufferSize = 256 * 1024;

    bool keep(bool written)
    {
        if (!written) {
            m_failed = true;
            m_error = {errno, std::generic_category()};
        }
        return written;
    }

    int m_fd;
    std::vector<std::uint8_t> m_buffer;
    bool m_failed = false;
    std::error_code m_error;
};

// Runs `write` into `fd`; false with the system's reason in `error` when a
// write failed, with `error` empty when the writer gave up on its own.
bool writeContent(int fd, const ContentWriter& write, std::error_code& error)
{
    FileSink sink(fd);
    const bool made = write([&sink](std::span<const std::uint8_t> bytes) { return sink.put(bytes); });
    if (made && sink.flush())
        return true;
    error = sink.error();
    return false;
}

bool syncFile(int fd)
{
    int result = 0;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

std::error_code systemError()
{
    return {errno, std::generic_category()};
}

// The file a path names once its symbolic links are followed, the last one
// dangling or not; the path itself when it is no link.
bool followLinks(std::string& path, std::error_code& error)
{
    constexpr int kMaxLinks = 40; // as the kernel's own limit
    for (int followed = 0; followed < kMaxLinks; ++followed) {
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return true;
        std::string target(std::size_t(link.st_size > 0 ? link.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            error = systemError();
            return false;
        }
        target.resize(std::size_t(length));
        path = target.starts_with('/') ? target : splitPath(path).folder + target;
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return false;
}

bool closeChecked(int fd)
{
    // A failed close can mean lost data (NFS reports write errors there);
    // on Linux the descriptor is gone either way, so it is not retried.
    return ::close(fd) == 0;
}

// The last resort for a writable file in a folder that takes no new file:
// the whole new content is put in the system's temporary folder first, so
// nothing is lost should the write over the file fail.
bool writeRescueCopy(const ContentWriter& write, std::string& rescue, std::error_code& error)
{
    rescue = std::filesystem::temp_directory_path(error).string();
    if (error)
        return false;
    rescue += "/kinetra-save-XXXXXX";
    const int copy = ::mkstemp(rescue.data());
    if (copy < 0) {
        error = systemError();
        return false;
    }
    bool kept = writeContent(copy, write, error);
    if (kept && !syncFile(copy)) {
        error = systemError();
        kept = false;
    }
    if (!closeChecked(copy) && kept) {
        error = systemError();
        kept = false;
    }
    if (!kept)
        ::unlink(rescue.c_str());
    return kept;
}

// Copies the whole of `from` onto the end of `to`.
bool copyContent(int from, int to)
{
    std::vector<std::uint8_t> buffer(256 * 1024);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        if (!writeAll(to, std::span(buffer).first(std::size_t(got))))
            return false;
    }
}

// Then the rescue copy is written over the file itself.
bool overwriteInPlace(const std::string& filePath, const std::string& rescue, std::error_code& error)
{
    int copy = -1;
    do {
        copy = ::open(rescue.c_str(), O_RDONLY | O_CLOEXEC);
    } while (copy < 0 && errno == EINTR);
    if (copy < 0) {
        error = systemError();
        return false;
    }
    int fd = -1;
    do {
        fd = ::open(filePath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    bool done = fd >= 0 && copyContent(copy, fd) && syncFile(fd);
    if (!done)
        error = systemError();
    if (fd >= 0 && !closeChecked(fd) && done) {
        error = systemError();
        done = false;
    }
    ::close(copy);
    return done;
}

} // namespace

bool writeFileAtomically(const std::string& filePath, std::span<const std::uint8_t> bytes)
{
    std::error_code ignored;
    return writeFileAtomically(filePath, bytes, ignored);
}

bool writeFileAtomically(const std::string& destination, std::span<const std::uint8_t> bytes, std::error_code& error)
{
    StagedFile staged;
    return staged.stage(destination, bytes, error) && staged.commit(error);
}

bool writeFileAtomically(const std::string& destination, const ContentWriter& write, std::error_code& error)
{
    StagedFile staged;
    return staged.stage(destination, write, error) && staged.commit(error);
}

StagedFile::~StagedFile()
{
    discard();
}

void StagedFile::discard()
{
    if (!m_stagedPath.empty())
        ::unlink(m_stagedPath.c_str());
    m_stagedPath.clear();
}

bool StagedFile::stage(const std::string& destination, std::span<const std::uint8_t> bytes, std::error_code& error,
                       Sync sync)
{
    return stage(destination, [bytes](const ByteSink& sink) { return sink(bytes); }, error, sync);
}

bool StagedFile::stage(const std::string& destination, const ContentWriter& write, std::error_code& error, Sync sync)
{
    discard();
    error.clear();
    std::string filePath = destination;
    if (!followLinks(filePath, error))
        return false;
    const SplitPath target = splitPath(filePath);
    if (target.name.empty()) {
        error = std::make_error_code(std::errc::is_a_directory);
        return false;
    }

    // A replaced file keeps its permission bits. The rename would replace a
    // read-only file regardless of its mode, so that is refused here, as is
    // anything under the name that is not a plain file.
    struct stat existing {};
    bool replacing = false;
    if (::stat(filePath.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            error = std::make_error_code(std::errc::is_a_directory);
            return false;
        }
        if (!S_ISREG(existing.st_mode)) {
            error = std::make_error_code(std::errc::invalid_argument);
            return false;
        }
        if (::access(filePath.c_str(), W_OK) != 0) {
            error = systemError();
            return false;
        }
        replacing = true;
    } else if (errno != ENOENT) {
        error = systemError();
        return false;
    }
    const mode_t keptMode = existing.st_mode & 0777;

    // Created no wider than the file it becomes, so no other user can open
    // it in between and read the new bytes later.
    std::string temporaryPath;
    const int fd = createTemporary(target, replacing ? keptMode : 0666, temporaryPath);
    if (fd < 0) {
        if (replacing && (errno == EACCES || errno == EPERM)) {
            m_inPlace = writeRescueCopy(write, temporaryPath, error);
            if (m_inPlace) {
                m_filePath = filePath;
                m_stagedPath = temporaryPath;
            }
            return m_inPlace;
        }
        error = systemError();
        return false;
    }

    // The owner and group go first: changing them may clear set-id bits,
    // which the mode then restores; both before the sync that covers them.
    // Only root may give a file away, and a user may keep only a group they
    // belong to, so what cannot be kept is let go.
    if (replacing && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())) {
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0
            && ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) != 0) {
            // Neither could be kept: the file becomes the writer's.
        }
    }
    bool done = !replacing || ::fchmod(fd, keptMode) == 0;
    if (!done)
        error = systemError();
    done = done && writeContent(fd, write, error);
    if (done && sync == Sync::Now && !syncFile(fd)) {
        error = systemError();
        done = false;
    }
    if (!closeChecked(fd) && done) {
        error = systemError();
        done = false;
    }
    if (!done) {
        ::unlink(temporaryPath.c_str());
        return false;
    }
    m_inPlace = false;
    m_filePath = filePath;
    m_stagedPath = temporaryPath;
    return true;
}

bool StagedFile::commit(std::error_code& error)
{
    error.clear();
    if (m_stagedPath.empty()) {
        error = std::make_error_code(std::errc::invalid_argument);
        return false;
    }
    if (m_inPlace) {
        if (!overwriteInPlace(m_filePath, m_stagedPath, error)) {
            // The rescue copy stays: it is the only whole new content.
            m_stagedPath.clear();
            return false;
        }
    } else if (::rename(m_stagedPath.c_str(), m_filePath.c_str()) == 0) {
        m_stagedPath.clear();
    } else {
        error = systemError();
    }
    discard();
    return !error;
}

} // namespace kinetra
