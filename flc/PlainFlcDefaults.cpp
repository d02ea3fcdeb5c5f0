#include "flc/PlainFlcDefaults.h"

#include "flc/CFlcAnimation.h"

#include <cstdint>

namespace kinetra {

namespace {

// Files made without a delay would otherwise ask for frames as fast as the
// timer can go.
constexpr std::uint32_t kDefaultSpeed = 10;
constexpr std::uint16_t kPlainPictureSize = 240;

} // namespace

void applyPlayerDefaults(CFlcAnimation& animation)
{
    FlcHeader& header = animation.header;
    if (header.speed == 0)
        header.speed = kDefaultSpeed;
    if (header.framesPerDirection != 0)
        return;

    // The 16- and 32-bit fields take the count the way the header stores
    // it; a plain file never comes near those limits.
    const auto frameCount = static_cast<std::uint32_t>(animation.frames.size());
    header.framesPerDirection = static_cast<std::uint16_t>(frameCount);
    header.directions = 1;
    header.animationTime = header.speed * frameCount;
    header.originalWidth = kPlainPictureSize;
    header.originalHeight = kPlainPictureSize;
    header.leftOffset = 0;
    header.topOffset = 0;
}

} // namespace kinetra
