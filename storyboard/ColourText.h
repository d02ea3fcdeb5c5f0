#pragma once

// Colours as people type them: "#RRGGBB".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kinetra {

// 0x00RRGGBB of "#RRGGBB" (hex digits in either case); nothing for any
// other text.
std::optional<std::uint32_t> parseColourText(std::string_view text);

// "#RRGGBB" of 0x00RRGGBB, upper-case hex.
std::string colourText(std::uint32_t rgb);

} // namespace kinetra
