#include "installer/VersionCompare.h"

#include <cstdint>
#include <limits>
#include <string_view>

namespace kinetra::installer {

namespace {

constexpr int kPasses = 4;

// The number a part starts with, read as atoi would read a version part:
// leading blanks skipped, digits up to the first other character, 0 when
// there are none. Too long a number saturates instead of overflowing.
std::uint64_t leadingNumber(std::string_view part)
{
    std::size_t at = 0;
    while (at < part.size() && (part[at] == ' ' || part[at] == '\t'))
        ++at;
    std::uint64_t number = 0;
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint64_t>::max();
    for (; at < part.size() && part[at] >= '0' && part[at] <= '9'; ++at) {
        const unsigned digit = static_cast<unsigned>(part[at] - '0');
        if (number > (kLimit - digit) / 10)
            return kLimit;
        number = number * 10 + digit;
    }
    return number;
}

// The number before the next dot, which is taken off with its dot; without
// a dot the whole rest is the number and stays for the next pass.
std::uint64_t takeNumber(std::string_view& rest)
{
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos)
        return leadingNumber(rest);
    const std::uint64_t number = leadingNumber(rest.substr(0, dot));
    rest.remove_prefix(dot + 1);
    return number;
}

} // namespace

int CompareVersions(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return -1;
    std::string_view restA = a;
    std::string_view restB = b;
    for (int pass = 0; pass < kPasses; ++pass) {
        const std::uint64_t numberA = takeNumber(restA);
        const std::uint64_t numberB = takeNumber(restB);
        if (numberA > numberB)
            return 1;
        if (numberA < numberB)
            return 2;
    }
    return 0;
}

} // namespace kinetra::installer
