#include "storyboard/DirectionFiles.h"

#include "storyboard/StoryboardNote.h"

#include <algorithm>

namespace kinetra {

bool checkDirectionFiles(const std::vector<std::string>& names, const StoryboardFacts& facts, std::string& problem)
{
    if (names.empty()) {
        problem = "The note names no direction files.";
        return false;
    }
    if (names.size() > kMaxDirectionFiles) {
        problem = "The note names " + std::to_string(names.size()) + " direction files; a split holds at most "
                  + std::to_string(kMaxDirectionFiles) + ".";
        return false;
    }
    for (auto name = names.begin(); name != names.end(); ++name) {
        if (std::find(names.begin(), name, *name) != name) {
            problem = "The note names the direction file '" + *name + "' more than once.";
            return false;
        }
    }
    if (facts.directions && std::size_t(*facts.directions) != names.size()) {
        problem = "The note gives " + std::to_string(*facts.directions) + " directions but names "
                  + std::to_string(names.size()) + " direction files.";
        return false;
    }
    return true;
}

std::string directionFileName(const std::string& stem, int direction, int directions, std::string_view extension)
{
    std::string name = stem + '_' + std::to_string(direction + 1);
    if (directions == int(kUnitDirectionNames.size()))
        name += std::string("_") + kUnitDirectionNames[std::size_t(direction)];
    return name + std::string(extension);
}

} // namespace kinetra
