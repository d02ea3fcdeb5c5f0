#include "installer/ProgramStart.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace kinetra::installer {

namespace {

// Owns the spawn attributes and file actions for one start.
class SpawnSetup {
public:
    SpawnSetup()
    {
        m_bReady = ::posix_spawnattr_init(&m_attr) == 0;
        m_bReady = (::posix_spawn_file_actions_init(&m_actions) == 0) && m_bReady;
    }
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&m_actions);
        ::posix_spawnattr_destroy(&m_attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // A session of its own keeps the program alive when the terminal the
    // installer ran in closes; it gets none of the installer's streams,
    // so it neither holds a caller's pipe open nor writes over the prompt.
    bool Detach()
    {
        return m_bReady && ::posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSID) == 0 &&
               ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_addopen(&m_actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
               ::posix_spawn_file_actions_addopen(&m_actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0;
    }

    const posix_spawnattr_t* Attributes() const { return &m_attr; }
    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }

private:
    bool m_bReady = false;
    posix_spawnattr_t m_attr{};
    posix_spawn_file_actions_t m_actions{};
};

} // namespace

bool StartProgramDetached(const std::string& programPath, const std::string& argument)
{
    SpawnSetup setup;
    if (!setup.Detach())
        return false;
    std::string program = programPath;
    std::string switchArgument = argument;
    char* const arguments[] = {program.data(), switchArgument.data(), nullptr};
    // glibc reports a failed exec (a missing or non-executable file) here,
    // not only a failed fork. The child is never waited for: once the
    // installer ends it is adopted and reaped by init.
    pid_t child = 0;
    return ::posix_spawn(&child, program.c_str(), setup.Actions(), setup.Attributes(), arguments, environ) == 0;
}

} // namespace kinetra::installer
