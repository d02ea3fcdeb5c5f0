#pragma once

// Storyboards of more than one picture: a filmstrip per direction (a row of
// its frames) or a cel per frame, each with the border a sheet would have
// around its cells, and one note that names them in order.

#include "storyboard/StoryboardBuild.h"
#include "storyboard/StoryboardNote.h"
#include "io/WriteFailure.h"

#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// The pictures' names for the set written as `path` (NAME.ext, the
// extension kept as given): filmstrips NAME_1_SW.ext ... NAME_8_W.ext
// (NAME_1.ext ... for other than eight directions), cels NAME_SW_0000.ext
// ..., numbered within each direction (NAME_0000.ext ... for one
// direction, NAME_2_0000.ext ... for other counts). Empty for a sheet.
std::vector<std::string> storyboardPictureNames(const std::string& path, StoryboardLayoutKind kind,
                                                const StoryboardLayout& layout);

// Writes the storyboard in `kind` as `path` names it: a sheet as
// writeStoryboardFile writes it; filmstrips or cels beside
// NAME.kinetra.json, which keeps what a sheet's note keeps and names the
// pictures. Every picture and the note are written whole beside their
// places before any is put in place, so a failure before that leaves the
// folder as it was. False, with the reason in `problem`, on failure; a
// file the system would not write is in `refused` too.
bool writeStoryboardSet(const std::string& path, const Storyboard& storyboard, StoryboardLayoutKind kind,
                        std::string& problem, std::optional<WriteFailure>& refused);
// The same with every picture drawn a row at a time from the frames as it
// is written.
bool writeStoryboardSet(const std::string& path, const StoryboardFrames& frames, StoryboardLayoutKind kind,
                        std::string& problem, std::optional<WriteFailure>& refused);

// Builds the unit a note of filmstrips or cels names (NAME.kinetra.json),
// as buildFromStoryboard builds a sheet: `overrides` over the note's
// facts, every picture mapped by colour through the note's palette. Every
// named file must be there before any is read, as many as the layout takes
// and each the size it says; a refusal names the file.
std::optional<StoryboardBuild> buildFromStoryboardSet(const std::string& notePath, const StoryboardFacts& overrides,
                                                      const std::optional<Palette>& palette, std::string& problem);

} // namespace kinetra
