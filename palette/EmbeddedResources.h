#pragma once

// The table behind BuiltInResource: the bytes of every file of res/tiles and
// res/palettes, compiled in by a source that the build generates.

#include <cstdint>
#include <span>

namespace kinetra {

struct EmbeddedResource {
    int id = 0;
    std::span<const std::uint8_t> bytes;
};

std::span<const EmbeddedResource> EmbeddedResources();

} // namespace kinetra
