#pragma once

// The version note every shipped binary carries: an ELF note named
// "Kinetra" whose descriptor holds the product version, a comments line and
// the copyright line, each a NUL-terminated UTF-8 string, in that order.
// The build writes it (cmake/VersionNote.cpp.in); the About box and the
// installer read it from the file without loading it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kinetra {

struct VersionInfo {
    std::string productVersion;
    std::string comments;
    std::string legalCopyright;
};

inline constexpr char kVersionNoteName[] = "Kinetra";
inline constexpr std::uint32_t kVersionNoteType = 0x4B56; // "KV"

// Reads the note from a little-endian ELF file, 32 or 64 bits, through its
// section headers or, in a file that has none, its PT_NOTE program headers.
// False (and `out` untouched) when the file cannot be read, is not such an
// ELF file, is cut short anywhere, or carries no well-formed note.
bool ReadVersionNote(const std::string& file, VersionInfo& out);
bool ReadVersionNoteFromMemory(std::span<const std::uint8_t> file, VersionInfo& out);

// What `--version` prints, from the running program's own note
// (/proc/self/exe): "NAME VERSION (COMMENTS)" and the copyright line, each
// ending in a newline. "NAME (no version note)" when the note is unreadable.
std::string RunningVersionText(std::string_view programName);

} // namespace kinetra
