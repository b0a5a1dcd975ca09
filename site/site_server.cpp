// The HTTP server: routing, the request log, the fault modes, and a connection loop of our own
// that bounds each request's bytes and knows its socket (for resets and stalls).
#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "site.h"
#include "site_activation.h"

namespace {

// Request line, headers and any body together; a request that sends more is cut off.
constexpr std::size_t RequestByteLimit = 128 * 1024;
constexpr std::size_t BodyByteLimit = 64 * 1024;
constexpr std::size_t TargetByteLimit = 2048;
constexpr std::size_t QueuedConnectionLimit = 256;
constexpr int ListenBacklog = 128;
const char HtmlType[] = "text/html; charset=gb2312";

// Waits happen in slices this long, so that a stop is seen within one slice.
constexpr int WaitSliceMs = 100;

bool WaitSocket(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
}

// True once the peer has closed its side or the socket failed.
bool PeerGone(int fd) {
    pollfd p{fd, POLLRDHUP, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

void AddressOf(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof(addr);
    int r = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len)
                 : getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    if (r != 0) {
        return;
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        auto* a = reinterpret_cast<sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &a->sin_addr, text, sizeof(text));
        port = ntohs(a->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof(text));
        port = ntohs(a->sin6_port);
    }
    ip = text;
}

// One client connection: buffered reads with a byte budget and a deadline per request, and
// waits that give up when the site stops.
class Connection : public httplib::Stream {
  public:
    Connection(int fd, int readTimeoutMs, int writeTimeoutMs, int requestDeadlineMs,
               const std::atomic<bool>& stopping)
        : fd_(fd),
          readTimeoutMs_(readTimeoutMs),
          writeTimeoutMs_(writeTimeoutMs),
          requestDeadlineMs_(requestDeadlineMs),
          stopping_(stopping) {}

    bool is_readable() const override { return pos_ < len_ || Wait(POLLIN, readTimeoutMs_, true); }
    bool is_writable() const override { return Wait(POLLOUT, writeTimeoutMs_, false); }

    ssize_t read(char* ptr, size_t size) override {
        if (used_ >= RequestByteLimit) {
            overLimit = true;
            return -1;
        }
        if (pos_ == len_) {
            if (!Wait(POLLIN, readTimeoutMs_, true)) {
                return -1;
            }
            ssize_t n;
            do {
                n = recv(fd_, buffer_, sizeof(buffer_), 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) {
                return n;
            }
            pos_ = 0;
            len_ = static_cast<std::size_t>(n);
        }
        std::size_t n = std::min({size, len_ - pos_, RequestByteLimit - used_});
        std::memcpy(ptr, buffer_ + pos_, n);
        pos_ += n;
        used_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) {
            return -1;
        }
        ssize_t n;
        do {
            n = send(fd_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        AddressOf(fd_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        AddressOf(fd_, false, ip, port);
    }
    socket_t socket() const override { return fd_; }

    bool HasBuffered() const { return pos_ < len_; }
    void StartRequest() {
        // The request line, headers and body must all arrive by then: a client dripping a byte
        // at a time would otherwise hold a worker for as long as it likes.
        deadline_ =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(requestDeadlineMs_);
        used_ = 0;
        overLimit = false;
        logged = false;
        close = false;
    }

    // Set by the handlers of the current request.
    bool overLimit = false;
    bool logged = false;
    bool close = false;

  private:
    // Up to timeoutMs (and, for the request's reads, no later than its deadline), in slices.
    bool Wait(short events, int timeoutMs, bool request) const {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (request && deadline_ < until) {
            until = deadline_;
        }
        for (;;) {
            if (stopping_) {
                return false;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            until - std::chrono::steady_clock::now())
                            .count();
            if (left <= 0) {
                return false;
            }
            if (WaitSocket(fd_, events, static_cast<int>(std::min<long long>(left, WaitSliceMs)))) {
                return true;
            }
        }
    }

    int fd_;
    int readTimeoutMs_;
    int writeTimeoutMs_;
    int requestDeadlineMs_;
    const std::atomic<bool>& stopping_;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    char buffer_[8192];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::size_t used_ = 0;
};

thread_local Connection* currentConnection = nullptr;

// A fixed set of workers and a bounded queue: a burst of connections waits in the kernel's
// backlog instead of in our memory.
class BoundedPool : public httplib::TaskQueue {
  public:
    explicit BoundedPool(int threads) {
        for (int i = 0; i < threads; ++i) {
            workers_.emplace_back([this] { Work(); });
        }
    }

    void enqueue(std::function<void()> fn) override {
        std::unique_lock<std::mutex> lock(mutex_);
        spaceFree_.wait(lock, [&] { return jobs_.size() < QueuedConnectionLimit || shutdown_; });
        jobs_.push_back(std::move(fn));
        jobReady_.notify_one();
    }

    void shutdown() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            shutdown_ = true;
        }
        jobReady_.notify_all();
        spaceFree_.notify_all();
        for (std::thread& t : workers_) {
            t.join();
        }
    }

  private:
    void Work() {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                jobReady_.wait(lock, [&] { return !jobs_.empty() || shutdown_; });
                if (jobs_.empty()) {
                    return;
                }
                fn = std::move(jobs_.front());
                jobs_.pop_front();
                spaceFree_.notify_one();
            }
            fn();
        }
    }

