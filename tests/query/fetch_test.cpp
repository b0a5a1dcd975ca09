// The page fetch against a real HTTP server on the loopback address.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/http_testing.h"
#include "query/query.h"

namespace {

struct SeenRequest {
    std::string method;
    std::string contentType;
    std::string contentLength;
    std::string transferEncoding;
    std::string target;
};

// An HTTP server on 127.0.0.1 and an ephemeral port, for the life of one test.
class LocalServer {
  public:
    LocalServer() {
        // Recorded before the answer goes out, so a test that has its answer sees the request.
        server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
            std::lock_guard<std::mutex> lock(seenLock);
            seen.push_back({request.method, request.get_header_value("Content-Type"),
                            request.get_header_value("Content-Length"),
                            request.get_header_value("Transfer-Encoding"), request.target});
            return httplib::Server::HandlerResponse::Unhandled;
        });
    }
    ~LocalServer() { Stop(); }

    void Start() {
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void Stop() {
        if (thread.joinable()) {
            server.stop();
            thread.join();
        }
    }
    Text Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
    std::vector<SeenRequest> Seen() {
        std::lock_guard<std::mutex> lock(seenLock);
        return seen;
    }

    httplib::Server server;
    int port = 0;

  private:
    std::thread thread;
    std::mutex seenLock;
    std::vector<SeenRequest> seen;
};

using namespace std::string_literals;
const Bytes pageWithZeros = "<html>\xb1\xb1\xbe\xa9\0after zero\0</html>"s;

class Fetch : public testing::Test {
  protected:
    void SetUp() override {
        server.server.Get("/page", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(pageWithZeros, "text/html");
        });
        server.server.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("<html>not here</html>", "text/html");
        });
        server.server.Get(
            R"(/hop/(\d+))", [this](const httplib::Request& request, httplib::Response& response) {
                const int left = std::stoi(request.matches[1]);
                response.set_redirect(left == 0 ? server.Url("/page")
                                                : server.Url("/hop/" + std::to_string(left - 1)));
            });
        server.server.Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("file:///etc/passwd");
        });
        server.Start();
    }

    LocalServer server;
};

TEST_F(Fetch, BodyComesBackExactlyWithZeroBytes) {
    EXPECT_EQ(FetchUrlBytes(server.Url("/page")), pageWithZeros);
}

TEST_F(Fetch, SendsOneGetWithContentTypeAndNoBody) {
    FetchUrlBytes(server.Url("/page"));
    const auto seen = server.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_TRUE(seen[0].contentLength == "" || seen[0].contentLength == "0");
    EXPECT_EQ(seen[0].transferEncoding, "");
    EXPECT_EQ(seen[0].target, "/page");
}

TEST_F(Fetch, ErrorStatusGivesItsBody) {
    EXPECT_EQ(FetchUrlBytes(server.Url("/missing")), "<html>not here</html>");
}

TEST_F(Fetch, TenRedirectsAreFollowedEleventhIsNot) {
    EXPECT_EQ(FetchUrlBytes(server.Url("/hop/9")), pageWithZeros);
    EXPECT_EQ(FetchUrlBytes(server.Url("/hop/10")), "");
}

TEST_F(Fetch, AddressesThatAreNoWebAddressGiveEmptyBytes) {
    const Text addresses[] = {
        "",
        "未知",
        "127.0.0.1:" + std::to_string(server.port) + "/page",
        "file:///etc/passwd",
        "ftp://127.0.0.1:" + std::to_string(server.port) + "/page",
        server.Url("/to-file"),
    };
    for (const Text& address : addresses) {
        EXPECT_EQ(FetchUrlBytes(address), "") << address;
    }
    // Only the redirect to file:// reached the server; nothing else was sent anywhere.
    EXPECT_EQ(server.Seen().size(), 1u);
}

TEST_F(Fetch, SchemeLetterCaseDoesNotMatter) {
    EXPECT_EQ(FetchUrlBytes("HTTP://127.0.0.1:" + std::to_string(server.port) + "/page"),
              pageWithZeros);
}

