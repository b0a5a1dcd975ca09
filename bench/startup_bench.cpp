// Start-up of lanchuan-weather: time from launch to the window's first frame, and the memory
// (resident set) of the program with the WebKit processes it starts. Run under a display:
// scripts/with-display build/bench/startup_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

long long MonotonicMicroseconds() {
    // steady_clock is CLOCK_MONOTONIC on Linux, the clock the program reports with.
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<int> Children(int pid) {
    std::vector<int> children;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "children");
        int child = 0;
        while (in >> child) {
            children.push_back(child);
        }
    }
    return children;
}

// A field of a /proc file in kilobytes: VmRSS counts shared library pages in every process,
// Pss shares them out, so the sum over the processes is honest.
long long ProcKilobytes(int pid, const char* file, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atoll(line.c_str() + field.size());
        }
    }
    return 0;
}

// The program and every process below it (WebKit's web and network processes).
long long TreeKilobytes(int pid, const char* file, const std::string& field) {
    long long total = ProcKilobytes(pid, file, field);
    for (int child : Children(pid)) {
        total += TreeKilobytes(child, file, field);
    }
    return total;
}

void BM_LaunchToFirstFrame(benchmark::State& state) {
    std::string scratch = (std::filesystem::temp_directory_path() / "lanchuan-startup-bench");
    for (auto _ : state) {
        std::filesystem::remove_all(scratch);
        std::string command = "exec env LANCHUAN_REPORT_FIRST_FRAME=1 LANCHUAN_DRIVES=" + scratch +
                              "/drives " + LANCHUAN_PROGRAM;
        long long launched = MonotonicMicroseconds();
        FILE* program = popen(command.c_str(), "r");
        if (program == nullptr) {
            state.SkipWithError("cannot start the program");
            return;
        }
        char line[256] = {0};
        long long firstFrame = 0;
        int pid = 0;
        if (std::fgets(line, sizeof line, program) == nullptr ||
            std::sscanf(line, "first-frame %lld %d", &firstFrame, &pid) != 2) {
            pclose(program);
            state.SkipWithError("no first frame reported (is there a display?)");
            return;
        }
        state.SetIterationTime(double(firstFrame - launched) / 1e6);
        // Memory once the start has settled: the lists filled and the WebKit processes up.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["rss_MiB"] = double(TreeKilobytes(pid, "status", "VmRSS:")) / 1024.0;
        state.counters["pss_MiB"] = double(TreeKilobytes(pid, "smaps_rollup", "Pss:")) / 1024.0;
        state.counters["processes"] = 1.0 + double(Children(pid).size());
        std::system(("kill " + std::to_string(pid)).c_str());
        pclose(program);
    }
    std::filesystem::remove_all(scratch);
}
BENCHMARK(BM_LaunchToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
