#pragma once

// The round trips a unit maker works in: an animation out to a storyboard
// picture and back into a game FLC, and a game FLC out to one plain FLC per
// direction and back. The picture files themselves are read and written by
// StoryboardFile; everything else is here.

#include "flc/CFlcAnimation.h"
#include "formats/PaletteMapping.h"
#include "storyboard/Storyboard.h"
#include "storyboard/StoryboardNote.h"

#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// The frames' indices of a loaded animation, in file order.
std::vector<IndexImage> animationFrames(const CFlcAnimation& animation);

// An animation's storyboard: the sheet, the file palette (its own colours;
// the picture file holds them made distinct) and the layout.
struct Storyboard {
    IndexImage sheet;
    Palette palette{};
    StoryboardLayout layout;
};

// `fileHeader` is the header as the file holds it; the animation's own may
// have been completed for playing.
std::optional<Storyboard> makeStoryboard(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                         std::optional<int> border, std::string& problem);

// What a storyboard's pictures are drawn from as they are written: the
// layout, the file palette and the frames' rows wherever they lie.
struct StoryboardFrames {
    StoryboardLayout layout;
    Palette palette{};
    StoryboardFrameRows rowOf;
};

// An animation's storyboard without its sheet: the pictures are drawn
// straight from the frame block as they are written, so the animation must
// outlive what this returns. Refused as makeStoryboard refuses.
std::optional<StoryboardFrames> storyboardFramesOf(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                                   std::optional<int> border, std::string& problem);

// A drawn storyboard's frames, read from its sheet, which must outlive
// them; a sheet of another size than its layout's has none.
StoryboardFrames storyboardFramesOf(const Storyboard& storyboard);

// A storyboard picture as read from its file.
struct StoryboardPicture {
    int width = 0;
    int height = 0;
    // An 8-bit indexed picture: its indices, and its palette of
    // `paletteSize` colours (the rest black).
    bool indexed = false;
    IndexImage indices;
    Palette palette{};
    int paletteSize = 0;
    // A true-colour picture: its pixels as 0xAARRGGBB, row after row.
    std::vector<std::uint32_t> argb;
    // The note found with it, if any.
    std::optional<StoryboardNote> note;
    // The sidecar and the PNG's text chunk said different things, and the
    // sidecar, which is what a user edits, was taken.
    bool textNoteOverruled = false;
};

struct StoryboardBuild {
    std::vector<std::uint8_t> file;
    StoryboardLayout layout;
    // The pixels named their entries by colour rather than by index, and
    // those whose colour was not an entry's took a near one.
    bool mappedByColour = false;
    ApproximatedPixels approximated;
};

// A new FLC from a storyboard picture. `overrides` are the user's facts and
// win over the note's; `palette` is the user's palette for the new file.
// Where the note keeps the animation's colours, every pixel takes the entry
// its colour names in the sheet's palette (the note's made distinct), so a
// sheet whose palette a program reordered, compacted or dropped builds the
// same; the file gets the note's colours unless the user gives a palette.
// Without them, a true-colour picture is mapped onto the user's palette,
// and an indexed one keeps its indices and, unless the user gives a
// palette, its colours. A picture turned to greys whose greys are not the
// palette's own is refused. Nothing, with the reason in `problem`, when it
// cannot be built.
std::optional<StoryboardBuild> buildFromStoryboard(const StoryboardPicture& picture, const StoryboardFacts& overrides,
                                                   const std::optional<Palette>& palette, std::string& problem);

// The picture's pixels as indices of the file to be built, by the rules of
// buildFromStoryboard; what they took by colour is added to `build`'s
// counts. Nothing, with the reason in `problem`, when they cannot be.
std::optional<IndexImage> storyboardIndices(const StoryboardPicture& picture, const std::optional<Palette>& palette,
                                            StoryboardBuild& build, std::string& problem);

// The palette of the file built from the picture: the user's, else the
// note's colours, else the picture's own.
Palette storyboardColours(const StoryboardPicture& picture, const std::optional<Palette>& palette);

// A game animation as one plain FLC per direction, each of which a FLIC
// editor shows in the direction's order; with the layout to join them by.
struct SplitAnimation {
    StoryboardLayout layout;
    // The animation's colours, for the note: the direction files hold them
    // made distinct, as a storyboard does.
    Palette palette{};
    std::vector<std::vector<std::uint8_t>> directionFiles;
};
std::optional<SplitAnimation> splitDirections(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                              std::string& problem);

// The game FLC of direction files decoded by Kinetra (each a plain FLC), in
// the layout `facts` give. With the animation's colours that the split's
// note keeps, the directions' pixels are mapped by colour as a storyboard's
// are and the file gets those colours; without, indices are kept and the
// palette is the first direction's. Nothing, with the reason in `problem`,
// when a direction's frames do not match the layout.
std::optional<StoryboardBuild> joinDirections(const std::vector<const CFlcAnimation*>& directions,
                                              const StoryboardFacts& facts, const std::optional<Palette>& palette,
                                              std::string& problem);

} // namespace kinetra
