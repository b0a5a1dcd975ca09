// The weather-site program: options, the ready line, and a clean stop on SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "site.h"
#include "site_activation.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: weather-site [--bind ADDR] [--port N] [--log FILE] [--fault MODE]\n"
                 "                    [--today YYYY-MM-DD] [--threads N]\n"
                 "                    [--source auto|openmeteo|sample] [--forecast-api URL]\n"
                 "                    [--geocoding-api URL] [--cache-dir DIR]\n"
                 "                    [--upstream-timeout SECONDS] [--idle-exit SECONDS]\n"
                 "--port 0 picks a free port. --source sample (the default) serves invented\n"
                 "pages marked as such and never leaves the machine; openmeteo serves real\n"
                 "forecasts from Open-Meteo only; auto serves them and falls back to sample\n"
                 "pages while the service cannot give one. --today dates the sample pages.\n"
                 "A socket handed over by systemd (LISTEN_FDS) replaces --bind and --port;\n"
                 "the site then exits after --idle-exit seconds without a connection (600).\n"
                 "Fault modes:");
    for (FaultMode m : AllFaultModes()) {
        std::fprintf(stderr, " %s", std::string(FaultModeName(m)).c_str());
    }
    std::fprintf(stderr, "\n");
}

bool ParseInt(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool IsWebAddress(const std::string& url) {
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

bool ParseOptions(int argc, char** argv, SiteOptions& options, int& idleExit) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help" || name == "-h" || i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        bool ok = true;
        if (name == "--bind") {
            options.bind = value;
        } else if (name == "--port") {
            ok = ParseInt(value, 0, 65535, options.port);
        } else if (name == "--log") {
            options.logPath = value;
        } else if (name == "--fault") {
            ok = ParseFaultMode(value, options.fault);
        } else if (name == "--today") {
            ok = ParseSiteDate(value, options.today);
        } else if (name == "--threads") {
            ok = ParseInt(value, 2, 1024, options.threads);
        } else if (name == "--source") {
            ok = ParseForecastSource(value, options.gateway.source);
        } else if (name == "--forecast-api") {
            ok = IsWebAddress(value);
            options.gateway.forecastApi = value;
        } else if (name == "--geocoding-api") {
            ok = IsWebAddress(value);
            options.gateway.geocodingApi = value;
        } else if (name == "--cache-dir") {
            ok = value[0] != '\0';
            options.gateway.cacheDir = value;
        } else if (name == "--idle-exit") {
            ok = ParseInt(value, 1, 86400, idleExit);
        } else if (name == "--upstream-timeout") {
            int seconds = 0;
            ok = ParseInt(value, 1, 60, seconds);
            options.gateway.upstreamTimeoutMs = seconds * 1000;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "weather-site: bad option %s %s\n", name.c_str(), value);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SiteOptions options;
#if defined(SITE_DEFAULT_BIND) && defined(SITE_DEFAULT_PORT)
    options.bind = SITE_DEFAULT_BIND;
    options.port = SITE_DEFAULT_PORT;
#endif
    int idleExit = -1;
    if (!ParseOptions(argc, argv, options, idleExit)) {
        Usage();
        return 2;
    }
    std::string handoverError;
    options.listenFd = InheritedListenSocket(handoverError);
    if (!handoverError.empty()) {
        std::fprintf(stderr, "weather-site: %s\n", handoverError.c_str());
        return 1;
    }
    // Started on demand by a service manager, the site leaves when nobody asks; the manager
    // keeps the socket and starts it again on the next request.
    if (idleExit < 0 && options.listenFd >= 0) {
        idleExit = DefaultIdleExitSeconds;
    }
    std::unique_ptr<SiteIdleClock> idle;
    if (idleExit > 0) {
        idle = std::make_unique<SiteIdleClock>(std::chrono::seconds(idleExit),
                                               SiteIdleClock::Clock::now());
        options.idle = idle.get();
    }
    // Blocked before any thread starts, so every thread inherits the mask and only sigwait
    // below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string error;
    SiteHandle site = StartSite(options, error);
    if (!site) {
        std::fprintf(stderr, "weather-site: %s\n", error.c_str());
        return 1;
    }
    bool v6 = options.bind.find(':') != std::string::npos;
    std::printf("weather-site: listening on http://%s%s%s:%d\n", v6 ? "[" : "",
                options.bind.c_str(), v6 ? "]" : "", SitePort(*site));
    std::fflush(stdout);
    if (options.gateway.source != ForecastSource::Sample) {
        std::fprintf(stderr, "weather-site: forecasts from %s (%s), cache in %s\n",
                     options.gateway.forecastApi.c_str(),
                     options.gateway.source == ForecastSource::Auto ? "auto" : "openmeteo",
                     options.gateway.cacheDir.empty() ? DefaultCacheDir().c_str()
                                                      : options.gateway.cacheDir.c_str());
    }

    int signalNumber = WaitForStopOrIdle(stopSignals, idle.get());
    site.reset();
    std::fprintf(stderr, "weather-site: stopped (%s)\n",
                 signalNumber == 0 ? "idle" : strsignal(signalNumber));
    return 0;
}
