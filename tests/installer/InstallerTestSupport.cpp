#include "InstallerTestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace kinetra::installertest {

ScopedEnvironment::~ScopedEnvironment()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

void ScopedEnvironment::Set(const char* name, const std::optional<std::string>& value)
{
    if (!m_saved.contains(name)) {
        const char* old = std::getenv(name);
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

int fileMode(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return static_cast<int>(status.st_mode & 07777);
}

RunResult runProgram(const std::string& program, const std::map<std::string, std::optional<std::string>>& changes,
                     const std::string& scratch)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (!changes.contains(name))
            environment.push_back(variable);
    }
    for (const auto& [name, value] : changes) {
        if (value)
            environment.push_back(name + '=' + *value);
    }
    std::vector<char*> environmentPointers;
    for (std::string& variable : environment)
        environmentPointers.push_back(variable.data());
    environmentPointers.push_back(nullptr);

    const std::string outPath = scratch + "/installer-stdout.txt";
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::string programArgument = program;
    char* const arguments[] = {programArgument.data(), nullptr};
    RunResult result;
    pid_t child = 0;
    const int spawned =
        ::posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environmentPointers.data());
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;

    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = readFile(QFile::decodeName(outPath.c_str())).toStdString();
    QFile::remove(QFile::decodeName(outPath.c_str()));
    return result;
}

} // namespace kinetra::installertest
