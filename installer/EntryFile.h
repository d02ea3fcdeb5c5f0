#pragma once

#include <QString>

namespace kinetra::installer {

// Writes `text` as UTF-8 to `path` in one step: a reader sees the old file
// or the whole new one, never a part. The folder must exist. False when the
// file could not be written.
bool WriteEntryFile(const QString& path, const QString& text);

} // namespace kinetra::installer
