#pragma once

// A formation file combined into one game unit: what `kinetra-cli
// combine` writes and what a window shows, both built here.

#include "storyboard/FormationFile.h"
#include "storyboard/StoryboardBuild.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {

struct CombineOptions {
    // Unknown: the first figure's.
    std::optional<int> framesPerDirection;
    std::optional<std::uint32_t> speed;
};

struct FormationBuild {
    // The game FLC, with its layout and, where a figure's palette was not
    // the first figure's, the pixels mapped by colour; nothing when the
    // formation is refused.
    std::optional<StoryboardBuild> unit;
    // Every file the unit is made from, whether there or not, the
    // formation first, then each source's (figureSourceFiles), also when
    // the formation is refused: a change to any of them may change the
    // unit, so a window watching them builds again.
    std::vector<std::string> files;
    std::size_t figures = 0;
    // Figure pixels that fell outside the game's 240 × 240 picture, all
    // frames together.
    std::uint64_t cutPixels = 0;
};

// The files a formation is made of as far as reading the formation alone
// tells: the formation first, then each source's (figureSourceFiles).
std::vector<std::string> formationFiles(const std::string& formationPath);

// Reads the formation and every source (each once, however many figures
// show it), checks that they are units of one direction count, 8 or 1,
// maps every figure into the first figure's palette (colours kept where
// it has them, classes always: translationKeepingClasses), draws the
// unit's frames (combineFigures) and cuts them to what shows in any of
// them, placed where it stands on the game's picture. The unit has the
// first figure's frames per direction and speed unless `options` give
// them. Refused, with the reason in `problem`, naming the figure at fault
// ("figure 2 (archer.flc): the file is missing.").
FormationBuild combineFormation(const std::string& formationPath, const CombineOptions& options,
                                std::string& problem);

} // namespace kinetra
