#include "io/WriteFailure.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// The sentence the command line prints and the window's string table
// repeats: the file, then strerror's words for the reason.
TEST(WriteFailure, NamesTheFileAndTheSystemsReason)
{
    struct Case {
        std::error_code error;
        const char* expected;
    };
    const Case cases[] = {
        {{ENOTDIR, std::generic_category()}, "Cannot write the file 'a/b.png': Not a directory."},
        {{ENOENT, std::generic_category()}, "Cannot write the file 'a/b.png': No such file or directory."},
        {{ENOSPC, std::generic_category()}, "Cannot write the file 'a/b.png': No space left on device."},
        {std::make_error_code(std::errc::is_a_directory), "Cannot write the file 'a/b.png': Is a directory."},
        // A failure the system gave no reason for is never a "Success".
        {{}, "Cannot write the file 'a/b.png': Input/output error."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kinetra::cannotWriteMessage("a/b.png", c.error), c.expected);
        EXPECT_EQ(kinetra::cannotWriteMessage(kinetra::WriteFailure{"a/b.png", c.error}), c.expected);
    }
}

} // namespace
