#pragma once

// What the window opens a unit from: an animation file as it is, or the
// storyboard it is built from, told apart by the file's name. Every kind
// gives the FLC file's bytes and the files it was made of, so that the
// window can watch them and make the unit again after each save.

#include "storyboard/StoryboardBuild.h"

#include <optional>
#include <string>
#include <vector>

namespace kinetra {

enum class SourceKind {
    // An FLC (or FLI, or a FLIC cel): the file is the animation; its
    // header, not its name, decides whether it is one.
    Animation,
    // A storyboard picture (PNG, PCX or BMP) with its note beside it or in
    // its PNG text chunk.
    Sheet,
    // NAME.kinetra.json naming filmstrips or cels.
    PictureSet,
    // NAME.formation.json: figures of other units combined into one.
    Formation,
};

// The kind a file's name gives: a kind's own name ending first, then a
// picture's extension, else an animation.
SourceKind sourceKindOf(const std::string& path);

// Built in memory from other files rather than read as it is.
inline bool isBuiltSource(SourceKind kind)
{
    return kind != SourceKind::Animation;
}

// What the user said of a storyboard that its files do not, kept so that
// every rebuild is made the same way.
struct SourceOptions {
    // Over the note's facts; for a sheet without a note, all of them.
    StoryboardFacts facts;
    // The palette a true-colour sheet whose note keeps no colours is mapped
    // onto.
    std::optional<Palette> palette;
};

struct SourceBuild {
    // The FLC file's bytes.
    std::vector<std::uint8_t> file;
    // Every file the unit is made of, and those it would be made of were
    // they there (a sheet's sidecar note), as paths beside the source's.
    std::vector<std::string> sources;
    // Pixels whose colour was no entry's and took a near one.
    ApproximatedPixels approximated;
    // The sheet's sidecar note was taken over a PNG text chunk that says
    // otherwise.
    bool textNoteOverruled = false;
};

// The files a source is made of as far as they are known without building
// it: an animation's own file; a sheet and its sidecar; a set's note and,
// when it reads, the pictures it names; a formation and, when it reads,
// every file of its figures' sources.
std::vector<std::string> sourceFilesOf(const std::string& path);

// The unit `path` gives, its kind told by sourceKindOf: an animation's
// bytes as they are (the caller decodes them), a sheet or a set built by
// buildFromStoryboard or buildFromStoryboardSet with the options, a
// formation combined by combineFormation. Nothing,
// with the reason in `problem`, when it cannot be read or built.
std::optional<SourceBuild> buildSource(const std::string& path, const SourceOptions& options, std::string& problem);

// The same for a sheet at `path` already read by readStoryboardFile, so
// that the user can be asked what it lacks before it is built.
std::optional<SourceBuild> buildSheetSource(const std::string& path, const StoryboardPicture& picture,
                                            const SourceOptions& options, std::string& problem);

// What a sheet cannot say for itself: its layout when no note came with it,
// and a palette when it is in true colour and no note keeps its colours.
bool sheetLacksLayout(const StoryboardPicture& picture);
bool sheetLacksPalette(const StoryboardPicture& picture);

// Where a unit built from a storyboard is proposed to be saved: beside it,
// under its name ("unit.png", "unit.kinetra.json" and "unit.formation.json"
// give "unit.flc").
std::string builtAnimationPath(const std::string& sourcePath);

} // namespace kinetra
