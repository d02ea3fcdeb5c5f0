#pragma once

#include <cstdint>

namespace kinetra {

// The model, screen and PCX operations answer with these two values; the
// caller picks the message to show.
using HResult = std::uint32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFail = 0x80004005u;

} // namespace kinetra
