#include "io/FileBatch.h"

#include "PlayerCoreFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace kinetra;
using kinetra::test::namesIn;
using kinetra::test::readFile;
using kinetra::test::TempFolder;
using kinetra::test::writeFile;
using Bytes = std::vector<std::uint8_t>;

namespace {

namespace fs = std::filesystem;

Bytes contentOf(int file)
{
    return Bytes(std::size_t(100 + file * 37), std::uint8_t(file));
}

} // namespace

TEST(FileBatch, NothingIsInPlaceBeforeTheCommitAndEverythingAfter)
{
    TempFolder folder;
    writeFile(folder / "b", {9, 9});
    FileBatch batch;
    std::error_code error;
    for (const int file : {0, 1, 2})
        ASSERT_TRUE(batch.add((folder / std::string(1, char('a' + file))).string(), contentOf(file), error)) << error;
    EXPECT_EQ(batch.size(), 3u);
    // Only the temporary files are there, and the file replaced is as it was.
    EXPECT_FALSE(fs::exists(folder / "a"));
    EXPECT_EQ(readFile(folder / "b"), (Bytes{9, 9}));
    EXPECT_EQ(namesIn(folder).size(), 4u);

    WriteFailure failure;
    ASSERT_TRUE(batch.commit(failure)) << cannotWriteMessage(failure);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"a", "b", "c"}));
    for (const int file : {0, 1, 2})
        EXPECT_EQ(readFile(folder / std::string(1, char('a' + file))), contentOf(file)) << file;
    EXPECT_EQ(batch.size(), 0u);
}

// However a batch ends early, no temporary file stays, and no destination
// holds anything but what it held before or the whole of its new content.
TEST(FileBatch, ABatchEndedEarlyLeavesNoTemporaryAndNoPartFile)
{
    struct Case {
        const char* name;
        // What breaks the third file: before it is added, or between the
        // adds and the commit (its destination becomes a folder with
        // something in it, which no rename replaces); or nothing breaks and
        // the batch is given up.
        enum { AddRefused, RenameRefused, GivenUp } how;
        std::vector<std::string> left; // what the folder holds at the end
    };
    const Case cases[] = {
        {"add refused", Case::AddRefused, {"c", "keep"}},
        {"rename refused", Case::RenameRefused, {"a", "b", "c", "keep"}},
        {"given up", Case::GivenUp, {"keep"}},
    };
    for (const Case& test : cases) {
        TempFolder folder;
        writeFile(folder / "keep", {1});
        if (test.how == Case::AddRefused)
            writeFile(folder / "c" / "inside", {2});
        {
            FileBatch batch;
            std::error_code error;
            EXPECT_TRUE(batch.add((folder / "a").string(), contentOf(0), error)) << test.name;
            EXPECT_TRUE(batch.add((folder / "b").string(), contentOf(1), error)) << test.name;
            EXPECT_EQ(batch.add((folder / "c").string(), contentOf(2), error), test.how != Case::AddRefused)
                << test.name;
            EXPECT_TRUE(batch.add((folder / "d").string(), contentOf(3), error)) << test.name;
            if (test.how == Case::RenameRefused) {
                writeFile(folder / "c" / "inside", {2});
                WriteFailure failure;
                EXPECT_FALSE(batch.commit(failure)) << test.name;
                EXPECT_EQ(failure.path, (folder / "c").string()) << test.name;
                EXPECT_TRUE(failure.error) << test.name;
            }
        }
        EXPECT_EQ(namesIn(folder), test.left) << test.name;
        if (test.how == Case::RenameRefused) {
            // Those before the one refused are in place whole.
            EXPECT_EQ(readFile(folder / "a"), contentOf(0));
            EXPECT_EQ(readFile(folder / "b"), contentOf(1));
        }
        EXPECT_EQ(readFile(folder / "keep"), Bytes{1}) << test.name;
    }
}

TEST(FileBatch, FilesAddedFromSeveralThreadsAllArrive)
{
    TempFolder folder;
    FileBatch batch;
    constexpr int kThreads = 4;
    constexpr int kFilesEach = 25;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kFilesEach; ++i) {
                    std::error_code error;
                    const int file = t * kFilesEach + i;
                    EXPECT_TRUE(batch.add((folder / std::to_string(file)).string(), contentOf(file), error));
                }
            });
        }
    }
    WriteFailure failure;
    ASSERT_TRUE(batch.commit(failure));
    EXPECT_EQ(namesIn(folder).size(), std::size_t(kThreads * kFilesEach));
    for (int file = 0; file < kThreads * kFilesEach; ++file)
        EXPECT_EQ(readFile(folder / std::to_string(file)), contentOf(file)) << file;
}

TEST(FileBatch, FilesInSeveralFoldersAreEachPutInTheirOwn)
{
    TempFolder folder;
    fs::create_directories(folder / "one");
    fs::create_directories(folder / "two");
    FileBatch batch;
    std::error_code error;
    ASSERT_TRUE(batch.add((folder / "one" / "x").string(), contentOf(1), error));
    ASSERT_TRUE(batch.add((folder / "two" / "x").string(), contentOf(2), error));
    WriteFailure failure;
    ASSERT_TRUE(batch.commit(failure));
    EXPECT_EQ(readFile(folder / "one" / "x"), contentOf(1));
    EXPECT_EQ(readFile(folder / "two" / "x"), contentOf(2));
    EXPECT_EQ(namesIn(folder / "one"), std::vector<std::string>{"x"});
    EXPECT_EQ(namesIn(folder / "two"), std::vector<std::string>{"x"});
}

TEST(FileBatch, ContentMadeAsItIsWrittenIsAddedOnlyWhenTheWriterFinishes)
{
    TempFolder folder;
    FileBatch batch;
    std::error_code error;
    const auto inTwo = [](const ByteSink& sink) {
        const Bytes content = contentOf(4);
        const auto half = content.size() / 2;
        return sink(std::span(content).first(half)) && sink(std::span(content).subspan(half));
    };
    EXPECT_TRUE(batch.add((folder / "made").string(), inTwo, error)) << error.message();
    EXPECT_FALSE(batch.add((folder / "given up").string(), [](const ByteSink& sink) { return sink(contentOf(5)) && false; },
                           error));
    EXPECT_FALSE(error);
    EXPECT_EQ(batch.size(), 1u);
    WriteFailure failure;
    ASSERT_TRUE(batch.commit(failure)) << failure.path;
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"made"}));
    EXPECT_EQ(readFile(folder / "made"), contentOf(4));
}
