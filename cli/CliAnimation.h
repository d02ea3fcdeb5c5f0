#pragma once

#include "flc/CFlcAnimation.h"

#include <iosfwd>
#include <string>

namespace kinetra::cli {

// An animation opened the way the player opens one, without a window: the
// whole file decoded with its palette, and the header completed as the
// player completes it.
class CliAnimation {
public:
    CliAnimation() = default;
    CliAnimation(const CliAnimation&) = delete;
    CliAnimation& operator=(const CliAnimation&) = delete;

    // On failure prints the program's message for an unreadable document on
    // `err` and returns false.
    bool open(const std::string& path, std::ostream& err);

    const CFlcAnimation& animation() const { return m_animation; }
    CFlcAnimation& animation() { return m_animation; }
    // The header as the file holds it, before a plain file's extension and
    // a missing speed were filled in for playing.
    const FlcHeader& fileHeader() const { return m_fileHeader; }

private:
    CFlcAnimation m_animation;
    FlcHeader m_fileHeader;
};

} // namespace kinetra::cli
