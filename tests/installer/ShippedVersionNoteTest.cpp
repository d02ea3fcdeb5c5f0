#include "tests/core/BuiltBinaryNote.h"

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

} // namespace
