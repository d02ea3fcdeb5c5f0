#include "io/WholeFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>

namespace kinetra {

namespace {

// Reads `size` bytes from the start of the file, which must hold them.
bool readStart(const std::string& filePath, std::uintmax_t size, std::vector<std::uint8_t>& bytes)
{
    std::ifstream file(filePath, std::ios::binary);
    if (!file)
        return false;
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return static_cast<std::uintmax_t>(file.gcount()) == size;
}

} // namespace

std::optional<std::uintmax_t> regularFileSize(const std::string& filePath)
{
    // A folder opens as a stream too, with a nonsense size.
    std::error_code error;
    if (!std::filesystem::is_regular_file(filePath, error))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(filePath, error);
    if (error)
        return std::nullopt;
    return size;
}

bool readWholeFile(const std::string& filePath, std::vector<std::uint8_t>& bytes, std::uintmax_t maxSize)
{
    // Sizes are 32-bit in every format read here.
    const auto size = regularFileSize(filePath);
    if (!size || *size > maxSize || *size > 0xFFFFFFFFu)
        return false;
    return readStart(filePath, *size, bytes);
}

bool readFileHead(const std::string& filePath, std::size_t count, std::vector<std::uint8_t>& bytes)
{
    const auto size = regularFileSize(filePath);
    if (!size)
        return false;
    return readStart(filePath, std::min<std::uintmax_t>(*size, count), bytes);
}

} // namespace kinetra
