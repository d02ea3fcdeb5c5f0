#include "cli/ParallelFiles.h"

#include "cli/PlayerOptions.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <ostream>
#include <sstream>
#include <system_error>
#include <thread>

namespace kinetra::cli {

namespace {

namespace fs = std::filesystem;

// The file `path` will be, its links followed as far as they lead, so that
// two spellings of one output count as one.
std::string fileNamedBy(const std::string& path)
{
    // Absolute first: a relative path none of which exists yet would
    // otherwise stay relative, and "x" and "./x" would differ.
    std::error_code error;
    fs::path file = fs::absolute(path, error);
    if (error)
        file = path;
    const fs::path resolved = fs::weakly_canonical(file, error);
    return (error ? file.lexically_normal() : resolved).string();
}

// For each file, the earlier files whose output is the same file.
std::vector<std::vector<std::size_t>> earlierSameOutputs(const std::vector<std::string>& outputs)
{
    std::map<std::string, std::vector<std::size_t>> filesByOutput;
    std::vector<std::vector<std::size_t>> earlier(outputs.size());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        std::vector<std::size_t>& same = filesByOutput[fileNamedBy(outputs[i])];
        earlier[i] = same;
        same.push_back(i);
    }
    return earlier;
}

struct Outcome {
    bool done = false;
    FileReport report;
    std::exception_ptr thrown;
};

// The files' progress, shared by the workers and the thread that prints.
class Batch {
public:
    Batch(const std::vector<std::string>& outputs, const FileJob& job)
        : m_outputs(outputs), m_job(job), m_earlier(earlierSameOutputs(outputs)), m_outcomes(outputs.size())
    {
    }

    // A worker's loop: the next file not yet started, until none is left.
    void work()
    {
        std::unique_lock lock(m_mutex);
        while (m_next < m_outcomes.size()) {
            const std::size_t index = m_next++;
            // Taken in input order, so the files waited for are running or
            // done: a chain of waits always ends.
            const std::vector<std::size_t>& earlier = m_earlier[index];
            m_changed.wait(lock, [&] {
                return std::all_of(earlier.begin(), earlier.end(), [&](std::size_t e) { return m_outcomes[e].done; });
            });
            std::vector<std::string> writtenBefore;
            for (const std::size_t e : earlier) {
                if (m_outcomes[e].report.succeeded)
                    writtenBefore.push_back(m_outputs[e]);
            }
            lock.unlock();

            Outcome outcome;
            outcome.done = true;
            try {
                outcome.report = m_job(index, writtenBefore);
            } catch (...) {
                outcome.thrown = std::current_exception();
            }

            lock.lock();
            // Nothing starts after a file that threw: the run ends there.
            if (outcome.thrown)
                m_next = m_outcomes.size();
            m_outcomes[index] = std::move(outcome);
            m_changed.notify_all();
        }
    }

    // File `index`'s outcome, once it is done.
    Outcome outcomeOf(std::size_t index)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_outcomes[index].done; });
        return m_outcomes[index];
    }

private:
    const std::vector<std::string>& m_outputs;
    const FileJob& m_job;
    const std::vector<std::vector<std::size_t>> m_earlier;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Outcome> m_outcomes;
    std::size_t m_next = 0;
};

} // namespace

[[nodiscard]] OptionProblem readJobCount(const ParsedArguments& args, unsigned& workers)
{
    if (!args.has(kJobsOption.name)) {
        workers = std::max(std::thread::hardware_concurrency(), 1u);
        return std::nullopt;
    }
    const std::string text = args.value(kJobsOption.name);
    const auto count = parseInt(text, 1, std::numeric_limits<int>::max());
    if (!count)
        return "--jobs takes a whole number of 1 or more, not '" + text + "'";
    workers = unsigned(*count);
    return std::nullopt;
}

FileReport writtenReport(const std::string& file, const std::string& output)
{
    std::ostringstream line;
    line << fs::path(file).filename().string() << " -> " << output << '\n';
    return {.succeeded = true, .text = line.str()};
}

bool runFilesInParallel(const std::vector<std::string>& outputs, unsigned workers, const FileJob& job,
                        std::ostream& out, std::ostream& err)
{
    Batch batch(outputs, job);
    const std::size_t threadCount = std::min<std::size_t>(std::max(workers, 1u), outputs.size());
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i < threadCount; ++i) {
        try {
            threads.emplace_back([&batch] { batch.work(); });
        } catch (const std::system_error&) {
            // The system allows fewer threads: those there are do every file.
            if (threads.empty())
                throw;
            break;
        }
    }

    bool allSucceeded = true;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const Outcome outcome = batch.outcomeOf(i);
        if (outcome.thrown)
            std::rethrow_exception(outcome.thrown);
        (outcome.report.succeeded ? out : err) << '[' << i + 1 << '/' << outputs.size() << "] " << outcome.report.text;
        allSucceeded = allSucceeded && outcome.report.succeeded;
    }
    return allSucceeded;
}

} // namespace kinetra::cli
