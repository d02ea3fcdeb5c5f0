#pragma once

#include <string>

namespace kinetra::installer {

// Starts the program at `programPath` with the single argument `argument`
// and does not wait for it. True once the program runs; false when it could
// not be started (missing, not executable, ...).
bool StartProgramDetached(const std::string& programPath, const std::string& argument);

} // namespace kinetra::installer
