#include "io/WholeFile.h"

#include <filesystem>
#include <fstream>
#include <new>

namespace kinetra {

bool readWholeFile(const std::string& filePath, std::vector<std::uint8_t>& bytes)
{
    // A folder opens as a stream too, with a nonsense size.
    std::error_code error;
    if (!std::filesystem::is_regular_file(filePath, error))
        return false;
    // Sizes are 32-bit in every format read here.
    const std::uintmax_t size = std::filesystem::file_size(filePath, error);
    if (error || size > 0xFFFFFFFFu)
        return false;
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

} // namespace kinetra
