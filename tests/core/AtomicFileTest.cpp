#include "io/AtomicFile.h"

#include "PlayerCoreFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace kinetra;
using kinetra::test::asUnprivilegedUser;
using kinetra::test::namesIn;
using kinetra::test::readFile;
using kinetra::test::TempFolder;
using kinetra::test::writeFile;
using Bytes = std::vector<std::uint8_t>;

namespace {

mode_t modeOf(const std::filesystem::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets the process umask for one scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_saved(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_saved); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_saved;
};

Bytes pattern(std::size_t size, int seed)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t((i * 31 + std::size_t(seed)) & 0xFF);
    return bytes;
}

} // namespace

TEST(AtomicFile, NewFileHoldsTheBytesWithTheUmaskApplied)
{
    TempFolder folder;
    for (const mode_t mask : {mode_t(022), mode_t(027), mode_t(002)}) {
        const auto file = folder / ("new-" + std::to_string(mask) + ".flc");
        const Bytes bytes = pattern(1000 + mask, int(mask));
        {
            ScopedUmask scoped(mask);
            ASSERT_TRUE(writeFileAtomically(file.string(), bytes)) << mask;
        }
        EXPECT_EQ(readFile(file), bytes);
        EXPECT_EQ(modeOf(file), 0666 & ~mask) << std::oct << mask;
    }
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"new-18.flc", "new-2.flc", "new-23.flc"}));
}

TEST(AtomicFile, EmptyAndLargeContentsArriveWhole)
{
    TempFolder folder;
    const auto empty = folder / "empty";
    writeFile(empty, pattern(300, 1));
    ASSERT_TRUE(writeFileAtomically(empty.string(), {}));
    EXPECT_TRUE(readFile(empty).empty());

    const Bytes large = pattern(5 * 1024 * 1024 + 17, 9);
    const auto big = folder / "big";
    ASSERT_TRUE(writeFileAtomically(big.string(), large));
    EXPECT_EQ(readFile(big), large);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"big", "empty"}));
}

TEST(AtomicFile, ReplacedFileKeepsItsModeAndIsSwappedNotOverwritten)
{
    TempFolder folder;
    const auto file = folder / "anim.flc";
    const Bytes old = pattern(5000, 1);
    for (const mode_t mode : {mode_t(0640), mode_t(0604), mode_t(0600)}) {
        writeFile(file, old);
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        // A second name of the old file: it still shows the old bytes after
        // the write, so the new ones went to another file renamed into place.
        const auto link = folder / "link";
        std::filesystem::create_hard_link(file, link);

        const Bytes replacement = pattern(1200, int(mode));
        ScopedUmask narrow(077); // must not narrow the kept mode
        ASSERT_TRUE(writeFileAtomically(file.string(), replacement)) << std::oct << mode;
        EXPECT_EQ(readFile(file), replacement);
        EXPECT_EQ(modeOf(file), mode) << std::oct << mode;
        EXPECT_EQ(readFile(link), old);
        EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"anim.flc", "link"}));
        std::filesystem::remove(link);
    }
}

TEST(AtomicFile, ReadOnlyDestinationIsRefused)
{
    TempFolder folder;
    ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
    const auto file = folder / "locked.flc";
    const Bytes old = pattern(400, 3);
    writeFile(file, old);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_TRUE(asUnprivilegedUser([&] {
        std::error_code error;
        return !writeFileAtomically(file.string(), pattern(10, 4), error)
            && error == std::errc::permission_denied;
    }));
    EXPECT_EQ(readFile(file), old);
    EXPECT_EQ(modeOf(file), mode_t(0444));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"locked.flc"}));
}

TEST(AtomicFile, AWritableFileInAFolderThatTakesNoNewFileIsStillWritten)
{
    TempFolder folder;
    const auto inner = folder / "shared";
    std::filesystem::create_directory(inner);
    const auto file = inner / "anim.flc";
    writeFile(file, pattern(300, 1));
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(inner.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    const Bytes replacement = pattern(700, 2);
    EXPECT_TRUE(asUnprivilegedUser([&] { return writeFileAtomically(file.string(), replacement); }));
    ::chmod(inner.c_str(), 0755);
    EXPECT_EQ(readFile(file), replacement);
    EXPECT_EQ(namesIn(inner), (std::vector<std::string>{"anim.flc"}));
}

TEST(AtomicFile, ALinkStaysALinkAndItsFileIsWritten)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / "real");
    const auto target = folder / "real" / "anim.flc";
    writeFile(target, pattern(100, 1));
    const auto link = folder / "link.flc";
    std::filesystem::create_symlink("real/anim.flc", link);
    const auto chained = folder / "chained.flc";
    std::filesystem::create_symlink(link, chained);

    const Bytes replacement = pattern(50, 2);
    ASSERT_TRUE(writeFileAtomically(chained.string(), replacement));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_symlink(chained));
    EXPECT_EQ(readFile(target), replacement);
    EXPECT_EQ(namesIn(folder / "real"), (std::vector<std::string>{"anim.flc"}));

    // A link to a file not made yet makes that file.
    const auto dangling = folder / "new.flc";
    std::filesystem::create_symlink("real/new.flc", dangling);
    ASSERT_TRUE(writeFileAtomically(dangling.string(), replacement));
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(readFile(folder / "real" / "new.flc"), replacement);
}

TEST(AtomicFile, OwnerGroupAndLongNamesAreKept)
{
    TempFolder folder;
    // The longest name a folder takes: the temporary name must stay shorter.
    const auto file = folder / (std::string(250, 'u') + ".flc");
    writeFile(file, pattern(10, 1));
    ASSERT_TRUE(writeFileAtomically(file.string(), pattern(20, 2)));
    EXPECT_EQ(readFile(file), pattern(20, 2));

    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another owner";
    ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
    ASSERT_TRUE(writeFileAtomically(file.string(), pattern(30, 3)));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
}

