#include "io/WriteFailure.h"

namespace kinetra {

std::string writeFailureReason(const std::error_code& error)
{
    return (error ? error : std::make_error_code(std::errc::io_error)).message();
}

std::string cannotWriteMessage(const std::string& path, const std::error_code& error)
{
    return "Cannot write the file '" + path + "': " + writeFailureReason(error) + ".";
}

std::string cannotWriteMessage(const WriteFailure& failure)
{
    return cannotWriteMessage(failure.path, failure.error);
}

} // namespace kinetra
