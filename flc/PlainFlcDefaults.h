#pragma once

namespace kinetra {

class CFlcAnimation;

// Puts a freshly loaded animation's header into the shape the player and the
// information view work with: a speed of 0 becomes 10 ms, and a plain FLC
// (no game extension, `framesPerDirection` 0) gets one direction holding
// every decoded frame on a 240 × 240 picture at offset 0, 0. Only the header
// in memory changes; the file keeps its zeros.
void applyPlayerDefaults(CFlcAnimation& animation);

} // namespace kinetra
