#pragma once

// What the batch commands share to do their files on several cores, while
// what they print and write stays that of doing them one after another.

#include "cli/Arguments.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kinetra::cli {

// -j N, --jobs N.
inline constexpr OptionSpec kJobsOption{.name = "--jobs", .takesValue = true, .alias = "-j"};

// The help lines for kJobsOption, joined like KINETRA_CLI_PALETTE_SOURCE_HELP.
#define KINETRA_CLI_JOBS_HELP                                                                                          \
    "  -j, --jobs N      work on N files at once (default: one per core); the\n"                                    \
    "                    output is that of one at a time, in FILE order\n"

// Reads kJobsOption into `workers`, the number of cores when it is absent;
// on a problem returns the text for the usage error.
[[nodiscard]] OptionProblem readJobCount(const ParsedArguments& args, unsigned& workers);

// What one file's job reports: its text, printed after the file's "[i/n] "
// on the output stream when it succeeded, else on the error stream.
struct FileReport {
    bool succeeded = false;
    std::string text;
};

// The report of `file` written to `output`: "NAME -> PATH".
FileReport writtenReport(const std::string& file, const std::string& output);

// The job of file `index`. `writtenBefore` holds the outputs of the earlier
// files that succeeded and whose output names the same file as this one's.
using FileJob = std::function<FileReport(std::size_t index, const std::vector<std::string>& writtenBefore)>;

// Runs `job` for every file, each with its path in `outputs`, on at most
// `workers` threads. Files start in input order, and a file whose output is
// that of an earlier one starts only once the earlier one is done, so that
// it knows whether the earlier one wrote it whatever the threads do. Each file's
// report is printed once it and every file before it are done. True when
// every file succeeded.
bool runFilesInParallel(const std::vector<std::string>& outputs, unsigned workers, const FileJob& job,
                        std::ostream& out, std::ostream& err);

} // namespace kinetra::cli
