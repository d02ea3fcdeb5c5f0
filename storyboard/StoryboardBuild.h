#pragma once

// The round trips a unit maker works in: an animation out to a storyboard
// picture and back into a game FLC, and a game FLC out to one plain FLC per
// direction and back. The picture files themselves are read and written by
// StoryboardFile; everything else is here.

#include "flc/CFlcAnimation.h"
#include "storyboard/Storyboard.h"
#include "storyboard/StoryboardNote.h"

#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// The frames' indices of a loaded animation, in file order.
std::vector<IndexImage> animationFrames(const CFlcAnimation& animation);

// An animation's storyboard: the sheet, the file palette and the layout.
struct Storyboard {
    IndexImage sheet;
    Palette palette{};
    StoryboardLayout layout;
};

// `fileHeader` is the header as the file holds it; the animation's own may
// have been completed for playing.
std::optional<Storyboard> makeStoryboard(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                         std::optional<int> border, std::string& problem);

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
    // True-colour pixels that took the nearest colour of the palette.
    std::size_t approximated = 0;
};

// A new FLC from a storyboard picture. `overrides` are the user's facts and
// win over the note's; `palette` is the user's palette, which a true-colour
// picture needs and which replaces an indexed picture's own (its indices are
// kept). Nothing, with the reason in `problem`, when it cannot be built.
std::optional<StoryboardBuild> buildFromStoryboard(const StoryboardPicture& picture, const StoryboardFacts& overrides,
                                                   const std::optional<Palette>& palette, std::string& problem);

// A game animation as one plain FLC per direction, each of which a FLIC
// editor shows in the direction's order; with the layout to join them by.
struct SplitAnimation {
    StoryboardLayout layout;
    std::vector<std::vector<std::uint8_t>> directionFiles;
};
std::optional<SplitAnimation> splitDirections(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                              std::string& problem);

// The game FLC of direction files decoded by Kinetra (each a plain FLC), in
// the layout `facts` give. Nothing, with the reason in
// `problem`, when a direction's frames do not match the layout.
std::optional<std::vector<std::uint8_t>> joinDirections(const std::vector<const CFlcAnimation*>& directions,
                                                        const StoryboardFacts& facts, std::string& problem);

} // namespace kinetra
