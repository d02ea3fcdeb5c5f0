#include "installer/LibraryPlacement.h"

#include "installer/VersionCompare.h"
#include "io/AtomicFile.h"
#include "io/VersionNote.h"
#include "io/WholeFile.h"

#include <cstdint>
#include <filesystem>
#include <vector>

#include <sys/stat.h>

namespace kinetra::installer {

namespace {

// CompareVersions: the source is the older one.
constexpr int kSourceOlder = 2;

bool copyFile(const std::string& source, const std::string& destination)
{
    struct stat status {};
    if (::stat(source.c_str(), &status) != 0)
        return false;
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(source, bytes) || !writeFileAtomically(destination, bytes))
        return false;
    // The bytes are in place whatever the mode becomes: a new file is
    // readable under any usual umask, a replaced one keeps its old mode.
    ::chmod(destination.c_str(), status.st_mode & 0777);
    return true;
}

} // namespace

std::string ProductVersionOf(const std::string& file)
{
    VersionInfo info;
    return ReadVersionNote(file, info) ? info.productVersion : std::string();
}

bool CopyLibraryIfNewer(const std::string& source, const std::string& destination)
{
    struct stat status {};
    if (::stat(source.c_str(), &status) != 0)
        return false;
    if (::stat(destination.c_str(), &status) == 0) {
        // The install folder may be the system folder itself; a copy onto
        // itself followed by deleting the source would lose the library.
        std::error_code error;
        if (std::filesystem::equivalent(source, destination, error) || error)
            return false;
        if (CompareVersions(ProductVersionOf(source), ProductVersionOf(destination)) == kSourceOlder)
            return false;
    }
    return copyFile(source, destination);
}

} // namespace kinetra::installer
