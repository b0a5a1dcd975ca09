// The site over real loopback HTTP: every city's page as the program cuts it, the other pages,
// the request log, the fault modes, and requests that must not reach anything.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "query/query.h"
#include "raw_http.h"
#include "site.h"

namespace {

const long long Today = 20103;  // 2025-01-15

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// What the program makes of a page body; the table is the local page without its frame.
struct Cut {
    std::string heading;
    std::string table;
};
Cut CutPage(const std::string& body) {
    ForecastCut cut = CutForecast(BytesToText(body));
    std::string table = cut.localPage;
    if (table.size() >= PageHead.size() + PageTail.size()) {
        table = table.substr(PageHead.size(), table.size() - PageHead.size() - PageTail.size());
    }
    return {cut.cityTitle, table};
}

// The cut table holds the five days of the city's forecast, icons pointed at the image folder.
void ExpectFiveDays(const SiteCity& city, const Cut& cut) {
    EXPECT_EQ(cut.heading, ForecastHeading(city)) << SitePagePath(city);
    ASSERT_EQ(cut.table.rfind("<table", 0), 0u) << SitePagePath(city);
    EXPECT_EQ(Count(cut.table, "</table>"), 1) << SitePagePath(city);
    EXPECT_EQ(Count(cut.table, "<td width=\"20%\">"), 5) << SitePagePath(city);
    EXPECT_EQ(cut.table.find("/image/"), std::string::npos);
    std::size_t at = 0;
    for (const DayForecast& day : ForecastDays(city, Today, 5)) {
        for (int code : {day.dayCode, day.nightCode}) {
            std::string icon = "\"image/b" + std::to_string(code) + ".gif\"";
            at = cut.table.find(icon, at);
            ASSERT_NE(at, std::string::npos) << SitePagePath(city) << " " << icon;
        }
    }
}

class SiteServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        logPath_ = ::testing::TempDir() + "site_test_" + std::to_string(getpid()) + ".log";
        std::remove(logPath_.c_str());
        SiteOptions options;
        options.port = 0;
        options.today = Today;
        options.logPath = logPath_;
        options.threads = 8;
        std::string error;
        site_ = StartSite(options, error);
        ASSERT_TRUE(site_) << error;
        port_ = SitePort(*site_);
    }
    void TearDown() override {
        site_.reset();
        std::remove(logPath_.c_str());
    }

    httplib::Client Client() {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(10);
        return client;
    }
    void SetFault(const std::string& mode) {
        auto res = Client().Get("/control/fault?mode=" + mode);
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 200) << mode;
    }
    const SiteCity& City(int index = 0) { return SiteCities().at(index); }

    SiteHandle site_;
    int port_ = 0;
    std::string logPath_;
};

