#pragma once

// Storyboard pictures on disk, for the window and kinetra-cli alike: PNG and
// PCX through the program's own readers and writers, and the layout note in
// a PNG text chunk and in the sidecar file beside either.

#include "storyboard/StoryboardBuild.h"
#include "io/WriteFailure.h"

#include <optional>
#include <string>

namespace kinetra {

// The picture formats, by the file name's extension.
enum class StoryboardFormat { Png, Pcx };
std::optional<StoryboardFormat> storyboardFormatOf(const std::string& path);

// Writes the sheet as an 8-bit indexed picture with `palette` as its colours
// and the note with it: PNG (text chunk and sidecar) or PCX (sidecar). The
// picture is written whole or not at all, then the sidecar, an existing one
// replaced. False, with the reason in `problem`, on failure; a new picture
// whose sidecar failed is removed again. A file the system would not write
// is in `refused` as well (`problem` is then its cannotWriteMessage), for a
// window that words the sentence itself.
bool writeStoryboardFile(const std::string& path, const Storyboard& storyboard, std::string& problem,
                         std::optional<WriteFailure>& refused);

// Reads a storyboard picture and the note found with it: the PNG text chunk
// first, else the sidecar. A sidecar that is there but cannot be read is a
// failure. A PNG is an indexed, grey or true-colour picture; a PCX is 8 bits
// in one plane with its 256 colours, or 24-bit colour in three planes (read
// as true colour). The picture's header is checked (its format, and its size
// against kMaxStoryboardPixels) and the file's size against the header
// before the rest is read. Nothing, with the reason in `problem`, on failure.
std::optional<StoryboardPicture> readStoryboardFile(const std::string& path, std::string& problem);

// Reads a note file: a sheet's sidecar or a split's note. One over
// kMaxStoryboardNoteBytes is refused unread. Nothing, with the reason in
// `problem`, on failure.
std::optional<StoryboardNote> readStoryboardNoteFile(const std::string& path, std::string& problem);

} // namespace kinetra
