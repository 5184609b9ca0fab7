// Start-up of the whole client process, from exec to the login window on the screen (offscreen
// platform), beside a bare Qt program that shows one label, run alternately in the same run. Prints
// the median wall time and the peak resident memory of each and their ratios.
#include <sys/resource.h>
#include <sys/wait.h>

#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace
{

struct Run {
    double milliseconds;
    long peakKiB;
};

Run runOnce(const std::string &program)
{
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::perror(program.c_str());
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not end cleanly\n", program.c_str());
        std::exit(1);
    }
    return {std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss};
}

template <typename T> T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    std::string dir = argv[0];
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("KORVEL_QUIT_WHEN_SHOWN", "1", 1);
    std::vector<double> korvelTimes, bareTimes;
    std::vector<long> korvelPeaks, barePeaks;
    runOnce(dir + "korvel"); // warm the file cache for both
    runOnce(dir + "bare_label");
    for (int i = 0; i < runs; ++i) {
        const Run k = runOnce(dir + "korvel");
        const Run b = runOnce(dir + "bare_label");
        korvelTimes.push_back(k.milliseconds);
        korvelPeaks.push_back(k.peakKiB);
        bareTimes.push_back(b.milliseconds);
        barePeaks.push_back(b.peakKiB);
    }
    const double kt = median(korvelTimes), bt = median(bareTimes);
    const double km = median(korvelPeaks) / 1024.0, bm = median(barePeaks) / 1024.0;
    std::printf("%-32s %10s %14s\n", "program (median of runs)", "start ms", "peak MiB");
    std::printf("%-32s %10.1f %14.1f\n", "korvel to the login window", kt, km);
    std::printf("%-32s %10.1f %14.1f\n", "bare Qt label", bt, bm);
    std::printf("%-32s %10.2f %14.2f\n", "ratio (goal: 1.6 and 1.4)", kt / bt, km / bm);
    return 0;
}
