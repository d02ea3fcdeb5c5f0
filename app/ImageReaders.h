#pragma once

#include "flc/FlcFrame.h"
#include "flc/Palette.h"
#include "imaging/DrawDevice.h"

#include <QImage>

// A frame's picture, its transparent colour left transparent so that a
// preview shows whatever it is drawn on; null when the memory is missing.
QImage FrameToImage(const kinetra::FlcFrame& frame, const kinetra::Palette& palette, kinetra::ColorKey key);

// Plugs the program's own readers (FLC, PCX) into the UI kit's preview
// image class. Calling it again changes nothing.
void RegisterKinetraImageReaders();
