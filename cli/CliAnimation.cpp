#include "cli/CliAnimation.h"

#include "cli/PlayerOptions.h"
#include "flc/PlainFlcDefaults.h"

#include <ostream>

namespace kinetra::cli {

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