TEST(AtomicFile, FailuresCarryTheSystemsReason)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / "taken.flc");
    const struct {
        std::string path;
        std::errc reason;
    } cases[] = {
        {(folder / "missing" / "a.flc").string(), std::errc::no_such_file_or_directory},
        {(folder / "taken.flc").string(), std::errc::is_a_directory},
    };
    for (const auto& c : cases) {
        std::error_code error;
        EXPECT_FALSE(writeFileAtomically(c.path, pattern(5, 1), error)) << c.path;
        EXPECT_EQ(error, c.reason) << c.path << ": " << error.message();
    }
}

TEST(AtomicFile, PlacesThatCannotTakeAFileAreRefusedWithoutLeftovers)
{
    TempFolder folder;
    const Bytes bytes = pattern(100, 5);

    EXPECT_FALSE(writeFileAtomically((folder / "missing" / "a.flc").string(), bytes));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));

    // A folder under the destination's name stays a folder with its contents.
    std::filesystem::create_directory(folder / "taken.flc");
    writeFile(folder / "taken.flc" / "inside", bytes);
    EXPECT_FALSE(writeFileAtomically((folder / "taken.flc").string(), bytes));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken.flc"));
    EXPECT_EQ(readFile(folder / "taken.flc" / "inside"), bytes);

    // A "folder" that is a file, and names with no file name at all.
    writeFile(folder / "plain", bytes);
    EXPECT_FALSE(writeFileAtomically((folder / "plain" / "a.flc").string(), bytes));
    EXPECT_FALSE(writeFileAtomically(folder.path() + "/", bytes));
    EXPECT_FALSE(writeFileAtomically("", bytes));
    EXPECT_EQ(readFile(folder / "plain"), bytes);

    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"plain", "taken.flc"}));
}

TEST(AtomicFile, AStagedFileIsInPlaceOnlyOnceCommitted)
{
    TempFolder folder;
    const auto file = folder / "anim.flc";
    const Bytes old = pattern(100, 1);
    writeFile(file, old);

    {
        StagedFile staged;
        std::error_code error;
        ASSERT_TRUE(staged.stage(file.string(), pattern(60, 2), error)) << error.message();
        EXPECT_EQ(readFile(file), old);
        EXPECT_EQ(namesIn(folder).size(), 2u);
    }
    // Dropped uncommitted: nothing changed, nothing left.
    EXPECT_EQ(readFile(file), old);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"anim.flc"}));

    StagedFile staged;
    std::error_code error;
    ASSERT_TRUE(staged.stage(file.string(), pattern(60, 2), error)) << error.message();
    ASSERT_TRUE(staged.commit(error)) << error.message();
    EXPECT_EQ(readFile(file), pattern(60, 2));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"anim.flc"}));
    // Committed once: there is nothing more to put in place.
    EXPECT_FALSE(staged.commit(error));
    EXPECT_EQ(readFile(file), pattern(60, 2));
}

TEST(AtomicFile, AStagedFileInAFolderThatTakesNoNewFileIsWrittenOnlyOnCommit)
{
    TempFolder folder;
    const auto inner = folder / "shared";
    std::filesystem::create_directory(inner);
    const auto file = inner / "anim.flc";
    const Bytes old = pattern(300, 1);
    writeFile(file, old);
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(inner.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    const Bytes replacement = pattern(700, 2);
    EXPECT_TRUE(asUnprivilegedUser([&] {
        std::error_code error;
        {
            StagedFile dropped;
            if (!dropped.stage(file.string(), replacement, error) || readFile(file) != old)
                return false;
        }
        StagedFile staged;
        return readFile(file) == old && staged.stage(file.string(), replacement, error) && readFile(file) == old
            && staged.commit(error);
    }));
    ::chmod(inner.c_str(), 0755);
    EXPECT_EQ(readFile(file), replacement);
    EXPECT_EQ(namesIn(inner), (std::vector<std::string>{"anim.flc"}));
}

TEST(AtomicFile, ContentMadeAsItIsWrittenArrivesWholeInPiecesOfAnySize)
{
    TempFolder folder;
    const auto file = folder / "sheet.png";
    // Small pieces gathered, pieces larger than any buffer, an empty one.
    const std::vector<std::size_t> sizes{1, 7, 0, 300000, 5, 65536, 1000000, 3};
    Bytes expected;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const Bytes piece = pattern(sizes[i], int(i));
        expected.insert(expected.end(), piece.begin(), piece.end());
    }
    std::error_code error;
    const ContentWriter write = [&sizes](const ByteSink& sink) {
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            if (!sink(pattern(sizes[i], int(i))))
                return false;
        }
        return true;
    };
    ASSERT_TRUE(writeFileAtomically(file.string(), write, error)) << error.message();
    EXPECT_EQ(readFile(file), expected);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"sheet.png"}));
}

TEST(AtomicFile, AWriterThatGivesUpLeavesTheFileAsItWasWithNoSystemReason)
{
    TempFolder folder;
    const auto file = folder / "sheet.png";
    const Bytes old = pattern(40, 3);
    writeFile(file, old);
    for (const std::size_t before : {std::size_t(0), std::size_t(10), std::size_t(500000)}) {
        std::error_code error = std::make_error_code(std::errc::io_error);
        StagedFile staged;
        EXPECT_FALSE(staged.stage(file.string(), [before](const ByteSink& sink) { return sink(pattern(before, 1)) && false; },
                                  error));
        EXPECT_FALSE(error) << before;
        EXPECT_EQ(readFile(file), old);
        EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"sheet.png"})) << before;
    }
}
