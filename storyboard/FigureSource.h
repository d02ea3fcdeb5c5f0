#pragma once

// The unit a figure of a formation is drawn from: a game FLC, or a
// storyboard built as 'build' builds one (a sheet with its note, or the
// note of filmstrips or cels).

#include "flc/Palette.h"
#include "storyboard/FormationCombine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// The files a source is made of, whether they are there or not: the FLC;
// a sheet and its sidecar note; the note of filmstrips or cels and the
// pictures it names.
std::vector<std::string> figureSourceFiles(const std::string& path);

struct FigureSource {
    // Cut to what shows in any of its frames, in the source's own palette.
    FigureUnit unit;
    Palette palette{};
    std::uint32_t speed = 0;
};

// Nothing, with the reason in `problem`, when the file is missing or
// cannot be read or built, or holds no unit of 8 or 1 directions.
std::optional<FigureSource> readFigureSource(const std::string& path, std::string& problem);

} // namespace kinetra
