#include "io/VersionNote.h"

#include "io/ByteReader.h"
#include "io/WholeFile.h"

#include <elf.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace kinetra {
namespace {

// What the ELF header says about where the two header tables lie.
struct ElfLayout {
    bool wide = false; // ELFCLASS64: addresses and offsets are 8 bytes
    std::uint64_t phoff = 0;
    std::uint64_t shoff = 0;
    std::uint32_t phentsize = 0;
    std::uint32_t phnum = 0;
    std::uint32_t shentsize = 0;
    std::uint32_t shnum = 0;
};

// A stretch of the file holding notes, and the alignment its notes pad to.
struct NoteArea {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t align = 0;
};

enum class Search { Found, NotHere, Malformed };

std::uint64_t address(ByteReader& in, bool wide)
{
    if (!wide)
        return in.u32();
    const std::uint64_t low = in.u32();
    return low | (std::uint64_t(in.u32()) << 32);
}

// A reader over [offset, offset + size) of the file; a failed one when any
// of those bytes lies outside it.
ByteReader region(std::span<const std::uint8_t> file, std::uint64_t offset, std::uint64_t size)
{
    ByteReader whole(file);
    if (offset > whole.size()) {
        ByteReader failed;
        failed.fail();
        return failed;
    }
    whole.seek(static_cast<std::size_t>(offset));
    if (size > whole.remaining()) {
        whole.fail();
        return whole;
    }
    return ByteReader(whole.bytes(static_cast<std::size_t>(size)));
}

// A header table of `count` entries of `entrySize` bytes, each at least
// `minEntry` long so that every field read from it is inside the entry.
ByteReader table(std::span<const std::uint8_t> file, std::uint64_t offset, std::uint32_t count,
                 std::uint32_t entrySize, std::uint32_t minEntry)
{
    if (entrySize < minEntry) {
        ByteReader failed;
        failed.fail();
        return failed;
    }
    return region(file, offset, std::uint64_t(count) * entrySize);
}

bool readHeader(ByteReader in, ElfLayout& elf)
{
    const auto ident = in.bytes(EI_NIDENT);
    if (!in.ok() || std::memcmp(ident.data(), ELFMAG, SELFMAG) != 0)
        return false;
    if (ident[EI_CLASS] != ELFCLASS32 && ident[EI_CLASS] != ELFCLASS64)
        return false;
    // The note's numbers are read little-endian, as every Linux target we
    // ship for writes them.
    if (ident[EI_DATA] != ELFDATA2LSB || ident[EI_VERSION] != EV_CURRENT)
        return false;
    elf.wide = ident[EI_CLASS] == ELFCLASS64;
    in.u16(); // e_type
    in.u16(); // e_machine
    in.u32(); // e_version
    address(in, elf.wide); // e_entry
    elf.phoff = address(in, elf.wide);
    elf.shoff = address(in, elf.wide);
    in.u32(); // e_flags
    in.u16(); // e_ehsize
    elf.phentsize = in.u16();
    elf.phnum = in.u16();
    elf.shentsize = in.u16();
    elf.shnum = in.u16();
    in.u16(); // e_shstrndx
    return in.ok();
}

// Three NUL-terminated strings; anything behind them is left for later
// versions of the note.
bool decodeDescriptor(ByteReader desc, VersionInfo& info)
{
    std::string* fields[] = {&info.productVersion, &info.comments, &info.legalCopyright};
    for (std::string* field : fields) {
        field->clear();
        for (;;) {
            const std::uint8_t byte = desc.u8();
            if (!desc.ok())
                return false;
            if (byte == 0)
                break;
            field->push_back(static_cast<char>(byte));
        }
    }
    return true;
}

bool isOurName(std::span<const std::uint8_t> name)
{
    return name.size() == sizeof kVersionNoteName
        && std::memcmp(name.data(), kVersionNoteName, sizeof kVersionNoteName) == 0;
}

// Name and descriptor each start at an offset of the area aligned to 4
// bytes, or to 8 in the areas that ask for it (GNU property notes); the
// note header itself is 12 bytes.
std::size_t paddingAt(std::size_t position, std::uint64_t align)
{
    const std::size_t unit = align == 8 ? 8 : 4;
    return (unit - position % unit) % unit;
}

Search searchNotes(std::span<const std::uint8_t> file, const NoteArea& area, VersionInfo& info)
{
    ByteReader notes = region(file, area.offset, area.size);
    if (!notes.ok())
        return Search::Malformed;
    while (!notes.atEnd()) {
        const std::uint32_t nameSize = notes.u32();
        const std::uint32_t descSize = notes.u32();
        const std::uint32_t type = notes.u32();
        const auto name = notes.bytes(nameSize);
        notes.skip(paddingAt(notes.position(), area.align));
        const auto desc = notes.bytes(descSize);
        if (!notes.ok())
            return Search::NotHere; // someone else's broken note: nothing of ours follows it
        if (type == kVersionNoteType && isOurName(name)) {
            VersionInfo decoded;
            if (!decodeDescriptor(ByteReader(desc), decoded))
                return Search::Malformed;
            info = std::move(decoded);
            return Search::Found;
        }
        // The last note of an area may go without its trailing padding.
        const std::size_t pad = paddingAt(notes.position(), area.align);
        notes.skip(pad < notes.remaining() ? pad : notes.remaining());
    }
    return Search::NotHere;
}

// The note areas the section headers name; false when the table or any
// entry of it lies outside the file.
bool sectionNoteAreas(std::span<const std::uint8_t> file, const ElfLayout& elf, std::vector<NoteArea>& areas)
{
    const std::uint32_t minEntry = elf.wide ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    std::uint32_t count = elf.shnum;
    if (count == 0) {
        // Past 0xFF00 sections the count moves into the first entry's size.
        ByteReader first = table(file, elf.shoff, 1, elf.shentsize, minEntry);
        first.skip(elf.wide ? offsetof(Elf64_Shdr, sh_size) : offsetof(Elf32_Shdr, sh_size));
        const std::uint64_t extended = address(first, elf.wide);
        if (!first.ok() || extended > 0xFFFFFFFFu)
            return false;
        count = static_cast<std::uint32_t>(extended);
    }
    ByteReader sections = table(file, elf.shoff, count, elf.shentsize, minEntry);
    if (!sections.ok())
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        ByteReader entry = sections.take(elf.shentsize);
        entry.u32(); // sh_name
        const std::uint32_t type = entry.u32();
        address(entry, elf.wide); // sh_flags
        address(entry, elf.wide); // sh_addr
        NoteArea area;
        area.offset = address(entry, elf.wide);
        area.size = address(entry, elf.wide);
        entry.u32(); // sh_link
        entry.u32(); // sh_info
        area.align = address(entry, elf.wide);
        if (!entry.ok())
            return false;
        if (type == SHT_NOTE)
            areas.push_back(area);
    }
    return true;
}

