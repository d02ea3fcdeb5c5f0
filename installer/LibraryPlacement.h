#pragma once

// Placing the UI-kit library in the system folder, where every copy of the
// program finds it, unless a newer one is there already.

#include <string>

namespace kinetra::installer {

// The product version of the version note in `file`; empty when the file
// cannot be read or carries no note.
std::string ProductVersionOf(const std::string& file);

// Copies `source` to `destination` when the source exists and the
// destination is missing or not newer by CompareVersions (a version
// missing on either side counts as not comparable, and the copy is made).
// The copy replaces the destination in one step, so a program running
// from the old library keeps its mapping, and gets the source's permission
// bits. True when a copy was made; false when there was nothing to do or
// the copy failed (a system folder the user may not write, for one).
bool CopyLibraryIfNewer(const std::string& source, const std::string& destination);

} // namespace kinetra::installer
