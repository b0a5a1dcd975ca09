// The weather site binary as a separate process on the loopback port the city table points at.
#pragma once

#include <httplib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

class SiteProcess {
  public:
    // Starts SITE_BINARY on SITE_PORT with its request log in logPath and the options in
    // extraArgs (shell words); false when it does not answer within about five seconds.
    bool Start(const std::string& logPath, const std::string& extraArgs = "") {
        log = logPath;
        pidPath = logPath + ".pid";
        const std::string command = "'" + std::string(SITE_BINARY) + "' --port " +
                                    std::to_string(SITE_PORT) + " --log '" + log + "' " +
                                    extraArgs + " >/dev/null 2>&1 & echo $! > '" + pidPath + "'";
        if (std::system(command.c_str()) != 0) {
            return false;
        }
        std::ifstream(pidPath) >> pid;
        // Only an answer that our own site logged counts: another one may hold the port.
        for (int round = 0; round < 100; ++round) {
            if (SetFault("none") && Logged("/control/fault")) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    void Stop() {
        if (pid > 0) {
            const std::string command = "kill " + std::to_string(pid) +
                                        " 2>/dev/null; n=0; while kill -0 " + std::to_string(pid) +
                                        " 2>/dev/null && [ $n -lt 100 ]; do n=$((n+1)); sleep 0.05;"
                                        " done; kill -9 " +
                                        std::to_string(pid) + " 2>/dev/null";
            std::system(command.c_str());
            pid = 0;
        }
    }
    ~SiteProcess() { Stop(); }

    // Switches the site's fault mode through its loopback control address.
    bool SetFault(const std::string& mode) {
        httplib::Client control("127.0.0.1", SITE_PORT);
        control.set_connection_timeout(1);
        auto answer = control.Get(("/control/fault?mode=" + mode).c_str());
        return answer && answer->status == 200;
    }

    bool Logged(const std::string& what) const {
        std::ifstream file(log);
        const std::string all{std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>()};
        return all.find(what) != std::string::npos;
    }

    // The request lines the site has logged so far.
    std::vector<std::string> Requests() const {
        std::vector<std::string> lines;
        std::ifstream file(log);
        for (std::string line; std::getline(file, line);) {
            if (line.rfind("GET\t", 0) == 0 && line.find("/control/") == std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }

  private:
    std::string log;
    std::string pidPath;
    long pid = 0;
};
