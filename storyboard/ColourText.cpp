#include "storyboard/ColourText.h"

#include <charconv>

namespace kinetra {

std::optional<std::uint32_t> parseColourText(std::string_view text)
{
    if (text.size() != 7 || text[0] != '#')
        return std::nullopt;
    // from_chars alone would take a sign or stop early; every digit must be hex.
    for (const char c : text.substr(1)) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex)
            return std::nullopt;
    }
    std::uint32_t rgb = 0;
    std::from_chars(text.data() + 1, text.data() + text.size(), rgb, 16);
    return rgb;
}

std::string colourText(std::uint32_t rgb)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "#";
    for (int shift = 20; shift >= 0; shift -= 4)
        text += kDigits[(rgb >> shift) & 0xF];
    return text;
}

} // namespace kinetra