    std::vector<std::thread> workers_;
    std::deque<std::function<void()>> jobs_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable spaceFree_;
    bool shutdown_ = false;
};

// The connections of each client address. Past the limit a new connection closes the client's
// connection that has waited longest for its next request; when every one is busy, the new one is
// closed instead. So no one address holds more than its share of the workers.
class ClientTable {
  public:
    struct Slot {
        std::string client;
        int fd = -1;
        bool idle = true;  // waiting for a request (a new connection has not sent one yet)
        unsigned long long idleSince = 0;
    };

    explicit ClientTable(int perClient) : perClient_(std::max(1, perClient)) {}

    bool Join(Slot& slot) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Slot*>& slots = clients_[slot.client];
        if (static_cast<int>(slots.size()) >= perClient_) {
            auto oldest = slots.end();
            for (auto it = slots.begin(); it != slots.end(); ++it) {
                if ((*it)->idle &&
                    (oldest == slots.end() || (*it)->idleSince < (*oldest)->idleSince)) {
                    oldest = it;
                }
            }
            if (oldest == slots.end()) {
                if (slots.empty()) {
                    clients_.erase(slot.client);
                }
                return false;
            }
            // Its worker sees the connection end and closes it; the descriptor is still its own
            // because owners leave the table (under this lock) before they close.
            ::shutdown((*oldest)->fd, SHUT_RDWR);
            slots.erase(oldest);
        }
        slot.idle = true;
        slot.idleSince = ++clock_;
        slots.push_back(&slot);
        return true;
    }

    void Leave(Slot& slot) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = clients_.find(slot.client);
        if (it == clients_.end()) {
            return;
        }
        std::vector<Slot*>& slots = it->second;
        slots.erase(std::remove(slots.begin(), slots.end(), &slot), slots.end());
        if (slots.empty()) {
            clients_.erase(it);
        }
    }

    void SetIdle(Slot& slot, bool idle) {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.idle = idle;
        if (idle) {
            slot.idleSince = ++clock_;
        }
    }

  private:
    const int perClient_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::vector<Slot*>> clients_;
    unsigned long long clock_ = 0;
};

class PageServer : public httplib::Server {
  public:
    PageServer(const std::atomic<bool>& stopping, int perClient, int requestDeadlineMs,
               SiteIdleClock* idle)
        : stopping_(stopping),
          clients_(perClient),
          requestDeadlineMs_(requestDeadlineMs),
          idle_(idle) {}

    // cpp-httplib 0.11 has no call to serve a socket made elsewhere; its own is this member.
    void Adopt(int fd) { svr_sock_ = fd; }
    // Ends the accept loop of an adopted socket without the library's shutdown(), which would
    // stop the socket for the service manager too, which keeps it for the next start.
    void Release() { svr_sock_ = INVALID_SOCKET; }

    void WidenBacklog() {
        int fd = svr_sock_;
        if (fd != INVALID_SOCKET) {
            ::listen(fd, ListenBacklog);
        }
    }

