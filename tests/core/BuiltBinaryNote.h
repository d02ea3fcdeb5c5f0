#pragma once

// The version note of a binary as the build wrote it, for every binary
// the including test program instantiates `BuiltBinary` with. Needs
// KINETRA_PROJECT_VERSION and KINETRA_VERSION_COMMENTS.

#include "io/VersionNote.h"
#include "io/WholeFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

inline const std::string kBuiltBinaryCopyright = "Copyright (c) 2026 The Kinetra developers";

class BuiltBinary : public ::testing::TestWithParam<const char*> {};

TEST_P(BuiltBinary, CarriesTheProjectVersion)
{
    kinetra::VersionInfo info;
    ASSERT_TRUE(kinetra::ReadVersionNote(GetParam(), info)) << GetParam();
    EXPECT_EQ(info.productVersion, KINETRA_PROJECT_VERSION);
    EXPECT_EQ(info.comments, KINETRA_VERSION_COMMENTS);
    EXPECT_EQ(info.legalCopyright, kBuiltBinaryCopyright);
}

TEST_P(BuiltBinary, KeepsTheNoteThroughStrip)
{
    if (std::system("strip --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no strip here";
    kinetra::test::TempFile stripped({}, ".stripped");
    const std::string command = std::string("strip -o '") + stripped.path() + "' '" + GetParam() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    kinetra::VersionInfo info;
    ASSERT_TRUE(kinetra::ReadVersionNote(stripped.path(), info));
    EXPECT_EQ(info.productVersion, KINETRA_PROJECT_VERSION);
    EXPECT_EQ(info.legalCopyright, kBuiltBinaryCopyright);
}

TEST_P(BuiltBinary, KeepsTheNoteWithoutSectionHeaders)
{
    // What sstrip leaves: the loader's view only.
    std::vector<std::uint8_t> file;
    ASSERT_TRUE(kinetra::readWholeFile(GetParam(), file));
    ASSERT_GE(file.size(), 64u);
    ASSERT_EQ(file[4], 2) << "a 64-bit build";
    std::fill(file.begin() + 0x28, file.begin() + 0x30, 0); // e_shoff
    std::fill(file.begin() + 0x3C, file.begin() + 0x40, 0); // e_shnum, e_shstrndx

    kinetra::VersionInfo info;
    ASSERT_TRUE(kinetra::ReadVersionNoteFromMemory(file, info));
    EXPECT_EQ(info.productVersion, KINETRA_PROJECT_VERSION);
}
