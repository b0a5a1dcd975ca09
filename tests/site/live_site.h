// The weather-site program as a child process on an ephemeral port, for the site's tests.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "raw_http.h"

// The program on an ephemeral port, killed when the test ends whatever happens.
class LiveSite {
  public:
    // Environment entries with an empty value are removed; stderr goes to errorLog or nowhere.
    explicit LiveSite(const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env = {},
                      const std::string& errorLog = "") {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            int errors = errorLog.empty()
                             ? open("/dev/null", O_WRONLY)
                             : open(errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(errors, STDERR_FILENO);
            for (const auto& [name, value] : env) {
                if (value.empty()) {
                    unsetenv(name.c_str());
                } else {
                    setenv(name.c_str(), value.c_str(), 1);
                }
            }
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv{const_cast<char*>(SITE_BINARY)};
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(SITE_BINARY, argv.data());
            _exit(127);
        }
        close(out[1]);
        std::FILE* ready = fdopen(out[0], "r");
        char line[256] = {};
        if (ready != nullptr && std::fgets(line, sizeof(line), ready) != nullptr) {
            std::sscanf(line, "weather-site: listening on http://127.0.0.1:%d", &port_);
        }
        if (ready != nullptr) {
            std::fclose(ready);
        }
    }
    ~LiveSite() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    LiveSite(const LiveSite&) = delete;
    LiveSite& operator=(const LiveSite&) = delete;
    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }
    // Once the test has reaped the process itself.
    void Forget() { pid_ = -1; }

    struct Page {
        int status;
        std::string body;
    };
    Page Get(const std::string& path) const {
        RawReply reply = RawExchange(
            port_, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n",
            15000);
        return {RawStatus(reply), RawBody(reply)};
    }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
};
