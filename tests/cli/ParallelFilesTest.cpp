#include "cli/ParallelFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kinetra::cli {
namespace {

TEST(ParallelFiles, ReportsComeInInputOrderFromAtMostNThreads)
{
    std::mutex mutex;
    std::condition_variable secondDone;
    bool second = false;
    bool firstOvertaken = false;
    std::set<std::thread::id> threads;
    const auto job = [&](std::size_t index, const std::vector<std::string>&) {
        std::unique_lock lock(mutex);
        threads.insert(std::this_thread::get_id());
        if (index == 0) {
            // Only a guard against a pool that runs one file at a time.
            firstOvertaken = secondDone.wait_for(lock, std::chrono::seconds(60), [&] { return second; });
        } else if (index == 1) {
            second = true;
            secondDone.notify_all();
        }
        return FileReport{.succeeded = index != 2, .text = std::to_string(index) + '\n'};
    };
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_FALSE(runFilesInParallel({"o0", "o1", "o2", "o3", "o4", "o5", "o6", "o7"}, 3, job, out, err));
    EXPECT_TRUE(firstOvertaken);
    EXPECT_EQ(out.str(), "[1/8] 0\n[2/8] 1\n[4/8] 3\n[5/8] 4\n[6/8] 5\n[7/8] 6\n[8/8] 7\n");
    EXPECT_EQ(err.str(), "[3/8] 2\n");
    EXPECT_LE(threads.size(), 3u);
}

} // namespace
} // namespace kinetra::cli
