#pragma once

// Bytes handed on as they are made, to a file being written or to memory,
// so that whatever writes a large file need not hold it whole first.

#include <cstdint>
#include <functional>
#include <new>
#include <span>
#include <vector>

namespace kinetra {

// Takes the next bytes; false when they cannot be kept (the write failed),
// after which it takes nothing more.
using ByteSink = std::function<bool(std::span<const std::uint8_t> bytes)>;

// Makes a file's whole content into `sink`; false when it cannot, for a
// reason of its own or because the sink refused.
using ContentWriter = std::function<bool(const ByteSink& sink)>;

// A sink that appends to `bytes`; it refuses when memory runs out.
inline ByteSink appendingTo(std::vector<std::uint8_t>& bytes)
{
    return [&bytes](std::span<const std::uint8_t> more) {
        try {
            bytes.insert(bytes.end(), more.begin(), more.end());
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
}

} // namespace kinetra
