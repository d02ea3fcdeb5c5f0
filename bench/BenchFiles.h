#pragma once

// Where the benchmarks find the generated files. The build passes each
// file's path as a compile definition; KINETRA_BENCH_FILES names another
// folder holding files of the same names, so that two builds can be
// measured on one set of bytes.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kinetra::bench {

inline std::string benchFile(const char* builtPath)
{
    const char* folder = std::getenv("KINETRA_BENCH_FILES");
    if (!folder || !*folder)
        return builtPath;
    return (std::filesystem::path(folder) / std::filesystem::path(builtPath).filename()).string();
}

} // namespace kinetra::bench
