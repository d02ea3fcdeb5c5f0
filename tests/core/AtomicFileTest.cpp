#include "flc/AtomicFile.h"

#include "PlayerCoreFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace kinetra;
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
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file; the refusals that hold for root are tested below";
    TempFolder folder;
    const auto file = folder / "locked.flc";
    const Bytes old = pattern(400, 3);
    writeFile(file, old);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_FALSE(writeFileAtomically(file.string(), pattern(10, 4)));
    EXPECT_EQ(readFile(file), old);
    EXPECT_EQ(modeOf(file), mode_t(0444));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"locked.flc"}));
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
