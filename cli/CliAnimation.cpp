#include "cli/CliAnimation.h"

#include "cli/PlayerOptions.h"
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
    if (reportUnopenableFile(err, path))
        return false;
    if (m_animation.Load(path, true) != kOk) {
        m_animation.Clear();
        reportInvalidDocument(err, path);
        return false;
    }
    m_fileHeader = m_animation.header;
    applyPlayerDefaults(m_animation);
    return true;
}

} // namespace kinetra::cli
