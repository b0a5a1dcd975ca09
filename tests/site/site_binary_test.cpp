// The weather-site program itself: options, the ready line, serving, and a clean stop.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "site.h"

namespace {

struct Running {
    pid_t pid = -1;
    std::FILE* out = nullptr;
    std::string readyLine;
    int port = 0;
};

// Starts the binary with its stdout on a pipe and reads the ready line.
Running Start(const std::vector<std::string>& args) {
    Running run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return run;
    }
    run.pid = fork();
    if (run.pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(SITE_BINARY));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(SITE_BINARY, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    run.out = fdopen(pipeFds[0], "r");
    char line[256] = {};
    if (std::fgets(line, sizeof(line), run.out) != nullptr) {
        run.readyLine = line;
        std::smatch m;
        static const std::regex ready("weather-site: listening on http://127\\.0\\.0\\.1:(\\d+)\n");
        if (std::regex_match(run.readyLine, m, ready)) {
            run.port = std::stoi(m[1]);
        }
    }
    return run;
}

int Stop(Running& run, int signalNumber) {
    kill(run.pid, signalNumber);
    int status = 0;
    waitpid(run.pid, &status, 0);
    std::fclose(run.out);
    return status;
}

TEST(SiteBinary, ServesAndStopsCleanlyOnEitherSignal) {
    for (int signalNumber : {SIGTERM, SIGINT}) {
        std::string log = ::testing::TempDir() + "site_binary_" + std::to_string(getpid()) + ".log";
        std::remove(log.c_str());
        Running run = Start({"--port", "0", "--log", log, "--today", "2025-01-15"});
        ASSERT_GT(run.port, 0) << run.readyLine;
        const SiteCity& city = SiteCities().front();
        httplib::Client client("127.0.0.1", run.port);
        auto res = client.Get(SitePagePath(city));
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->body, ForecastPage(city, 20103));
        int status = Stop(run, signalNumber);
        EXPECT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        std::ifstream logFile(log);
        std::string line;
        ASSERT_TRUE(std::getline(logFile, line));
        EXPECT_EQ(line.rfind("GET\t" + SitePagePath(city) + "\tstatus=200\tbody=0\t", 0), 0u);
        std::remove(log.c_str());
    }
}

TEST(SiteBinary, FaultOptionApplies) {
    Running run = Start({"--port", "0", "--fault", "404"});
    ASSERT_GT(run.port, 0) << run.readyLine;
    auto res = httplib::Client("127.0.0.1", run.port).Get(SitePagePath(SiteCities().front()));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    Stop(run, SIGTERM);
}

TEST(SiteBinary, BadOptionsAndBusyPortFail) {
    Running first = Start({"--port", "0"});
    ASSERT_GT(first.port, 0);
    const std::vector<std::string> bad[] = {
        {"--fault", "nonsense"},
        {"--today", "2025-02-30"},
        {"--port", "70000"},
        {"--unknown", "x"},
        {"--source", "live"},
        {"--forecast-api", "ftp://127.0.0.1/"},
        {"--geocoding-api", "127.0.0.1"},
        {"--upstream-timeout", "0"},
        {"--port"},
        {"--port", std::to_string(first.port)},  // taken: SO_REUSEPORT must not share it
    };
    for (const auto& args : bad) {
        Running run = Start(args);
        EXPECT_EQ(run.port, 0) << args[0];
        int status = 0;
        waitpid(run.pid, &status, 0);
        std::fclose(run.out);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << args[0];
    }
    Stop(first, SIGTERM);
}

}  // namespace
