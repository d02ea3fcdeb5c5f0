#pragma once

// How far a piece of work pushed the process's peak resident memory, read
// from Linux's own bookkeeping (VmHWM), so a benchmark reports memory at no
// cost to its timing.

#include <malloc.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace kinetra::bench {

// A size line of /proc/self/status ("VmRSS:   1234 kB") in bytes.
inline std::optional<std::uint64_t> statusBytes(std::string_view field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field) && line.size() > field.size() && line[field.size()] == ':')
            return std::stoull(line.substr(field.size() + 1)) * 1024;
    }
    return std::nullopt;
}

class PeakMemoryGrowth {
public:
    // Hands freed memory back first, so what earlier work left resident does
    // not hide this work's growth; then restarts the peak from the present
    // size (writing 5 to clear_refs).
    PeakMemoryGrowth()
    {
        malloc_trim(0);
        std::ofstream refs("/proc/self/clear_refs");
        refs << "5" << std::flush;
        if (refs)
            m_start = statusBytes("VmRSS");
    }

    // Nothing where the system keeps no restartable peak.
    std::optional<std::uint64_t> bytes() const
    {
        const std::optional<std::uint64_t> peak = statusBytes("VmHWM");
        if (!m_start || !peak)
            return std::nullopt;
        return *peak > *m_start ? *peak - *m_start : 0;
    }

private:
    std::optional<std::uint64_t> m_start;
};

} // namespace kinetra::bench
