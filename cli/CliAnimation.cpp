#include "cli/CliAnimation.h"

#include "flc/PlainFlcDefaults.h"

#include <ostream>

namespace kinetra::cli {

namespace {

// The frame surfaces never reach a screen here, so the picture size only has
// to match what the player asks for.
constexpr int kPictureSize = 240;

} // namespace

CliAnimation::CliAnimation()
{
    if (m_screen.Create(nullptr) == kOk)
        m_screen.Initialize(kPictureSize, kPictureSize);
    g_pScreen = &m_screen;
}

CliAnimation::~CliAnimation()
{
    m_animation.Clear();
    if (g_pScreen == &m_screen)
        g_pScreen = nullptr;
}

bool CliAnimation::open(const std::string& path, std::ostream& err)
{
    if (path.empty() || m_animation.Load(path, true) != kOk) {
        m_animation.Clear();
        // The message's line break is the Windows one in the program's
        // texts; a terminal wants a plain newline.
        err << '\'' << path << "'\nInvalid or unsupported document format.\n";
        return false;
    }
    m_fileHeader = m_animation.header;
    applyPlayerDefaults(m_animation);
    return true;
}

} // namespace kinetra::cli
