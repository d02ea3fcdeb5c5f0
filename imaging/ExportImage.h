#pragma once

// Export pictures as Qt images, and PNG files written so that a failed write
// leaves nothing behind. Shared by the window and kinetra-cli.

#include "imaging/AnimationExport.h"

#include <QImage>
#include <QString>

namespace kinetra {

// A deep copy in Format_ARGB32; a null image when the picture's pixels do not
// fill its size or memory runs out.
QImage ExportPictureToImage(const ExportPicture& picture);

// Writes `image` as PNG to `path` through a temporary file that replaces the
// destination only once complete. False, with nothing written and the
// system's reason in `reason` when given, on failure.
bool WritePngAtomically(const QImage& image, const QString& path, QString* reason = nullptr);

} // namespace kinetra
