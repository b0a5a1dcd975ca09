// The HTTP server: starting and stopping a site, and routing each request to its page, the
// control calls or a fault mode. The connection loop, workers, log and fault streams have their
// own files.
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "site.h"
#include "site_server_state.h"

namespace {

void SetPage(httplib::Response& res, int status, std::string page) {
    res.status = status;
    res.set_content(std::move(page), HtmlType);
}

bool IsLoopback(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" ||
           address.rfind("::ffff:127.", 0) == 0;
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
