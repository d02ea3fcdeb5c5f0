#pragma once

// The direction files a split's note names, checked before any is read: a
// note is a small file anyone can edit, and each name it gives costs a whole
// animation's load.

#include "storyboard/Storyboard.h"

#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

// At least one and at most kMaxDirectionFiles names, none twice, and as many
// as the directions `facts` give, when they give them. False with the reason
// in `problem`.
bool checkDirectionFiles(const std::vector<std::string>& names, const StoryboardFacts& facts, std::string& problem);

// The name of one direction's file: "unit_1_SW.flc" for the game's eight
// directions, "unit_1.flc" otherwise; `extension` with its dot.
std::string directionFileName(const std::string& stem, int direction, int directions, std::string_view extension);

} // namespace kinetra
