#pragma once

// The note that travels with a storyboard picture or a folder of split
// directions: the layout facts as JSON, in a PNG text chunk and in a sidecar
// file beside the picture, since paint programs may drop text chunks and a
// PCX has no place for them.

#include "flc/Palette.h"
#include "storyboard/Storyboard.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

// The PNG text chunk's keyword.
inline constexpr std::string_view kStoryboardTextKey = "Kinetra-Storyboard";
// "SHEET.png" has its note in "SHEET.kinetra.json".
inline constexpr std::string_view kStoryboardNoteSuffix = ".kinetra.json";
// Notes are a few hundred bytes; a file or text chunk over this is refused
// unread.
inline constexpr std::size_t kMaxStoryboardNoteBytes = 1024 * 1024;
// A split holds one file for each of a game unit's directions.
inline constexpr std::size_t kMaxDirectionFiles = kUnitDirectionNames.size();

// How a storyboard's frames are laid out in pictures: one sheet, one
// filmstrip per direction, or one cel per frame.
enum class StoryboardLayoutKind { Sheet, Filmstrips, Cels };

struct StoryboardNote {
    StoryboardFacts facts;
    // For split directions: the direction files in order, names relative to
    // the note's folder.
    std::vector<std::string> directionFiles;
    // The animation's own colours. The sheet or direction files hold them
    // made distinct (withDistinctColours), so that their pixels name
    // entries by colour; notes written before it was kept lack it.
    std::optional<Palette> palette;
    // Sheet for a note without "layout" (every note before there were
    // others); the pictures of filmstrips or cels in order, names relative
    // to the note's folder.
    StoryboardLayoutKind layoutKind = StoryboardLayoutKind::Sheet;
    std::vector<std::string> pictures;
};

std::string writeStoryboardNote(const StoryboardNote& note);
// Nothing, with the reason in `problem`, for text that is not such a note
// or has a fact of the wrong type or out of range; the reason names the fact
// and what it must be ("framesPerDirection must be a whole number from 1 to
// 32767."). A fact that is absent or null is simply unknown.
std::optional<StoryboardNote> readStoryboardNote(std::string_view json, std::string& problem);
// The note in a file (a sheet's sidecar or a split's note); the reason
// starts with the file's name ("unit.kinetra.json: ..."). One over
// kMaxStoryboardNoteBytes is refused unread.
std::optional<StoryboardNote> readStoryboardNoteFile(const std::string& path, std::string& problem);

// A layout's name in notes and on the command line ("sheet", "filmstrips",
// "cels"), and the layout a name gives; nothing for another name.
std::string_view storyboardLayoutName(StoryboardLayoutKind kind);
std::optional<StoryboardLayoutKind> storyboardLayoutKindOf(std::string_view name);

// The sidecar of a picture: its path with the extension (from the last dot
// of the file name) replaced by ".kinetra.json".
std::string storyboardNotePath(const std::string& picturePath);

} // namespace kinetra
