#include "palette/BuiltInResources.h"

#include "palette/EmbeddedResources.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

// A name beside the target that no other writer picks, so that two programs
// writing out the same file at once never share a half-written one.
fs::path temporarySibling(const fs::path& target)
{
    std::random_device random;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.part", static_cast<unsigned>(random()));
    return fs::path(target).concat(suffix);
}

bool writeAll(const fs::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.flush();
    const bool written = static_cast<bool>(file);
    file.close();
    return written && !file.fail();
}

} // namespace

std::span<const std::uint8_t> BuiltInResource(int id)
{
    for (const EmbeddedResource& resource : EmbeddedResources()) {
        if (resource.id == id)
            return resource.bytes;
    }
    return {};
}

bool WriteBuiltInResource(int id, const std::string& filePath)
{
    const std::span<const std::uint8_t> bytes = BuiltInResource(id);
    if (bytes.empty() || filePath.empty())
        return false;

    // The file appears under its name only once it is complete: a reader,
    // or a later start after a crash, never finds a truncated tile.
    const fs::path target(filePath);
    const fs::path partial = temporarySibling(target);
    std::error_code error;
    if (!writeAll(partial, bytes)) {
        fs::remove(partial, error);
        return false;
    }
    fs::rename(partial, target, error);
    if (error) {
        fs::remove(partial, error);
        return false;
    }
    return true;
}

} // namespace kinetra