bool segmentNoteAreas(std::span<const std::uint8_t> file, const ElfLayout& elf, std::vector<NoteArea>& areas)
{
    const std::uint32_t minEntry = elf.wide ? sizeof(Elf64_Phdr) : sizeof(Elf32_Phdr);
    ByteReader segments = table(file, elf.phoff, elf.phnum, elf.phentsize, minEntry);
    if (!segments.ok())
        return false;
    for (std::uint32_t i = 0; i < elf.phnum; ++i) {
        ByteReader entry = segments.take(elf.phentsize);
        const std::uint32_t type = entry.u32();
        NoteArea area;
        if (elf.wide) {
            entry.u32(); // p_flags
            area.offset = address(entry, true);
            address(entry, true); // p_vaddr
            address(entry, true); // p_paddr
            area.size = address(entry, true);
            address(entry, true); // p_memsz
            area.align = address(entry, true);
        } else {
            area.offset = entry.u32();
            entry.u32(); // p_vaddr
            entry.u32(); // p_paddr
            area.size = entry.u32();
            entry.u32(); // p_memsz
            entry.u32(); // p_flags
            area.align = entry.u32();
        }
        if (!entry.ok())
            return false;
        if (type == PT_NOTE)
            areas.push_back(area);
    }
    return true;
}

} // namespace

bool ReadVersionNoteFromMemory(std::span<const std::uint8_t> file, VersionInfo& out)
{
    ElfLayout elf;
    if (!readHeader(ByteReader(file), elf))
        return false;

    // A file cut short anywhere in its header tables is refused even when
    // the note itself survived the cut.
    const bool hasSections = elf.shoff != 0;
    std::vector<NoteArea> sectionAreas;
    if (hasSections && !sectionNoteAreas(file, elf, sectionAreas))
        return false;
    std::vector<NoteArea> segmentAreas;
    if (elf.phnum != 0 && !segmentNoteAreas(file, elf, segmentAreas))
        return false;

    // The section headers are the full list; files stripped of them
    // (sstrip and the like) still have the notes the loader sees.
    const std::vector<NoteArea>& areas = hasSections ? sectionAreas : segmentAreas;
    for (const NoteArea& area : areas) {
        switch (searchNotes(file, area, out)) {
        case Search::Found: return true;
        case Search::Malformed: return false;
        case Search::NotHere: break;
        }
    }
    return false;
}

bool ReadVersionNote(const std::string& file, VersionInfo& out)
{
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(file, bytes))
        return false;
    return ReadVersionNoteFromMemory(bytes, out);
}

std::string RunningVersionText(std::string_view programName)
{
    std::string text(programName);
    VersionInfo note;
    if (!ReadVersionNote("/proc/self/exe", note))
        return text.append(" (no version note)\n");
    text.append(" ").append(note.productVersion);
    if (!note.comments.empty())
        text.append(" (").append(note.comments).append(")");
    text.append("\n");
    if (!note.legalCopyright.empty())
        text.append(note.legalCopyright).append("\n");
    return text;
}

} // namespace kinetra
