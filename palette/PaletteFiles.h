#pragma once

// The three palette file formats: Adobe Color Table (.act), the RIFF palette
// (.pal) and the JASC text palette (.pal). The two binary formats hold entry
// 255 first, as the files earlier versions of the program wrote do; the text
// format holds entry 0 first.

#include "flc/Palette.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kinetra {

// The export dialog's filter index is the format.
enum class PaletteFormat : int { Act = 1, Riff = 2, Jasc = 3 };

inline constexpr std::size_t kActFileSize = 768;
inline constexpr std::size_t kRiffPaletteFileSize = 1048;

// Each reader takes the whole file and yields the palette in memory order,
// or nothing when the bytes are not a valid file of the format. Entries a
// shorter RIFF or JASC palette does not supply are 0.
std::optional<Palette> readActPalette(std::span<const std::uint8_t> file);
std::optional<Palette> readRiffPalette(std::span<const std::uint8_t> file);
std::optional<Palette> readJascPalette(std::span<const std::uint8_t> file);

// Reads the file at filePath by its extension ("act" or "pal", any case; a
// .pal by its first four bytes, "JASC" or "RIFF" in any case). Nothing for a
// missing file, another extension or invalid contents.
std::optional<Palette> readPaletteFile(const std::string& filePath);

// The bytes of a palette file of the format.
std::vector<std::uint8_t> encodePalette(const Palette& palette, PaletteFormat format);

// "act" or "pal".
const char* paletteFileExtension(PaletteFormat format);

// The path a palette of the format is written to: the file name's extension
// (from its last dot) replaced by the format's, or the format's appended to a
// name without one. "/a/sprite.jpeg" → "/a/sprite.act"; "/a.b/pal" →
// "/a.b/pal.pal".
std::string palettePathForFormat(const std::string& filePath, PaletteFormat format);

} // namespace kinetra
