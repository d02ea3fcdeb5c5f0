#pragma once

#include <cstdint>

namespace kinetra {

// The model, screen and PCX operations answer with these two values; the
// caller picks the message to show. Scoped, so that a failure (non-zero) can
// never pass for a true condition.
enum class [[nodiscard]] HResult : std::uint32_t { Ok = 0, Fail = 0x80004005u };
inline constexpr HResult kOk = HResult::Ok;
inline constexpr HResult kFail = HResult::Fail;

} // namespace kinetra
