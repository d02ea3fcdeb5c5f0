#pragma once

#include <string_view>

namespace kinetra {

// File names and format tags compare without regard to ASCII letter case:
// copies from Windows game folders differ only in that.
constexpr bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    constexpr auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace kinetra
