#pragma once

// Plugs the program's own readers (FLC, PCX) into the UI kit's preview
// image class. Calling it again changes nothing.
void RegisterKinetraImageReaders();
