#pragma once

// The one sentence a failed write is reported with. kinetra-cli prints it as
// it stands; the window's string table holds the same words, into which it
// formats the path and writeFailureReason.

#include <string>
#include <system_error>

namespace kinetra {

// A file the system would not write, and its reason.
struct WriteFailure {
    std::string path;
    std::error_code error;
};

// The system's reason as strerror words it ("Not a directory"). A failure
// that came without one reads as an input/output error, never "Success".
std::string writeFailureReason(const std::error_code& error);

// "Cannot write the file 'PATH': REASON."
std::string cannotWriteMessage(const std::string& path, const std::error_code& error);
std::string cannotWriteMessage(const WriteFailure& failure);

} // namespace kinetra
