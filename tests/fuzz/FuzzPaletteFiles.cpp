// libFuzzer entry point for the three palette file readers, and for the
// written form of what they accept reading back the same.

#include "palette/PaletteFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kinetra;
    const std::span<const std::uint8_t> file(data, size);
    const std::optional<Palette> read[] = {readActPalette(file), readRiffPalette(file), readJascPalette(file)};
    const PaletteFormat formats[] = {PaletteFormat::Act, PaletteFormat::Riff, PaletteFormat::Jasc};
    const auto reader = [](PaletteFormat format, std::span<const std::uint8_t> bytes) {
        return format == PaletteFormat::Act ? readActPalette(bytes)
            : format == PaletteFormat::Riff ? readRiffPalette(bytes)
                                            : readJascPalette(bytes);
    };
    for (std::size_t i = 0; i < 3; ++i) {
        if (!read[i])
            continue;
        const auto again = reader(formats[i], encodePalette(*read[i], formats[i]));
        if (!again || *again != *read[i])
            std::abort();
    }
    return 0;
}