  private:
    // Keep-alive loop in the manner of the library's, over our own stream.
    bool process_and_close_socket(socket_t sock) override {
        SiteIdleClock::Busy busy(idle_);
        ClientTable::Slot slot;
        int port = 0;
        AddressOf(sock, true, slot.client, port);
        slot.fd = sock;
        if (!clients_.Join(slot)) {
            ::shutdown(sock, SHUT_RDWR);
            ::close(sock);
            return false;
        }
        int one = 1;
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        Connection connection(sock, static_cast<int>(read_timeout_sec_ * 1000),
                              static_cast<int>(write_timeout_sec_ * 1000), requestDeadlineMs_,
                              stopping_);
        currentConnection = &connection;
        bool ok = true;
        for (std::size_t count = keep_alive_max_count_; count > 0; --count) {
            clients_.SetIdle(slot, true);
            if (!WaitForRequest(connection)) {
                break;
            }
            clients_.SetIdle(slot, false);
            connection.StartRequest();
            bool closed = false;
            ok = process_request(connection, count == 1, closed, nullptr);
            if (!ok || closed || connection.close || connection.overLimit) {
                break;
            }
        }
        currentConnection = nullptr;
        clients_.Leave(slot);
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ok;
    }

    bool WaitForRequest(const Connection& connection) {
        if (connection.HasBuffered()) {
            return true;
        }
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
        while (svr_sock_ != INVALID_SOCKET && !stopping_) {
            if (WaitSocket(connection.socket(), POLLIN, 100)) {
                return true;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
        }
        return false;
    }

    const std::atomic<bool>& stopping_;
    ClientTable clients_;
    const int requestDeadlineMs_;
    SiteIdleClock* idle_;
};

}  // namespace

struct SiteServer {
    SiteOptions options;
    std::atomic<FaultMode> fault{FaultMode::None};
    std::atomic<bool> stopping{false};
    std::unique_ptr<PageServer> http;
    std::thread thread;
    int port = 0;
    std::mutex logMutex;
    std::FILE* log = nullptr;
    GatewayHandle gateway;
};

namespace {

std::string Escaped(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7f || c == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof(hex), "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// One line per request: method, target, status, body length, then each header as
// "Name: value", all separated by tabs; control bytes, bytes above 0x7e and "\" as \xNN.
void LogRequest(SiteServer& site, const httplib::Request& req, int status, long long bodyLength) {
    if (currentConnection != nullptr) {
        currentConnection->logged = true;
    }
    if (site.log == nullptr) {
        return;
    }
    std::string line = Escaped(req.method) + "\t" + Escaped(req.target) +
                       "\tstatus=" + std::to_string(status) +
                       "\tbody=" + std::to_string(bodyLength);
    for (const auto& [name, value] : req.headers) {
        // The library files the peer's address among the headers; it was never sent.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
            name == "LOCAL_PORT") {
            continue;
        }
        line += "\t" + Escaped(name) + ": " + Escaped(value);
    }
    line += "\n";
    std::lock_guard<std::mutex> lock(site.logMutex);
    std::fputs(line.c_str(), site.log);
    std::fflush(site.log);
}

void SetPage(httplib::Response& res, int status, std::string page) {
    res.status = status;
    res.set_content(std::move(page), HtmlType);
}

bool IsLoopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" ||
           address.rfind("::ffff:127.", 0) == 0;
}

// Sleeps in short steps; false when the server stops or the client hangs up first.
bool Pause(const SiteServer& site, int fd, int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (site.stopping || PeerGone(fd)) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 20)));
    }
    return true;
}

