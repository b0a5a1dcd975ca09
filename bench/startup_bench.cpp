// Start-up of lanchuan-weather: time from launch to the window's first frame, and the memory
// (resident set) of the program with the WebKit processes it starts. It launches startup_probe,
// the program's ProgramMain with the testing library's first-frame report. Run under a display:
// scripts/with-display build/bench/startup_bench
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The program started with its output on a pipe; ended (and reaped) when this goes out of scope,
// so a run that fails half-way leaves no program behind.
struct LaunchedProgram {
    pid_t pid = -1;
    int output = -1;
    ~LaunchedProgram() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0) {
            close(output);
        }
    }
};

extern "C" char** environ;

bool Launch(const std::string& drives, LaunchedProgram* program) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::string drivesSetting = "LANCHUAN_DRIVES=" + drives;
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.push_back(*entry);
    }
    environment.push_back(drivesSetting.data());
    environment.push_back(nullptr);
    char* arguments[] = {const_cast<char*>(LANCHUAN_PROGRAM), nullptr};
    int failed = posix_spawn(&program->pid, LANCHUAN_PROGRAM, &actions, nullptr, arguments,
                             environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    program->output = pipeEnds[0];
    if (failed != 0) {
        program->pid = -1;
    }
    return failed == 0;
}

// The program's first line, waiting at most the given time for it.
std::string FirstLine(int output, int milliseconds) {
    std::string line;
    char byte = 0;
    pollfd wait = {output, POLLIN, 0};
    while (line.size() < 256 && poll(&wait, 1, milliseconds) == 1 && read(output, &byte, 1) == 1 &&
           byte != '\n') {
        line += byte;
    }
    return line;
}

void BM_LaunchToFirstFrame(benchmark::State& state) {
    std::string scratch = (std::filesystem::temp_directory_path() / "lanchuan-startup-bench");
    for (auto _ : state) {
        std::filesystem::remove_all(scratch);
        long long launched = MonotonicMicroseconds();
        LaunchedProgram program;
        if (!Launch(scratch + "/drives", &program)) {
            state.SkipWithError("cannot start the program");
            return;
        }
        long long firstFrame = 0;
        int pid = 0;
        std::string line = FirstLine(program.output, 20000);
        if (std::sscanf(line.c_str(), "first-frame %lld %d", &firstFrame, &pid) != 2) {
            state.SkipWithError("no first frame reported (is there a display?)");
            return;
        }
        state.SetIterationTime(double(firstFrame - launched) / 1e6);
        // Memory once the start has settled: the lists filled and the WebKit processes up.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        state.counters["rss_MiB"] = double(TreeKilobytes(pid, "status", "VmRSS:")) / 1024.0;
        state.counters["pss_MiB"] = double(TreeKilobytes(pid, "smaps_rollup", "Pss:")) / 1024.0;
        state.counters["processes"] = 1.0 + double(Children(pid).size());
        // A polite end first, as a user closing the window would.
        kill(program.pid, SIGTERM);
        for (int waited = 0; waited < 50; ++waited) {
            if (waitpid(program.pid, nullptr, WNOHANG) == program.pid) {
                program.pid = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
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
