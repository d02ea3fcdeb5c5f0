#pragma once

#include "io/AtomicFile.h"
#include "io/WriteFailure.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace kinetra {

// Many files written together and made durable with one sync of their file
// system instead of one per file, each still whole or absent under its name:
// add writes a file's bytes beside its destination under a temporary name,
// unsynced, leaving the destination as it was; commit syncs them all at
// once, only then renames each over its destination, and syncs the folders
// that changed. What is added and never committed is removed, so a batch
// given up halfway leaves nothing behind.
class FileBatch {
public:
    FileBatch() = default;
    ~FileBatch();
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;

    // As writeFileAtomically up to the last step, and may be called from
    // several threads at once. False, with the system's reason in `error`,
    // when the file cannot be written; nothing of it is left then.
    bool add(const std::string& filePath, std::span<const std::uint8_t> bytes, std::error_code& error);
    // The same with the content made by `write` as it goes into the file
    // (StagedFile::stage): `error` is empty when the writer gave up.
    bool add(const std::string& filePath, const ContentWriter& write, std::error_code& error);

    // Puts every file added in place, in the order added. On a failure the
    // files put in place before it stay, whole, and the rest are removed,
    // their destinations as they were; false then, with the file (or the
    // folder that would not sync) and the system's reason in `failure`.
    bool commit(WriteFailure& failure);

    // Removes every file added and not committed.
    void discard();

    std::size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<StagedFile>> m_staged;
};

} // namespace kinetra