// Aborts the connection with a reset once what was sent has reached the peer.
void ResetConnection(int fd) {
    for (int i = 0; i < 100; ++i) {
        int unsent = 0;
        if (ioctl(fd, SIOCOUTQ, &unsent) != 0 || unsent == 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Disconnecting a TCP socket (AF_UNSPEC) sends RST on Linux and leaves the descriptor for
    // the connection loop to close.
    sockaddr unspec{};
    unspec.sa_family = AF_UNSPEC;
    connect(fd, &unspec, sizeof(unspec));
}

// The huge page: the normal page up to its forecast table, an HTML comment of filler, the rest.
void ServeHuge(SiteServer& site, httplib::Response& res, const std::string& page) {
    res.status = 200;
    std::size_t split = ForecastTableEnd(page);
    auto head = std::make_shared<std::string>(page.substr(0, split) + "\r\n<!--");
    auto tail = std::make_shared<std::string>("-->\r\n" + page.substr(split));
    const std::size_t total = HugePageBytes;
    const std::size_t fillerEnd = total - tail->size();
    SiteServer* s = &site;
    res.set_content_provider(
        total, HtmlType,
        [s, head, tail, fillerEnd](size_t offset, size_t, httplib::DataSink& sink) {
            static const std::string filler = [] {
                std::string line = "weather site filler line ";
                std::string block;
                while (block.size() < 65536) {
                    block += line;
                }
                return block.substr(0, 65536);
            }();
            if (s->stopping) {
                return false;
            }
            // One piece per call straight from its source; the library calls again for more.
            if (offset < head->size()) {
                return sink.write(head->data() + offset, head->size() - offset);
            }
            if (offset < fillerEnd) {
                std::size_t from = (offset - head->size()) % filler.size();
                std::size_t n = std::min(fillerEnd - offset, filler.size() - from);
                return sink.write(filler.data() + from, n);
            }
            return sink.write(tail->data() + (offset - fillerEnd), total - offset);
        });
}

void ServeTrickle(SiteServer& site, httplib::Response& res, const std::string& page) {
    res.status = 200;
    auto body = std::make_shared<std::string>(page);
    int fd = currentConnection->socket();
    SiteServer* s = &site;
    res.set_content_provider(body->size(), HtmlType,
                             [s, body, fd](size_t offset, size_t length, httplib::DataSink& sink) {
                                 std::size_t n = std::min<std::size_t>(length, TricklePieceBytes);
                                 if (!sink.write(body->data() + offset, n)) {
                                     return false;
                                 }
                                 return offset + n >= body->size() || Pause(*s, fd, TricklePauseMs);
                             });
}

void ServeStall(SiteServer& site, httplib::Response& res, std::size_t size) {
    res.status = 200;
    int fd = currentConnection->socket();
    SiteServer* s = &site;
    res.set_content_provider(size, HtmlType, [s, fd](size_t, size_t, httplib::DataSink&) {
        // Headers are out; send nothing until the client gives up (at most ten minutes).
        Pause(*s, fd, 600000);
        return false;
    });
}

void ServeReset(httplib::Response& res, const std::string& page) {
    res.status = 200;
    auto body = std::make_shared<std::string>(page);
    int fd = currentConnection->socket();
    res.set_content_provider(
        body->size(), HtmlType, [body, fd](size_t offset, size_t, httplib::DataSink& sink) {
            std::size_t half = body->size() / 2;
            if (offset < half && !sink.write(body->data() + offset, half - offset)) {
                return false;
            }
            ResetConnection(fd);
            return false;
        });
}

long long Today(const SiteServer& site) {
    return site.options.today >= 0 ? site.options.today : ChinaToday();
}

// The city's page from the configured source; only the page-shaping modes shape it.
CityPage PageOf(SiteServer& site, const SiteCity& city, FaultMode fault) {
    return GatewayPage(*site.gateway, city, Today(site), fault);
}

void ServeCity(SiteServer& site, const SiteCity& city, httplib::Response& res) {
    FaultMode fault = site.fault;
    switch (fault) {
        case FaultMode::NotFound:
            SetPage(res, 404, NotFoundPage());
            return;
        case FaultMode::ServerError:
            SetPage(res, 500, ServerErrorPage());
            return;
        case FaultMode::Empty:
            SetPage(res, 200, std::string());
            return;
        case FaultMode::Redirect: {
            const std::vector<SiteCity>& cities = SiteCities();
            const SiteCity& next = cities[(city.index + 1) % cities.size()];
            SetPage(
                res, 302,
                "<html><body><a href=\"" + SitePagePath(next) + "\">Moved</a></body></html>\r\n");
            res.set_header("Location", SitePagePath(next));
            return;
        }
        case FaultMode::Huge:
            ServeHuge(site, res, PageOf(site, city, FaultMode::None).body);
            return;
        case FaultMode::Trickle:
            ServeTrickle(site, res, PageOf(site, city, FaultMode::None).body);
            return;
        case FaultMode::Stall:
            ServeStall(site, res, PageOf(site, city, FaultMode::None).body.size());
            return;
        case FaultMode::Reset:
            ServeReset(res, PageOf(site, city, FaultMode::None).body);
            return;
        default: {
            CityPage page = PageOf(site, city, fault);
            SetPage(res, page.status, std::move(page.body));
            return;
        }
    }
}

void ServeControl(SiteServer& site, const httplib::Request& req, httplib::Response& res) {
    if (!IsLoopback(req.remote_addr)) {
        SetPage(res, 404, NotFoundPage());
        return;
    }
    if (req.has_param("mode")) {
        FaultMode mode;
        if (!ParseFaultMode(req.get_param_value("mode"), mode)) {
            std::string names;
            for (FaultMode m : AllFaultModes()) {
                names += " " + std::string(FaultModeName(m));
            }
            res.status = 400;
            res.set_content("unknown fault mode; known:" + names + "\n", "text/plain");
            return;
        }
        site.fault = mode;
    }
    res.status = 200;
    res.set_content("fault " + std::string(FaultModeName(site.fault)) + "\n", "text/plain");
}

// "/image/b7.gif" gives 7; -1 for anything else, leading zeros included.
int IconNumber(std::string_view path) {
    const std::string_view prefix = "/image/b";
    const std::string_view suffix = ".gif";
    if (path.size() <= prefix.size() + suffix.size() || path.substr(0, prefix.size()) != prefix ||
        path.substr(path.size() - suffix.size()) != suffix) {
        return -1;
    }
    std::string_view digits =
        path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    if (digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) {
        return -1;
    }
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return -1;
        }
        n = n * 10 + (c - '0');
    }
    return n <= 31 ? n : -1;
}