TEST_F(SiteServerTest, EveryCityPageCutsToItsHeadingAndFiveDays) {
    ASSERT_EQ(SiteCities().size(), 2362u);
    httplib::Client client = Client();
    client.set_keep_alive(true);
    for (const SiteCity& city : SiteCities()) {
        auto res = client.Get(SitePagePath(city));
        ASSERT_TRUE(res) << SitePagePath(city);
        ASSERT_EQ(res->status, 200) << SitePagePath(city);
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=gb2312");
        ExpectFiveDays(city, CutPage(res->body));
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST_F(SiteServerTest, IndexPagesLinkEveryProvinceAndCity) {
    httplib::Client client = Client();
    auto root = client.Get("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status, 200);
    ASSERT_EQ(SiteProvinces().size(), 34u);
    std::size_t linked = 0;
    for (const SiteProvince& province : SiteProvinces()) {
        std::string path = "/weather/" + std::string(province.slug) + "/index.htm";
        EXPECT_NE(root->body.find("\"" + path + "\""), std::string::npos) << path;
        auto page = client.Get(path);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200) << path;
        for (const SiteCity& city : SiteCities()) {
            if (city.slug == province.slug) {
                EXPECT_NE(page->body.find("\"" + SitePagePath(city) + "\""), std::string::npos);
                ++linked;
            }
        }
    }
    EXPECT_EQ(linked, SiteCities().size());
}

TEST_F(SiteServerTest, IconsAreTheProjectPictures) {
    httplib::Client client = Client();
    for (int i = 0; i < 32; ++i) {
        std::string file = std::string(SITE_ICONS) + "/b" + std::to_string(i) + ".gif";
        std::string expected = ReadAll(file);
        ASSERT_FALSE(expected.empty()) << file << " is missing";
        auto res = client.Get("/image/b" + std::to_string(i) + ".gif");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_EQ(res->get_header_value("Content-Type"), "image/gif");
        EXPECT_EQ(res->body, expected) << i;
    }
}

TEST_F(SiteServerTest, UnknownPathsGetTheNotFoundPage) {
    const SiteCity& city = City();
    const std::string slug(city.slug);
    std::string lower(city.pageName);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::string paths[] = {
        "/weather/" + slug + "/" + lower + ".htm",  // page names are case-sensitive
        "/weather/" + slug + "/" + std::string(city.pageName) + ".html",
        "/weather/" + slug + "/" + std::string(city.pageName),
        "/weather/nowhere/" + std::string(city.pageName) + ".htm",
        "/weather/" + slug + "/",
        "/weather/" + slug + "/sub/" + std::string(city.pageName) + ".htm",
        "/image/b32.gif",
        "/image/b07.gif",
        "/image/b.gif",
        "/favicon.ico",
        "/control",
    };
    httplib::Client client = Client();
    for (const std::string& path : paths) {
        auto res = client.Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=gb2312") << path;
        EXPECT_NE(res->body.find("charset=gb2312"), std::string::npos) << path;
    }
}

TEST_F(SiteServerTest, TraversalAndMalformedRequestsAreRefused) {
    const std::string targets[] = {
        "/../../../../etc/passwd",
        "/weather/../../../../etc/passwd",
        "/%2e%2e/%2e%2e/%2e%2e/etc/passwd",
        "/image/..%2f..%2f..%2fetc%2fpasswd",
        "/weather/beijing/..%2F..%2F..%2F..%2Fetc%2Fpasswd.htm",
        "/weather/beijing/%00.htm",
        "//etc/passwd",
        "/" + std::string(3000, 'a'),
        "/" + std::string(9000, 'a'),
    };
    for (const std::string& target : targets) {
        RawReply reply = RawExchange(
            port_, "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        int status = RawStatus(reply);
        EXPECT_TRUE(status == 400 || status == 404) << target.substr(0, 60) << " " << status;
        EXPECT_EQ(reply.bytes.find("root:"), std::string::npos);
    }
    const std::string requests[] = {
        "GARBAGE\r\n\r\n",
        "GET\r\n\r\n",
        "GET / HTTP/9.9\r\n\r\n",
        "GET / HTTP/1.1\r\nX-Long: " + std::string(10000, 'x') + "\r\n\r\n",
        "GET / HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n",
        "GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
        "POST / HTTP/1.1\r\nConnection: close\r\nContent-Length: 3\r\n\r\nabc",
    };
    for (const std::string& request : requests) {
        RawReply reply = RawExchange(port_, request);
        int status = RawStatus(reply);
        EXPECT_TRUE(status >= 400 && status < 500) << request.substr(0, 40) << " " << status;
        EXPECT_FALSE(reply.timedOut) << request.substr(0, 40);
    }
}

TEST_F(SiteServerTest, EndlessHeadersAreCutOffAndTheSiteStaysUp) {
    std::string request = "GET / HTTP/1.1\r\nHost: x\r\n";
    while (request.size() < (4u << 20)) {
        request += "X-Filler: " + std::string(100, 'f') + "\r\n";
    }
    RawReply reply = RawExchange(port_, request, 10000);
    EXPECT_FALSE(reply.timedOut);
    EXPECT_NE(RawStatus(reply), 200);
    auto res = Client().Get("/");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
}

TEST_F(SiteServerTest, LogShowsMethodPathHeadersAndBodyLength) {
    httplib::Client client = Client();
    client.set_keep_alive(true);
    const std::string path = SitePagePath(City(3));
    httplib::Headers headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    auto res = client.Get(path, headers);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    // A GET with a body: its length is logged and the connection stays in step.
    RawReply reply = RawExchange(
        port_, "GET " + path + " HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello" +
                   "GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Count(reply.bytes, "HTTP/1.1 200 OK"), 2);

    std::ifstream log(logPath_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("GET\t" + path + "\tstatus=200\tbody=0\t", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("\tContent-Type: application/x-www-form-urlencoded"),
              std::string::npos);
    EXPECT_EQ(lines[0].find("REMOTE_ADDR"), std::string::npos);
    EXPECT_EQ(lines[1].rfind("GET\t" + path + "\tstatus=200\tbody=5\t", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("GET\t/\tstatus=200\tbody=0\t", 0), 0u) << lines[2];
}

TEST_F(SiteServerTest, ControlAddressSetsAndReportsTheMode) {
    httplib::Client client = Client();
    auto bad = client.Get("/control/fault?mode=nonsense");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
    for (FaultMode mode : AllFaultModes()) {
        std::string name(FaultModeName(mode));
        FaultMode parsed;
        ASSERT_TRUE(ParseFaultMode(name, parsed));
        EXPECT_EQ(parsed, mode);
        auto res = client.Get("/control/fault?mode=" + name);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, "fault " + name + "\n");
    }
    auto now = client.Get("/control/fault");
    ASSERT_TRUE(now);
    EXPECT_EQ(now->body, "fault script\n");
}

// Modes whose whole answer arrives: what the status, body and cut show.
struct AnswerCase {
    const char* mode;
    int status;
    void (*check)(const SiteCity& city, const httplib::Response& res);
};

const AnswerCase AnswerCases[] = {
    {"none", 200,
     [](const SiteCity& city, const httplib::Response& res) {
         ExpectFiveDays(city, CutPage(res.body));
     }},
    {"404", 404,
     [](const SiteCity&, const httplib::Response& res) {
         EXPECT_NE(res.body.find("</html>"), std::string::npos);
         EXPECT_EQ(res.get_header_value("Content-Type"), "text/html; charset=gb2312");
     }},
    {"500", 500,
     [](const SiteCity&, const httplib::Response& res) {
         EXPECT_NE(res.body.find("</html>"), std::string::npos);
         EXPECT_EQ(res.get_header_value("Content-Type"), "text/html; charset=gb2312");
     }},
    {"empty", 200,
     [](const SiteCity&, const httplib::Response& res) {
         EXPECT_TRUE(res.body.empty());
         EXPECT_EQ(res.get_header_value("Content-Length"), "0");
     }},
    {"nomarkers", 200,
     [](const SiteCity&, const httplib::Response& res) {
         EXPECT_NE(res.body.find("</html>"), std::string::npos);
         Cut cut = CutPage(res.body);
         EXPECT_EQ(cut.heading, "");
         EXPECT_EQ(cut.table, "</table>");
     }},
    {"uppercase", 200,
     [](const SiteCity& city, const httplib::Response& res) {
         EXPECT_EQ(res.body.find("<table"), std::string::npos);
         EXPECT_EQ(res.body.find("<b>"), std::string::npos);
         Cut cut = CutPage(res.body);
         EXPECT_EQ(cut.heading, ForecastHeading(city));
         EXPECT_EQ(Count(cut.table, "<TD WIDTH=\"20%\">"), 5);
     }},
    {"nested", 200,
     [](const SiteCity& city, const httplib::Response& res) {
         Cut cut = CutPage(res.body);
         EXPECT_EQ(cut.heading, ForecastHeading(city));
         // The cut ends at the inner table's closing tag, inside the temperature row.
         EXPECT_EQ(Count(cut.table, "<td width=\"20%\">"), 5);
         EXPECT_EQ(Count(cut.table, "<table"), 2);
         EXPECT_EQ(Count(cut.table, "</tr>\r\n<tr"), 3);
     }},
    {"onemarker", 200,
     [](const SiteCity& city, const httplib::Response& res) {
         // The lone title is 20 bytes short of the table, so the second search lands on it.
         ExpectFiveDays(city, CutPage(res.body));
         EXPECT_LT(res.body.size(), ForecastPage(city, Today).size());
     }},
    {"zerobyte", 200,
     [](const SiteCity& city, const httplib::Response& res) {
         ASSERT_NE(res.body.find('\0'), std::string::npos);
         EXPECT_GT(res.body.size(), res.body.find('\0') + 1000);
         Cut cut = CutPage(res.body);
         EXPECT_EQ(cut.heading, ForecastHeading(city));
         EXPECT_EQ(cut.table, "</table>");
     }},
    {"script", 200,
     [](const SiteCity& city, const httplib::Response& res) {
         Cut cut = CutPage(res.body);
         EXPECT_EQ(cut.heading, ForecastHeading(city));
         EXPECT_EQ(Count(cut.table, "<script>"), 5);
         EXPECT_GE(Count(cut.table, " onerror=\""), 5);
     }},
};

TEST_F(SiteServerTest, AnsweringFaultModesShapeTheAnswer) {
    const SiteCity& city = City(100);
    for (const AnswerCase& c : AnswerCases) {
        SCOPED_TRACE(c.mode);
        SetFault(c.mode);
        auto res = Client().Get(SitePagePath(city));
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, c.status);
        c.check(city, *res);
        // Other pages keep working whatever the mode.
        auto index = Client().Get("/");
        ASSERT_TRUE(index);
        EXPECT_EQ(index->status, 200);
    }
}

TEST_F(SiteServerTest, FaultChosenAtStartApplies) {
    site_.reset();
    SiteOptions options;
    options.port = 0;
    options.fault = FaultMode::ServerError;
    std::string error;
    site_ = StartSite(options, error);
    ASSERT_TRUE(site_) << error;
    port_ = SitePort(*site_);
    auto res = Client().Get(SitePagePath(City()));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 500);
}

TEST_F(SiteServerTest, RedirectPointsAtTheNextCity) {
    SetFault("redirect");
    httplib::Client client = Client();
    auto res = client.Get(SitePagePath(City(5)));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    EXPECT_EQ(res->get_header_value("Location"), SitePagePath(City(6)));
    SetFault("none");
    auto next = client.Get(res->get_header_value("Location"));
    ASSERT_TRUE(next);
    EXPECT_EQ(CutPage(next->body).heading, ForecastHeading(City(6)));
}

TEST_F(SiteServerTest, HugePageIsStreamedNotHeld) {
    SetFault("huge");
    long before = ResidentKiB();
    unsigned long long received = 0;
    std::string start;
    std::string end;
    httplib::Client client = Client();
    auto res = client.Get(SitePagePath(City(7)), [&](const char* data, size_t length) {
        if (start.size() < 8192) {
            start.append(data, std::min<size_t>(length, 8192 - start.size()));
        }
        end.append(data, length);
        if (end.size() > 8192) {
            end.erase(0, end.size() - 8192);
        }
        received += length;
        return true;
    });
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(received, HugePageBytes);
    EXPECT_GT(received, 64ull << 20);
    // The forecast sits before the filler, the page's end after it.
    EXPECT_EQ(CutPage(start).heading, ForecastHeading(City(7)));
    EXPECT_NE(end.find("</html>"), std::string::npos);
    EXPECT_LT(ResidentKiB() - before, 32 * 1024) << "KiB more resident after the transfer";
}

TEST_F(SiteServerTest, TrickleSendsTheWholePageInPieces) {
    SetFault("trickle");
    const std::string expected = ForecastPage(City(8), Today);
    int pieces = 0;
    std::string body;
    auto res = Client().Get(SitePagePath(City(8)), [&](const char* data, size_t length) {
        ++pieces;
        body.append(data, length);
        return true;
    });
    ASSERT_TRUE(res);
    EXPECT_EQ(body, expected);
    EXPECT_GE(pieces, static_cast<int>(expected.size() / TricklePieceBytes));
}

TEST_F(SiteServerTest, StallSendsHeadersThenNothing) {
    SetFault("stall");
    httplib::Client client = Client();
    client.set_read_timeout(1);
    int status = 0;
    std::string body;
    auto res = client.Get(
        SitePagePath(City(9)),
        [&](const httplib::Response& r) {
            status = r.status;
            return true;
        },
        [&](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
    EXPECT_FALSE(res);
    EXPECT_EQ(res.error(), httplib::Error::Read);
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(body.empty());
    // The stalled worker notices the client leaving; stopping does not wait for it either.
    RawReply stalled =
        RawExchange(port_, "GET " + SitePagePath(City(9)) + " HTTP/1.1\r\n\r\n", 2000);
    EXPECT_TRUE(stalled.timedOut);
    EXPECT_NE(stalled.bytes.find("Content-Length: "), std::string::npos);
}

TEST_F(SiteServerTest, ResetCutsTheBodyInHalf) {
    SetFault("reset");
    const std::string page = ForecastPage(City(10), Today);
    RawReply reply = RawExchange(port_, "GET " + SitePagePath(City(10)) + " HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(reply.reset);
    EXPECT_EQ(RawStatus(reply), 200);
    EXPECT_NE(reply.bytes.find("Content-Length: " + std::to_string(page.size())),
              std::string::npos);
    EXPECT_EQ(RawBody(reply), page.substr(0, page.size() / 2));
}

TEST_F(SiteServerTest, StopsWhileClientsStallAndTrickle) {
    SetFault("stall");
    std::thread stalled([port = port_] {
        RawExchange(port, "GET " + SitePagePath(SiteCities()[0]) + " HTTP/1.1\r\n\r\n", 30000);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    site_.reset();  // returns once every worker has ended; a hang fails the test by timeout
    stalled.join();
}

}  // namespace
