#pragma once

// Shared by the installer tests: environment variables set for a scope,
// small file helpers, and running a program with its own environment.

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <string>
#include <sys/types.h>

namespace kinetra::installertest {

// Sets (or, for std::nullopt, unsets) environment variables and puts the
// old values back when it goes out of scope.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const char* name, const std::optional<std::string>& value);

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
// The permission bits of `path`, or -1 when it does not exist.
int fileMode(const QString& path);

struct RunResult {
    int status = -1; // the exit code, -1 when the program did not exit normally
    std::string out;
};

// Runs `program` without arguments in the current environment changed by
// `changes` (a value of std::nullopt removes the variable), and collects
// its exit code and standard output. `scratch` is a folder for the output.
RunResult runProgram(const std::string& program, const std::map<std::string, std::optional<std::string>>& changes,
                     const std::string& scratch);

} // namespace kinetra::installertest
