// libFuzzer entry point for the BMP reader: the header and the file size
// checked as a file's would be, then the whole input decoded.

#include "formats/BmpFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace {

// Larger pictures repeat what small ones test, slowly.
constexpr std::uint64_t kMaxFuzzedPixels = 1024 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    std::string problem;
    if (const auto header = kinetra::readBmpHeader(bytes.first(std::min(size, kinetra::kBmpHeadSize)), problem))
        static_cast<void>(kinetra::bmpFileSizeFits(*header, size, problem));
    static_cast<void>(kinetra::decodeBmp(bytes, problem, kMaxFuzzedPixels));
    return 0;
}