void Route(SiteServer& site, const httplib::Request& req, httplib::Response& res) {
    const std::string& path = req.path;
    if (path == "/" || path == "/index.htm") {
        SetPage(res, 200, SiteIndexPage());
        return;
    }
    if (path == "/control/fault") {
        ServeControl(site, req, res);
        return;
    }
    if (int icon = IconNumber(path); icon >= 0 && !SiteIcon(icon).empty()) {
        res.status = 200;
        res.set_content(std::string(SiteIcon(icon)), "image/gif");
        return;
    }
    const std::string_view weather = "/weather/";
    const std::string_view htm = ".htm";
    std::string_view rest(path);
    if (rest.substr(0, weather.size()) == weather && rest.size() > weather.size() + htm.size() &&
        rest.substr(rest.size() - htm.size()) == htm) {
        rest = rest.substr(weather.size(), rest.size() - weather.size() - htm.size());
        std::size_t slash = rest.find('/');
        if (slash != std::string_view::npos &&
            rest.find('/', slash + 1) == std::string_view::npos) {
            std::string_view slug = rest.substr(0, slash);
            std::string_view page = rest.substr(slash + 1);
            if (page == "index") {
                if (const SiteProvince* province = FindSiteProvince(slug)) {
                    SetPage(res, 200, ProvincePage(*province));
                    return;
                }
            } else if (const SiteCity* city = FindSiteCity(slug, page)) {
                ServeCity(site, *city, res);
                return;
            }
        }
    }
    SetPage(res, 404, NotFoundPage());
}

