#pragma once

// True-colour pictures (a render, a sheet saved as RGB by a paint program)
// mapped onto a game palette.

#include "flc/IndexImage.h"
#include "flc/Palette.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace kinetra {

struct MappedPicture {
    IndexImage image;
    // Pixels whose colour the palette does not hold exactly.
    std::size_t approximated = 0;
};

// Maps 0xAARRGGBB pixels, row after row, onto `palette`: fully transparent
// pixels and magenta #FF00FF become the transparent index 255; a colour the
// palette holds keeps its entry, an ordinary one (64–223) where it appears
// more than once, else the lowest; any other colour takes the nearest
// ordinary entry. Alpha other than 0 is ignored.
MappedPicture mapToPalette(std::span<const std::uint32_t> argb, int width, int height, const Palette& palette);

} // namespace kinetra
