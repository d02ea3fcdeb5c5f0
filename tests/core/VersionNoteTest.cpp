#include "io/VersionNote.h"
#include "io/WholeFile.h"

#include "BuiltBinaryNote.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using kinetra::ReadVersionNote;
using kinetra::ReadVersionNoteFromMemory;
using kinetra::VersionInfo;
using Bytes = std::vector<std::uint8_t>;

const std::string kCopyright = "Copyright (c) 2026 The Kinetra developers";

// Little-endian writers for the hand-made files below.
void put16(Bytes& out, std::uint32_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}
void put32(Bytes& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
void putWord(Bytes& out, std::uint64_t value, bool wide)
{
    put32(out, std::uint32_t(value));
    if (wide)
        put32(out, std::uint32_t(value >> 32));
}
void pad(Bytes& out, std::size_t align)
{
    while (out.size() % align != 0)
        out.push_back(0);
}
void set32(Bytes& file, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

// One note: namesz, descsz, type, the name with its NUL and the descriptor,
// both padded to `align`.
Bytes note(const std::string& name, std::uint32_t type, const Bytes& desc, std::size_t align = 4)
{
    Bytes out;
    put32(out, std::uint32_t(name.size() + 1));
    put32(out, std::uint32_t(desc.size()));
    put32(out, type);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    pad(out, align);
    out.insert(out.end(), desc.begin(), desc.end());
    pad(out, align);
    return out;
}

Bytes descriptor(const std::vector<std::string>& fields)
{
    Bytes out;
    for (const std::string& field : fields) {
        out.insert(out.end(), field.begin(), field.end());
        out.push_back(0);
    }
    return out;
}

Bytes ourNote(const std::string& version = "1.2.3", const std::string& comments = "Test build")
{
    return note("Kinetra", kinetra::kVersionNoteType, descriptor({version, comments, kCopyright}));
}

// The offsets inside a hand-made file that the malformation cases change.
struct Layout {
    std::size_t shoffField = 0;
    std::size_t notes = 0;
    std::size_t sectionTable = 0;
};

// A minimal ELF file: header, one PT_NOTE program header over `notes`, and
// (optionally) a section table of a null entry and one SHT_NOTE section.
Bytes makeElf(bool wide, const Bytes& notes, bool withSections, std::uint64_t align = 4, Layout* layout = nullptr)
{
    const std::uint32_t ehsize = wide ? 64 : 52;
    const std::uint32_t phentsize = wide ? 56 : 32;
    const std::uint32_t shentsize = wide ? 64 : 40;
    const std::uint64_t phoff = ehsize;
    const std::uint64_t notesOffset = (phoff + phentsize + 7) / 8 * 8;
    const std::uint64_t shoff = (notesOffset + notes.size() + 7) / 8 * 8;

    Bytes out(16, 0);
    const std::uint8_t ident[] = {0x7F, 'E', 'L', 'F', std::uint8_t(wide ? 2 : 1), 1, 1};
    std::copy(std::begin(ident), std::end(ident), out.begin());
    put16(out, 2);  // ET_EXEC
    put16(out, 62); // EM_X86_64
    put32(out, 1);
    putWord(out, 0x401000, wide);
    putWord(out, phoff, wide);
    const std::size_t shoffField = out.size();
    putWord(out, withSections ? shoff : 0, wide);
    put32(out, 0);
    put16(out, ehsize);
    put16(out, phentsize);
    put16(out, 1);
    put16(out, shentsize);
    put16(out, withSections ? 2 : 0);
    put16(out, 0);

    put32(out, 4); // PT_NOTE
    if (wide) {
        put32(out, 4); // p_flags
        putWord(out, notesOffset, true);
        putWord(out, 0x400000 + notesOffset, true);
        putWord(out, 0x400000 + notesOffset, true);
        putWord(out, notes.size(), true);
        putWord(out, notes.size(), true);
        putWord(out, align, true);
    } else {
        put32(out, std::uint32_t(notesOffset));
        put32(out, std::uint32_t(0x8048000 + notesOffset));
        put32(out, std::uint32_t(0x8048000 + notesOffset));
        put32(out, std::uint32_t(notes.size()));
        put32(out, std::uint32_t(notes.size()));
        put32(out, 4); // p_flags
        put32(out, std::uint32_t(align));
    }
    out.resize(notesOffset, 0);
    out.insert(out.end(), notes.begin(), notes.end());

    if (withSections) {
        out.resize(shoff, 0);
        out.resize(shoff + shentsize, 0); // the null section
        put32(out, 0);                    // sh_name
        put32(out, 7);                    // SHT_NOTE
        putWord(out, 2, wide);            // SHF_ALLOC
        putWord(out, 0x400000 + notesOffset, wide);
        putWord(out, notesOffset, wide);
        putWord(out, notes.size(), wide);
        put32(out, 0);
        put32(out, 0);
        putWord(out, align, wide);
        putWord(out, 0, wide);
    }
    if (layout)
        *layout = {shoffField, std::size_t(notesOffset), std::size_t(shoff)};
    return out;
}

Bytes gnuNote()
{
    return note("GNU", 3, Bytes(20, 0xAB)); // NT_GNU_BUILD_ID
}

bool read(const Bytes& file, VersionInfo& info)
{
    return ReadVersionNoteFromMemory(file, info);
}

struct Shape {
    bool wide;
    bool withSections;
};

class HandMadeElf : public ::testing::TestWithParam<Shape> {};

TEST_P(HandMadeElf, FindsOurNoteBehindAnotherOne)
{
    Bytes notes = gnuNote();
    const Bytes ours = ourNote("4.5.6", "Some comments");
    notes.insert(notes.end(), ours.begin(), ours.end());
    const Bytes file = makeElf(GetParam().wide, notes, GetParam().withSections);

    VersionInfo info;
    ASSERT_TRUE(read(file, info));
    EXPECT_EQ(info.productVersion, "4.5.6");
    EXPECT_EQ(info.comments, "Some comments");
    EXPECT_EQ(info.legalCopyright, kCopyright);
}

TEST_P(HandMadeElf, EveryShorterPrefixIsRefused)
{
    Bytes notes = gnuNote();
    const Bytes ours = ourNote();
    notes.insert(notes.end(), ours.begin(), ours.end());
    const Bytes file = makeElf(GetParam().wide, notes, GetParam().withSections);

    VersionInfo whole;
    ASSERT_TRUE(read(file, whole));
    for (std::size_t length = 0; length < file.size(); ++length) {
        VersionInfo info;
        info.productVersion = "untouched";
        const Bytes prefix(file.begin(), file.begin() + std::ptrdiff_t(length));
        EXPECT_FALSE(read(prefix, info)) << "prefix of " << length << " bytes";
        EXPECT_EQ(info.productVersion, "untouched") << "prefix of " << length << " bytes";
    }
}

TEST_P(HandMadeElf, FileWithoutOurNoteGivesNothing)
{
    VersionInfo info;
    EXPECT_FALSE(read(makeElf(GetParam().wide, gnuNote(), GetParam().withSections), info));
    EXPECT_FALSE(read(makeElf(GetParam().wide, {}, GetParam().withSections), info));
    // Our name with another type, and our type under another name.
    EXPECT_FALSE(read(makeElf(GetParam().wide, note("Kinetra", 1, descriptor({"1", "2", "3"})),
                              GetParam().withSections),
                      info));
    EXPECT_FALSE(read(makeElf(GetParam().wide, note("Kinetr", kinetra::kVersionNoteType, descriptor({"1", "2", "3"})),
                              GetParam().withSections),
                      info));
}

INSTANTIATE_TEST_SUITE_P(VersionNote, HandMadeElf,
                         ::testing::Values(Shape{true, true}, Shape{true, false}, Shape{false, true},
                                           Shape{false, false}),
                         [](const ::testing::TestParamInfo<Shape>& shape) {
                             return std::string(shape.param.wide ? "Elf64" : "Elf32")
                                 + (shape.param.withSections ? "Sections" : "SegmentsOnly");
                         });

TEST(VersionNote, EightByteAlignedAreasPadToEight)
{
    // GNU property notes live in sections aligned to 8; their padding is too.
    Bytes notes = note("GNU", 5, Bytes(12, 0x11), 8);
    const Bytes ours = note("Kinetra", kinetra::kVersionNoteType, descriptor({"8", "", kCopyright}), 8);
    notes.insert(notes.end(), ours.begin(), ours.end());
    VersionInfo info;
    ASSERT_TRUE(read(makeElf(true, notes, true, 8), info));
    EXPECT_EQ(info.productVersion, "8");
    EXPECT_EQ(info.comments, "");
}

TEST(VersionNote, MalformedNotesAndHeadersAreRefused)
{
    VersionInfo info;
    // Only two of the three strings.
    EXPECT_FALSE(read(makeElf(true, note("Kinetra", kinetra::kVersionNoteType, descriptor({"1", "2"})), true), info));
    // The last string without its NUL.
    Bytes unterminated = descriptor({"1", "2", "3"});
    unterminated.pop_back();
    EXPECT_FALSE(read(makeElf(true, note("Kinetra", kinetra::kVersionNoteType, unterminated), true), info));

    Layout layout;
    const Bytes good = makeElf(true, ourNote(), true, 4, &layout);
    ASSERT_TRUE(read(good, info));

    Bytes hugeDesc = good;
    set32(hugeDesc, layout.notes + 4, 0xFFFFFFF0u);
    EXPECT_FALSE(read(hugeDesc, info));

    Bytes tablePastEnd = good;
    set32(tablePastEnd, layout.shoffField, std::uint32_t(good.size()));
    EXPECT_FALSE(read(tablePastEnd, info));

    Bytes sectionPastEnd = good;
    const std::size_t sectionSize = layout.sectionTable + 64 + 32; // second entry's sh_size
    set32(sectionPastEnd, sectionSize, 0x7FFFFFFF);
    EXPECT_FALSE(read(sectionPastEnd, info));

    Bytes shortEntries = good;
    shortEntries[58] = 16; // e_shentsize below a section header's size
    EXPECT_FALSE(read(shortEntries, info));

    Bytes bigEndian = good;
    bigEndian[5] = 2;
    EXPECT_FALSE(read(bigEndian, info));

    Bytes unknownClass = good;
    unknownClass[4] = 3;
    EXPECT_FALSE(read(unknownClass, info));

    Bytes notElf = good;
    notElf[1] = 'X';
    EXPECT_FALSE(read(notElf, info));
}

TEST(VersionNote, GarbageIsRefused)
{
    std::mt19937 random(20260101);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t length = 0; length < 600; length += 7) {
        Bytes garbage(length);
        for (auto& b : garbage)
            b = std::uint8_t(byte(random));
        VersionInfo info;
        EXPECT_FALSE(read(garbage, info)) << length;
        // The same behind a real ELF identification.
        const std::uint8_t ident[] = {0x7F, 'E', 'L', 'F', std::uint8_t(1 + length % 2), 1, 1};
        for (std::size_t i = 0; i < sizeof ident && i < garbage.size(); ++i)
            garbage[i] = ident[i];
        EXPECT_FALSE(read(garbage, info)) << length;
    }
}

TEST(VersionNote, FilesThatCannotBeReadGiveNothing)
{
    VersionInfo info;
    EXPECT_FALSE(ReadVersionNote("/nonexistent/kinetra/Kinetra", info));
    EXPECT_FALSE(ReadVersionNote(std::filesystem::temp_directory_path().string(), info));
    // The test program carries no note of ours.
    EXPECT_FALSE(ReadVersionNote("/proc/self/exe", info));
}

INSTANTIATE_TEST_SUITE_P(VersionNote, BuiltBinary, ::testing::Values(KINETRA_NOTE_CARRIER),
                         [](const auto&) { return std::string("Carrier"); });

} // namespace
