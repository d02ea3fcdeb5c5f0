#pragma once

// Small pieces the generators and benchmarks share.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace kinetra::tools {

// An integer hash for deterministic noise (no random state to seed).
inline std::uint32_t hash(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// Writes bytes to path; false for nothing to write or a failed write.
inline bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        return false;
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace kinetra::tools
