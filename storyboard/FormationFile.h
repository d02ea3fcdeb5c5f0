#pragma once

// A formation: several single-figure units placed on the ground around a
// unit's centre, to be combined into one unit of many figures. Written by
// hand as JSON, NAME.formation.json:
//   {"format": "kinetra-formation", "version": 1,
//    "figures": [{"source": "spearman.flc", "forward": 0, "right": -24, "frameOffset": 0}, ...]}

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

inline constexpr std::string_view kFormationSuffix = ".formation.json";
// A formation is a few lines; a file over this is refused unread.
inline constexpr std::size_t kMaxFormationBytes = 1024 * 1024;
inline constexpr std::size_t kMaxFormationFigures = 64;
// A place further from the centre than the game's picture is wide is a
// slip of the keyboard, not a formation.
inline constexpr int kMaxFigurePlace = 240;

struct FormationFigure {
    // A game FLC or a storyboard (a sheet, or the note of filmstrips or
    // cels), relative to the formation's folder.
    std::string source;
    // Pixels on the ground from the unit's centre, seen from the unit's own
    // facing: along the way it faces, and towards its right hand.
    int forward = 0;
    int right = 0;
    // At the unit's frame i the figure shows its own frame
    // (i + frameOffset) mod its frames per direction.
    int frameOffset = 0;
};

struct Formation {
    std::vector<FormationFigure> figures;
};

// Nothing, with the reason in `problem`, for text that is not a formation
// or has a fact of the wrong type or out of range; a figure's reason names
// the figure ("figure 2: forward must be a whole number from -240 to
// 240."). Places and offsets absent or null are 0.
std::optional<Formation> readFormation(std::string_view json, std::string& problem);
// The formation in a file, the reason starting with the file's name; one
// over kMaxFormationBytes is refused unread.
std::optional<Formation> readFormationFile(const std::string& path, std::string& problem);

} // namespace kinetra