TEST(FetchFailure, RefusedConnectionGivesEmptyBytes) {
    LocalServer closed;
    closed.Start();
    const Text url = closed.Url("/page");
    closed.Stop();
    EXPECT_EQ(FetchUrlBytes(url), "");
}

// Streams count bytes in 64 KiB chunks, without a length given in advance unless sized.
void ServeBytes(httplib::Server& server, const std::string& path, size_t count, bool sized) {
    auto provide = [count](size_t offset, httplib::DataSink& sink) {
        static const std::string chunk(64 * 1024, 'x');
        if (offset >= count) {
            sink.done();
            return true;
        }
        return sink.write(chunk.data(), std::min(chunk.size(), count - offset));
    };
    server.Get(path, [=](const httplib::Request&, httplib::Response& response) {
        if (sized) {
            response.set_content_provider(count, "text/html",
                                          [=](size_t offset, size_t, httplib::DataSink& sink) {
                                              return provide(offset, sink);
                                          });
        } else {
            response.set_chunked_content_provider("text/html", provide);
        }
    });
}

TEST(FetchLimits, BodyOverSixtyFourMebibytesGivesEmptyBytes) {
    const size_t limit = static_cast<size_t>(HttpMaxBodyBytes);
    LocalServer server;
    ServeBytes(server.server, "/limit", limit, false);
    ServeBytes(server.server, "/streamed", limit + 1, false);
    ServeBytes(server.server, "/sized", limit + 1, true);
    server.Start();
    EXPECT_EQ(FetchUrlBytes(server.Url("/limit")).size(), limit);
    EXPECT_EQ(FetchUrlBytes(server.Url("/streamed")), "");
    EXPECT_EQ(FetchUrlBytes(server.Url("/sized")), "");
}

TEST(FetchLimits, StalledServerGivesEmptyBytes) {
    SetHttpStallSeconds(1);
    std::atomic<bool> release{false};
    std::atomic<bool> gaveUp{false};
    LocalServer server;
    server.server.Get("/stall", [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider(
            "text/html", [&](size_t offset, httplib::DataSink& sink) {
                // curl judges speed over its last few seconds: one byte, then silence.
                if (offset == 0) {
                    return sink.write("<", 1);
                }
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (!release && std::chrono::steady_clock::now() < until) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                gaveUp = !release;
                return false;
            });
    });
    server.Start();
    EXPECT_EQ(FetchUrlBytes(server.Url("/stall")), "");
    // The fetch ended on its own, not because the server finally closed the line.
    EXPECT_FALSE(gaveUp);
    release = true;
    SetHttpStallSeconds(HttpStallSeconds);
}

TEST(FetchLimits, DrippingServerEndsAtTheTotalDeadline) {
    // A byte every 100 ms never trips the stall rule; only the total deadline ends the fetch.
    SetHttpTotalSeconds(2);
    std::atomic<bool> release{false};
    std::atomic<bool> drippedToTheEnd{false};
    LocalServer server;
    server.server.Get("/drip", [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/html", [&](size_t, httplib::DataSink& sink) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!release && std::chrono::steady_clock::now() < until) {
                if (!sink.write("<", 1)) {
                    return false;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            drippedToTheEnd = !release;
            sink.done();
            return true;
        });
    });
    server.Start();
    EXPECT_EQ(FetchUrlBytes(server.Url("/drip")), "");
    // The fetch ended while the server was still dripping.
    EXPECT_FALSE(drippedToTheEnd);
    release = true;
    SetHttpTotalSeconds(HttpTotalSeconds);
}

TEST(FetchProxy, ProxyFromEnvironmentIsUsed) {
    LocalServer proxy;
    proxy.server.Get(".*", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("from proxy", "text/html");
    });
    proxy.Start();
    setenv("http_proxy", proxy.Url("").c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    const Bytes body = FetchUrlBytes("http://weather.invalid/weather/beijing/ChangPing.htm");
    unsetenv("http_proxy");
    EXPECT_EQ(body, "from proxy");
    const auto seen = proxy.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].target, "http://weather.invalid/weather/beijing/ChangPing.htm");
}

}  // namespace
