#pragma once

// Storyboard pictures on disk, for the window and kinetra-cli alike: PNG,
// PCX and BMP through the picture files of formats/, and the layout note in
// a PNG text chunk and in the sidecar file beside any of them.

#include "formats/PictureFile.h"
#include "storyboard/StoryboardBuild.h"
#include "io/WriteFailure.h"

#include <optional>
#include <string>

namespace kinetra {

// The picture formats, by the file name's extension.
using StoryboardFormat = PictureFormat;
inline std::optional<StoryboardFormat> storyboardFormatOf(const std::string& path)
{
    return pictureFormatOf(path);
}

// Writes the sheet as an 8-bit indexed picture whose palette is the
// storyboard's made distinct (withDistinctColours), and the note, which
// keeps the storyboard's own colours, with it: PNG (text chunk and sidecar),
// PCX or BMP (sidecar). Both are written whole beside their places first, then
// put in place, the picture before the sidecar, existing ones replaced; a
// failure before that leaves an earlier picture and sidecar as they were,
// and a sidecar that cannot be put in place after its picture is removed
// rather than left to describe another sheet. False, with the reason in
// `problem`, on failure. A file the system would not write is in `refused`
// as well (`problem` is then its cannotWriteMessage), for a window that
// words the sentence itself.
bool writeStoryboardFile(const std::string& path, const Storyboard& storyboard, std::string& problem,
                         std::optional<WriteFailure>& refused);
// The same drawn a row at a time from the frames as it is written.
bool writeStoryboardFile(const std::string& path, const StoryboardFrames& frames, std::string& problem,
                         std::optional<WriteFailure>& refused);

// Reads a storyboard picture and the note found with it: the sidecar, else
// the PNG text chunk; where both are there and differ, the sidecar is taken
// and the picture says so. A note that is there but cannot be read, or has a
// fact of the wrong type or out of range, is a failure whose reason starts
// with the note's file ("unit.kinetra.json: ...", "unit.png (text chunk):
// ..."). Nothing, with the reason in `problem`, on failure.
// Pictures are read as readPictureFile reads them: the header is checked
// (its format, and its size against kMaxStoryboardPixels) and the file's
// size against the header before the rest is read; a text chunk over
// kMaxStoryboardNoteBytes is passed over.
std::optional<StoryboardPicture> readStoryboardFile(const std::string& path, std::string& problem);

// A picture read by readPictureFile as a storyboard's, without its note. An
// 8-bit grey picture is indices of the grey ramp only when `hasNote` (a
// sheet whose palette was exactly the ramp was written as grey); otherwise
// it is a grey picture in true colour.
StoryboardPicture storyboardPictureOf(PictureData&& data, bool hasNote);

} // namespace kinetra
