// The fault modes that shape how a page is sent: huge, trickled, stalled, cut off by a reset.
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "site_server_state.h"

namespace {

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

}  // namespace

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
