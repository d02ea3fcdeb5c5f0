#include "tests/core/BuiltBinaryNote.h"

#include <cstdio>
#include <string>

namespace {

std::string shippedName(const ::testing::TestParamInfo<const char*>& info)
{
    const char* const names[] = {"Kinetra", "Ardenkit", "Cli", "InstallKinetra"};
    return names[info.index];
}

// The binaries a user gets, as the build wrote them.
INSTANTIATE_TEST_SUITE_P(VersionNote, BuiltBinary,
                         ::testing::Values(KINETRA_BINARY, KINETRA_UIKIT_LIBRARY, KINETRA_CLI_BINARY,
                                           KINETRA_INSTALLER_BINARY),
                         shippedName);

// What `program --version` prints and its exit status, run with no display
// to reach: the window program must answer without one.
std::pair<std::string, int> versionOutput(const std::string& program)
{
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' --version 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {output, -1};
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output.append(buffer);
    return {output, ::pclose(pipe)};
}

TEST(VersionSwitch, EachProgramPrintsItsNameVersionAndCopyrightFromItsNote)
{
    const std::pair<const char*, const char*> programs[] = {
        {KINETRA_BINARY, "Kinetra"}, {KINETRA_CLI_BINARY, "kinetra-cli"}, {KINETRA_INSTALLER_BINARY, "InstallKinetra"}};
    for (const auto& [path, name] : programs) {
        SCOPED_TRACE(name);
        const auto [output, status] = versionOutput(path);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(output, std::string(name) + " " KINETRA_PROJECT_VERSION " (" KINETRA_VERSION_COMMENTS ")\n" +
                              kBuiltBinaryCopyright + "\n");
    }
}

} // namespace
