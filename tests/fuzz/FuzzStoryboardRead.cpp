// libFuzzer entry point for the storyboard reader the window and `build`
// share: the input becomes a sheet on disk (PNG when it starts as one, PCX
// otherwise) and perhaps its sidecar, readStoryboardFile reads them, and a
// small picture it accepts is built as `build` would build it.

#include "StoryboardInput.h"

#include "storyboard/StoryboardFile.h"

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

using namespace kinetra;

// Building cuts and encodes every frame; larger sheets repeat what small
// ones test, slowly.
constexpr std::uint64_t kMaxBuiltPixels = 256 * 1024;

// The sheet's path without its extension, in memory where the system
// offers it: rewriting a file on a disk's file system costs milliseconds,
// ten times the read under test.
const std::string& scratchStem()
{
    static const std::string stem = [] {
        std::error_code error;
        const std::filesystem::path memory = "/dev/shm";
        const auto folder = std::filesystem::is_directory(memory, error) ? memory : std::filesystem::temp_directory_path();
        return (folder / ("kinetra-fuzz-storyboard-" + std::to_string(::getpid()))).string();
    }();
    return stem;
}

void writeFile(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

Palette rampPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i * 3), std::uint8_t(255 - i));
    return palette;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t mark = input.find(fuzz::kSidecarMark);
    const std::string_view picture = input.substr(0, mark);
    const bool png = !picture.empty() && static_cast<std::uint8_t>(picture.front()) == 0x89;
    const std::string sheet = scratchStem() + (png ? ".png" : ".pcx");
    const std::string sidecar = storyboardNotePath(sheet);
    writeFile(sheet, picture);
    if (mark != std::string_view::npos)
        writeFile(sidecar, input.substr(mark + fuzz::kSidecarMark.size()));

    std::string problem;
    const auto read = readStoryboardFile(sheet, problem);
    std::error_code ignored;
    std::filesystem::remove(sheet, ignored);
    std::filesystem::remove(sidecar, ignored);
    if (!read)
        return 0;
    if (std::uint64_t(read->width) * std::uint64_t(read->height) <= kMaxBuiltPixels) {
        const std::optional<Palette> palette = read->indexed ? std::nullopt : std::optional(rampPalette());
        static_cast<void>(buildFromStoryboard(*read, {}, palette, problem)); // what matters is that it stays in bounds
    }
    return 0;
}
