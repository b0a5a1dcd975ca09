// The weather site under load: 8 loopback connections, each a blocking keep-alive client that
// asks for city pages one after another; pages per second and the 99th percentile latency.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "site.h"

namespace {

constexpr int Connections = 8;
constexpr int PagesPerConnection = 500;

// A minimal HTTP/1.1 client: enough to read Content-Length bodies off a keep-alive socket.
class PageClient {
  public:
    explicit PageClient(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
        int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    }
    ~PageClient() { close(fd_); }

    // Body length of a 200 answer, or -1.
    long Get(const std::string& path) {
        std::string request = "GET " + path +
                              " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                              "Content-Type: application/x-www-form-urlencoded\r\n\r\n";
        if (!ok_ || send(fd_, request.data(), request.size(), MSG_NOSIGNAL) !=
                        static_cast<ssize_t>(request.size())) {
            return -1;
        }
        std::size_t end;
        while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) {
            if (!Fill()) {
                return -1;
            }
        }
        bool okStatus = buffer_.compare(0, 12, "HTTP/1.1 200") == 0;
        std::size_t at = buffer_.find("Content-Length: ");
        if (at == std::string::npos || at > end) {
            return -1;
        }
        std::size_t length = std::stoul(buffer_.substr(at + 16));
        while (buffer_.size() < end + 4 + length) {
            if (!Fill()) {
                return -1;
            }
        }
        buffer_.erase(0, end + 4 + length);
        return okStatus ? static_cast<long>(length) : -1;
    }

  private:
    bool Fill() {
        char chunk[16384];
        ssize_t n = recv(fd_, chunk, sizeof(chunk), 0);
        if (n <= 0) {
            return false;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    int fd_;
    bool ok_ = false;
    std::string buffer_;
};

void BM_SitePages(benchmark::State& state) {
    SiteOptions options;
    options.port = 0;
    options.threads = 16;
    std::string error;
    SiteHandle site = StartSite(options, error);
    if (!site) {
        state.SkipWithError(error.c_str());
        return;
    }
    const int port = SitePort(*site);
    std::vector<std::string> paths;
    for (const SiteCity& city : SiteCities()) {
        paths.push_back(SitePagePath(city));
    }
    std::vector<double> latencies;
    long long pages = 0;
    long long failures = 0;
    double seconds = 0;
    for (auto _ : state) {
        std::vector<std::vector<double>> perClient(Connections);
        std::vector<long long> failed(Connections, 0);
        auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> clients;
        for (int c = 0; c < Connections; ++c) {
            clients.emplace_back([&, c] {
                PageClient client(port);
                std::size_t next = static_cast<std::size_t>(c) * 297;
                for (int i = 0; i < PagesPerConnection; ++i) {
                    const std::string& path = paths[(next + i * 7) % paths.size()];
                    auto t0 = std::chrono::steady_clock::now();
                    long bytes = client.Get(path);
                    auto t1 = std::chrono::steady_clock::now();
                    if (bytes <= 0) {
                        ++failed[c];
                        return;
                    }
                    perClient[c].push_back(
                        std::chrono::duration<double, std::milli>(t1 - t0).count());
                }
            });
        }
        for (std::thread& t : clients) {
            t.join();
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (int c = 0; c < Connections; ++c) {
            pages += static_cast<long long>(perClient[c].size());
            latencies.insert(latencies.end(), perClient[c].begin(), perClient[c].end());
            failures += failed[c];
        }
    }
    if (failures > 0) {
        state.SkipWithError("a page request failed");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies.empty() ? 0.0
                                 : latencies[static_cast<std::size_t>(p * (latencies.size() - 1))];
    };
    state.counters["pages_per_second"] = seconds > 0 ? pages / seconds : 0;
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p99_ms"] = percentile(0.99);
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_SitePages)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Building one forecast page, without the network.
void BM_ForecastPage(benchmark::State& state) {
    const std::vector<SiteCity>& cities = SiteCities();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ForecastPage(cities[i++ % cities.size()], 20103));
    }
}
BENCHMARK(BM_ForecastPage);

}  // namespace
