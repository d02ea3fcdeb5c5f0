#pragma once

// Shared by the core tests: a headless screen, temporary files and a way
// to run a check without root's rights.

#include "imaging/CScreen.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kinetra::test {

// Makes the program-wide screen for the test's lifetime, as the player
// window does, so that surfaces can be created.
class ScopedScreen {
public:
    ScopedScreen()
    {
        // Without it no surface can be made, and every test would fail far
        // from the cause.
        if (m_screen.Create(nullptr) != kOk || m_screen.Initialize(240, 240) != kOk)
            std::abort();
        g_pScreen = &m_screen;
    }
    ~ScopedScreen() { g_pScreen = nullptr; }
    CScreen& screen() { return m_screen; }

private:
    CScreen m_screen;
};

// A file in the temporary folder, removed when it goes out of scope.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes, const std::string& suffix = ".flc")
    {
        static int counter = 0;
        m_path = (std::filesystem::temp_directory_path()
                  / ("kinetra-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + suffix))
                     .string();
        std::ofstream out(m_path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    ~TempFile()
    {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Runs `check` as an unprivileged user, for the permission cases that root
// would walk through: in a child that gives up root when the suite runs as
// root, else right here. Returns whether `check` held. What `check` touches
// must be open to others, and its effects on memory stay in the child.
inline bool asUnprivilegedUser(const std::function<bool()>& check)
{
    if (::geteuid() != 0)
        return check();
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr gid_t kNobody = 65534;
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        ::_exit(dropped && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace kinetra::test
