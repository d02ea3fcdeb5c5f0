// Runs a program and writes the peak resident memory the kernel counted for
// it, in KiB, to a file; its exit status is the program's.
//   kinetra_memory_meter PEAK_FILE PROGRAM [ARGUMENTS...]
// It is a program of its own, and a small one, because a forked process
// starts out counting its parent's memory: forked from the test program, the
// measured program would be charged with the test program's memory too.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    constexpr int kMeterFailed = 125;
    if (argc < 3)
        return kMeterFailed;
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return kMeterFailed;
    std::FILE* peak = std::fopen(argv[1], "w");
    if (!peak || std::fprintf(peak, "%ld\n", usage.ru_maxrss) < 0 || std::fclose(peak) != 0)
        return kMeterFailed;
    return WIFEXITED(status) ? WEXITSTATUS(status) : kMeterFailed;
}
