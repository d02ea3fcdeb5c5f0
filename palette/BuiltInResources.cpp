#include "palette/BuiltInResources.h"

#include "io/AtomicFile.h"
#include "palette/EmbeddedResources.h"

namespace kinetra {

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
    return writeFileAtomically(filePath, bytes);
}

} // namespace kinetra
