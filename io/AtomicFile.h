#pragma once

#include "io/ByteSink.h"

#include <cstdint>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace kinetra {

// Writes `bytes` to `filePath` so that the file is at every moment either as
// it was or complete: the bytes go to a temporary file in the same folder,
// which is renamed over the destination in one step.
// - A symbolic link stays a link: the file it points to is the one written,
//   and the temporary file lies beside that file.
// - A file that is replaced keeps its permissions, and its owner and group
//   where the writer may keep them; a new one gets the usual 0666 less the
//   umask.
// - A destination the user may not write is refused (a rename would replace
//   it regardless).
// - A writable file in a folder where no temporary file can be made is still
//   written: the complete bytes go to a temporary file in the system's
//   temporary folder first, then over the file itself.
// On any failure the destination is untouched (but for that last case) and
// no temporary file remains. False on failure, with the system's reason in
// `error`.
bool writeFileAtomically(const std::string& filePath, std::span<const std::uint8_t> bytes, std::error_code& error);
bool writeFileAtomically(const std::string& filePath, std::span<const std::uint8_t> bytes);
// The same with the content made as it is written, never held whole.
bool writeFileAtomically(const std::string& filePath, const ContentWriter& write, std::error_code& error);

// writeFileAtomically in two steps, for files that must change together (a
// picture and its note): `stage` does everything but the last step, so that
// nearly every failure happens there, and `commit` puts the new content in
// place in one step. Stage every file first, then commit them in turn; a
// failure before the first commit leaves every file as it was. A staged
// file dropped uncommitted is discarded, its destination untouched.
class StagedFile {
public:
    // Whether stage syncs the new content itself, or leaves that to one
    // sync of the whole file system before the commits (FileBatch).
    enum class Sync { Now, Later };

    StagedFile() = default;
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // False, with the system's reason in `error`, when the file cannot be
    // written; nothing is left behind then.
    bool stage(const std::string& filePath, std::span<const std::uint8_t> bytes, std::error_code& error,
               Sync sync = Sync::Now);
    // The same with the content made by `write` as it goes into the file.
    // When `write` gives up for a reason of its own, the sink having taken
    // everything, `error` is left empty: the reason is the writer's to tell.
    bool stage(const std::string& filePath, const ContentWriter& write, std::error_code& error,
               Sync sync = Sync::Now);
    // False, with the reason, when the last step fails; the destination is
    // then as it was, except in writeFileAtomically's last case.
    bool commit(std::error_code& error);

    // The file a commit replaces, its links followed; empty until staged.
    const std::string& destination() const { return m_filePath; }

private:
    void discard();

    std::string m_filePath; // the destination, its links followed
    // The new content beside the destination, renamed over it on commit; or,
    // for a file in a folder that takes no new file, the rescue copy in the
    // system's temporary folder, copied over the file on commit.
    std::string m_stagedPath;
    bool m_inPlace = false;
};

} // namespace kinetra