// The library leaves a GET's body in the stream; read it here (bounded) so the log can tell its
// length and the next request on the connection starts where it should.
long long ReadGetBody(const httplib::Request& req, bool& bad) {
    bad = false;
    if (req.has_header("Transfer-Encoding")) {
        bad = true;
        return -1;
    }
    if (!req.has_header("Content-Length")) {
        return 0;
    }
    const std::string value = req.get_header_value("Content-Length");
    if (value.empty() || value.size() > 9 ||
        value.find_first_not_of("0123456789") != std::string::npos) {
        bad = true;
        return -1;
    }
    std::size_t length = std::stoul(value);
    if (length > BodyByteLimit || currentConnection == nullptr) {
        bad = true;
        return static_cast<long long>(length);
    }
    char buffer[4096];
    for (std::size_t got = 0; got < length;) {
        ssize_t n = currentConnection->read(buffer, std::min(sizeof(buffer), length - got));
        if (n <= 0) {
            bad = true;
            return static_cast<long long>(got);
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(length);
}

void Handle(SiteServer& site, const httplib::Request& req, httplib::Response& res) {
    long long bodyLength = static_cast<long long>(req.body.size());
    // Two lengths, or a length beside chunking, let two parsers see two different requests.
    if (req.get_header_value_count("Content-Length") > 1 ||
        (req.has_header("Content-Length") && req.has_header("Transfer-Encoding"))) {
        if (currentConnection != nullptr) {
            currentConnection->close = true;
        }
        res.set_header("Connection", "close");
        SetPage(res, 400, BadRequestPage());
        LogRequest(site, req, res.status, bodyLength);
        return;
    }
    if (req.method == "GET" || req.method == "HEAD") {
        bool bad = false;
        bodyLength = ReadGetBody(req, bad);
        if (bad) {
            if (currentConnection != nullptr) {
                currentConnection->close = true;
            }
            res.set_header("Connection", "close");
            SetPage(res, 400, BadRequestPage());
            LogRequest(site, req, res.status, bodyLength);
            return;
        }
    }
    if (req.target.size() > TargetByteLimit) {
        SetPage(res, 400, BadRequestPage());
    } else if (req.method != "GET" && req.method != "HEAD") {
        SetPage(res, 405, BadRequestPage());
        res.set_header("Allow", "GET, HEAD");
    } else {
        Route(site, req, res);
    }
    LogRequest(site, req, res.status, bodyLength);
}

void Configure(SiteServer& site) {
    PageServer& http = *site.http;
    int threads = std::max(2, site.options.threads);
    http.new_task_queue = [threads] { return new BoundedPool(threads); };
    // Only SO_REUSEADDR: SO_REUSEPORT would let a second site share the port unnoticed.
    http.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    http.set_payload_max_length(BodyByteLimit);
    http.set_keep_alive_max_count(10000);
    http.set_keep_alive_timeout(5);
    http.set_read_timeout(5);
    http.set_write_timeout(5);
    SiteServer* s = &site;
    auto handler = [s](const httplib::Request& req, httplib::Response& res) {
        Handle(*s, req, res);
    };
    http.Get(".*", handler);
    http.Post(".*", handler);
    http.Put(".*", handler);
    http.Patch(".*", handler);
    http.Delete(".*", handler);
    http.Options(".*", handler);
    // Errors the library answers itself (malformed requests, over-long lines) get our page,
    // as 400, and close the connection.
    httplib::Server::HandlerWithResponse errorPage = [](const httplib::Request&,
                                                        httplib::Response& res) {
        if (!res.body.empty()) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        if (res.status != 404) {
            res.status = 400;
            if (currentConnection != nullptr) {
                currentConnection->close = true;
            }
        }
        res.set_content(res.status == 404 ? NotFoundPage() : BadRequestPage(), HtmlType);
        return httplib::Server::HandlerResponse::Handled;
    };
    http.set_error_handler(errorPage);
    http.set_logger([s](const httplib::Request& req, const httplib::Response& res) {
        if (currentConnection == nullptr || !currentConnection->logged) {
            LogRequest(*s, req, res.status, static_cast<long long>(req.body.size()));
        }
    });
}

}  // namespace

void SiteServerStop::operator()(SiteServer* site) const {
    if (site == nullptr) {
        return;
    }
    site->stopping = true;
    if (site->gateway) {
        StopGateway(*site->gateway);
    }
    if (site->options.listenFd >= 0) {
        site->http->Release();
    } else {
        site->http->stop();
    }
    if (site->thread.joinable()) {
        site->thread.join();
    }
    if (site->options.listenFd >= 0) {
        close(site->options.listenFd);
    }
    if (site->log != nullptr) {
        std::fclose(site->log);
    }
    delete site;
}

SiteHandle StartSite(const SiteOptions& options, std::string& error) {
    SiteHandle site(new SiteServer);
    site->options = options;
    site->fault = options.fault;
    site->http = std::make_unique<PageServer>(site->stopping, options.connectionsPerClient,
                                              options.requestDeadlineMs, options.idle);
    if (!options.logPath.empty()) {
        site->log = std::fopen(options.logPath.c_str(), "a");
        if (site->log == nullptr) {
            error = "cannot open the log " + options.logPath + ": " + std::strerror(errno);
            return nullptr;
        }
    }
    site->gateway = OpenGateway(options.gateway, error);
    if (!site->gateway) {
        return nullptr;
    }
    Configure(*site);
    if (options.listenFd >= 0) {
        site->http->Adopt(options.listenFd);
        // The accept loop looks at the socket between waits, so that Release can end it.
        site->http->set_idle_interval(0, 100000);
        site->port = SocketPort(options.listenFd);
    } else if (options.port == 0) {
        site->port = site->http->bind_to_any_port(options.bind);
    } else if (site->http->bind_to_port(options.bind, options.port)) {
        site->port = options.port;
    } else {
        site->port = -1;
    }
    if (site->port <= 0) {
        error = "cannot listen on " + options.bind + ":" + std::to_string(options.port);
        return nullptr;
    }
    site->http->WidenBacklog();
    PageServer* http = site->http.get();
    site->thread = std::thread([http] { http->listen_after_bind(); });
    // Stopping before the accept loop runs would be lost; wait until it does.
    for (int i = 0; i < 5000 && !http->is_running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return site;
}

int SitePort(const SiteServer& server) {
    return server.port;
}

void SetSiteFault(SiteServer& server, FaultMode mode) {
    server.fault = mode;
}
