// The weather-site program against a fake forecast service on loopback: real forecasts on the
// page cell by cell, the day/night split, a place in the wrong province, each failure, the
// marked sample pages, and the disk cache across a restart.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fake_upstream.h"
#include "live_site.h"
#include "page_cells.h"
#include "raw_http.h"
#include "site.h"

namespace {

std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

const char ChangpingPath[] = "/weather/beijing/ChangPing.htm";

std::vector<FakeDay> FiveDays() {
    return {
        {"2025-01-15", 3, 3, 2.5, -3.5, 0, 11.5, 0},
        {"2025-01-16", 2, 0, -0.4, -10.6, 0, 5, 90},
        {"2025-01-17", 61, 71, 4.5, -0.5, 12.3, 30, 225},
        {"2025-01-18", 95, 80, 25.49, 18.51, 30, 20, 135},
        {"2025-01-19", 45, 45, 1, -1, 0, 62, 300},
    };
}

std::string Img(int icon, const char* name) {
    return "<img src=\"image/b" + std::to_string(icon) +
           ".gif\" width=\"50\" height=\"46\" alt=\"" + name + "\">";
}

class SiteLive : public testing::Test {
  protected:
    void SetUp() override {
        cacheDir = testing::TempDir() + "site_live_" + std::to_string(getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(cacheDir);
        upstream.SetGeocoding(
            {200, GeocodingJson({{U8(u8"昌平区"), U8(u8"北京市"), 40.2206, 116.2312}})});
        upstream.SetForecast({200, ForecastJson(FiveDays())});
    }
    void TearDown() override {
        upstream.Release();
        std::filesystem::remove_all(cacheDir);
    }
    std::vector<std::string> Args(const std::string& source) const {
        return {"--port",
                "0",
                "--source",
                source,
                "--forecast-api",
                upstream.Base(),
                "--geocoding-api",
                upstream.Base(),
                "--cache-dir",
                cacheDir,
                "--upstream-timeout",
                "1"};
    }

    FakeUpstream upstream;
    std::string cacheDir;
};

TEST_F(SiteLive, RealForecastCellByCell) {
    LiveSite site(Args("openmeteo"));
    ASSERT_GT(site.Port(), 0);
    const std::string before = ChinaClockText(UnixNow());
    LiveSite::Page page = site.Get(ChangpingPath);
    const std::string after = ChinaClockText(UnixNow());
    ASSERT_EQ(page.status, 200);
    CutPage cut = CutOf(page.body);
    EXPECT_EQ(cut.heading, "北京 昌平");
    EXPECT_EQ(CountOf(page.body, "未来五天天气趋势预报"), 2);
    EXPECT_NE(page.body.find("今日天气：阴，3℃ ~ -4℃，北风3-4级"), std::string::npos);
    EXPECT_EQ(page.body.find(SampleNote), std::string::npos);

    std::vector<std::string> cells = CellsOf(cut.table);
    ASSERT_EQ(cells.size(), 26u) << cut.table;
    const std::string attribution = "天气数据：Open-Meteo.com（CC BY 4.0），更新于 ";
    EXPECT_TRUE(cells.back() == attribution + before || cells.back() == attribution + after)
        << cells.back();
    cells.pop_back();
    const std::vector<std::string> expected = {
        "1月15日<br>星期三",
        "1月16日<br>星期四",
        "1月17日<br>星期五",
        "1月18日<br>星期六",
        "1月19日<br>星期日",
        Img(2, "阴"),
        Img(1, "多云") + Img(0, "晴"),
        Img(8, "中雨") + Img(14, "小雪"),
        Img(4, "雷阵雨") + Img(3, "阵雨"),
        Img(18, "雾"),
        "阴",
        "多云转晴",
        "中雨转小雪",
        "雷阵雨转阵雨",
        "雾",
        "3℃ ~ -4℃",
        "0℃ ~ -11℃",
        "5℃ ~ -1℃",
        "25℃ ~ 19℃",
        "1℃ ~ -1℃",
        "北风3-4级",
        "微风",
        "西南风5-6级",
        "东南风4-5级",
        "西北风8-9级",
    };
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(upstream.Geocodings(), 1);
    EXPECT_EQ(upstream.Forecasts(), 1);
}

TEST_F(SiteLive, DayAndNightSplitAtEightAndTwenty) {
    std::vector<FakeDay> days = FiveDays();
    //               0  1  2  3  4  5  6  7   8  9 10 11 12 13 14 15 16 17 18  19  20 21 22 23
    days[0].hours = {0, 0, 0, 0, 0, 0, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 61, 0, 0, 0, 0};
    days[1].hours = {0, 0, 0, 0, 0, 0, 0, 0, 45, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 71, 0, 0, 0};
    days[2].hours = std::vector<int>(24, 2);
    days[3].daytime = 0;  // 晴 by day, 1 (also 晴) by night: one word, one icon
    days[3].night = 1;
    days[3].precipitation = 0;
    upstream.SetForecast({200, ForecastJson(days)});
    LiveSite site(Args("openmeteo"));
    LiveSite::Page page = site.Get(ChangpingPath);
    ASSERT_EQ(page.status, 200);
    std::vector<std::string> cells = CellsOf(CutOf(page.body).table);
    ASSERT_EQ(cells.size(), 26u);
    EXPECT_EQ(cells[5], Img(7, "小雨") + Img(2, "阴"));
    EXPECT_EQ(cells[10], "小雨转阴");
    EXPECT_EQ(cells[6], Img(18, "雾") + Img(14, "小雪"));
    EXPECT_EQ(cells[11], "雾转小雪");
    EXPECT_EQ(cells[7], Img(1, "多云"));
    EXPECT_EQ(cells[12], "多云");
    EXPECT_EQ(cells[8], Img(0, "晴"));
    EXPECT_EQ(cells[13], "晴");
}

TEST_F(SiteLive, PlaceOnlyInOtherProvincesGetsNoForecast) {
    upstream.SetGeocoding({200, GeocodingJson({{U8(u8"昌平"), U8(u8"河北省"), 38.1, 114.5}})});
    LiveSite site(Args("openmeteo"));
    LiveSite::Page page = site.Get(ChangpingPath);
    EXPECT_EQ(page.status, 503);
    EXPECT_EQ(CellsOf(CutOf(page.body).table), std::vector<std::string>{UnavailableNote});
    EXPECT_EQ(upstream.Forecasts(), 0);
}

struct Failure {
    const char* name;
    bool geocoding;  // the failure is the geocoding call's
    FakeReply reply;
};

std::string Broken(const std::string& from, const std::string& to) {
    std::string json = ForecastJson(FiveDays());
    return json.replace(json.find(from), from.size(), to);
}

TEST_F(SiteLive, EachFailureWithoutACacheSaysSoInTheTable) {
    std::vector<FakeDay> four = FiveDays();
    four.pop_back();
    const Failure failures[] = {
        {"time-out", false, {200, ForecastJson(FiveDays()), 3000}},
        {"HTTP 500", false, {500, "{\"error\":true,\"reason\":\"internal\"}"}},
        {"HTTP 429", false, {429, "{\"error\":true,\"reason\":\"limit exceeded\"}"}},
        {"not JSON", false, {200, "<html>Bad gateway</html>"}},
        {"cut-off JSON", false, {200, ForecastJson(FiveDays()).substr(0, 700)}},
        {"no hourly block", false, {200, Broken("\"hourly\":", "\"hourly_gone\":")}},
        {"four days", false, {200, ForecastJson(four)}},
        {"a null",
         false,
         {200, Broken("\"wind_speed_10m_max\":[11.5", "\"wind_speed_10m_max\":[null")}},
        {"geocoding HTTP 503", true, {503, "busy"}},
        {"geocoding not JSON", true, {200, "<html></html>"}},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        std::filesystem::remove_all(cacheDir);
        if (f.geocoding) {
            upstream.SetGeocoding(f.reply);
        } else {
            upstream.SetForecast(f.reply);
        }
        LiveSite site(Args("openmeteo"));
        ASSERT_GT(site.Port(), 0);
        LiveSite::Page page = site.Get(ChangpingPath);
        EXPECT_EQ(page.status, 503);
        CutPage cut = CutOf(page.body);
        EXPECT_EQ(cut.heading, "北京 昌平");
        EXPECT_EQ(CountOf(page.body, "未来五天天气趋势预报"), 2);
        EXPECT_EQ(CellsOf(cut.table), std::vector<std::string>{UnavailableNote});
        EXPECT_EQ(page.body.find("℃"), std::string::npos);
        upstream.SetGeocoding(
            {200, GeocodingJson({{U8(u8"昌平区"), U8(u8"北京市"), 40.2206, 116.2312}})});
        upstream.SetForecast({200, ForecastJson(FiveDays())});
    }
}

TEST_F(SiteLive, AutoShowsTheMarkedSampleWhileTheServiceFails) {
    upstream.SetForecast({429, "{\"error\":true,\"reason\":\"limit exceeded\"}"});
    std::vector<std::string> args = Args("auto");
    args.insert(args.end(), {"--today", "2025-01-15"});
    LiveSite site(args);
    LiveSite::Page page = site.Get(ChangpingPath);
    EXPECT_EQ(page.status, 200);
    const SiteCity& city = *FindSiteCity("beijing", "ChangPing");
    EXPECT_EQ(page.body, ForecastPage(city, DaysFromDate({2025, 1, 15})));
    EXPECT_EQ(CellsOf(CutOf(page.body).table).back(), SampleNote);
    EXPECT_EQ(upstream.Forecasts(), 1);
}

TEST_F(SiteLive, SampleIsTheDefaultMarkedAndOffline) {
    LiveSite site({"--port", "0", "--forecast-api", upstream.Base(), "--geocoding-api",
                   upstream.Base(), "--cache-dir", cacheDir});
    LiveSite::Page page = site.Get(ChangpingPath);
    EXPECT_EQ(page.status, 200);
    std::vector<std::string> cells = CellsOf(CutOf(page.body).table);
    ASSERT_EQ(cells.size(), 26u);
    EXPECT_EQ(cells.back(), SampleNote);
    EXPECT_NE(page.body.find("今日天气（示例数据）："), std::string::npos);
    EXPECT_EQ(upstream.Forecasts() + upstream.Geocodings(), 0);
    EXPECT_FALSE(std::filesystem::exists(cacheDir));
}

TEST_F(SiteLive, RestartServesTheCachedForecastWithoutAsking) {
    std::string first;
    {
        LiveSite site(Args("openmeteo"));
        first = site.Get(ChangpingPath).body;
    }
    upstream.SetForecast({500, "{}"});
    upstream.SetGeocoding({500, "{}"});
    LiveSite again(Args("openmeteo"));
    LiveSite::Page page = again.Get(ChangpingPath);
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.body, first);
    EXPECT_EQ(upstream.Forecasts(), 1);
    EXPECT_EQ(upstream.Geocodings(), 1);
}

TEST_F(SiteLive, CallsGoThroughTheProxyOfTheEnvironment) {
    // Nothing listens at localhost:9: only the proxy (the fake) can answer.
    std::vector<std::string> args = Args("openmeteo");
    args[5] = "http://localhost:9";
    args[7] = "http://localhost:9";
    LiveSite site(args, {{"http_proxy", upstream.Base()},
                         {"HTTP_PROXY", ""},
                         {"all_proxy", ""},
                         {"ALL_PROXY", ""},
                         {"no_proxy", ""},
                         {"NO_PROXY", ""}});
    LiveSite::Page page = site.Get(ChangpingPath);
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(CellsOf(CutOf(page.body).table).size(), 26u);
    EXPECT_EQ(upstream.Forecasts(), 1);
    EXPECT_EQ(upstream.Geocodings(), 1);
}

// A TLS server on loopback whose certificate nobody signed: the site must refuse it.
TEST_F(SiteLive, RefusesACertificateItCannotVerify) {
    const std::string dir = cacheDir + "-tls";
    std::filesystem::create_directories(dir);
    const std::string make =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
        " -keyout '" +
        dir + "/key.pem' -out '" + dir + "/cert.pem' >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    // A free port for the server: taken from the kernel, then let go.
    int port = 0;
    {
        int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        close(probe);
    }
    pid_t server = fork();
    if (server == 0) {
        int quiet = open("/dev/null", O_RDWR);
        dup2(quiet, STDIN_FILENO);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        const std::string accept = "127.0.0.1:" + std::to_string(port);
        const std::string cert = dir + "/cert.pem";
        const std::string key = dir + "/key.pem";
        execlp("openssl", "openssl", "s_server", "-accept", accept.c_str(), "-cert", cert.c_str(),
               "-key", key.c_str(), "-www", static_cast<char*>(nullptr));
        _exit(127);
    }
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } reaper{server};
    // Wait (bounded) until it accepts.
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        up = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        close(s);
        if (!up) {
            usleep(50000);
        }
    }
    ASSERT_TRUE(up) << "openssl s_server did not start";

    std::vector<std::string> args = Args("openmeteo");
    args[7] = "https://127.0.0.1:" + std::to_string(port);  // the geocoding address
    const std::string errors = dir + "/site.err";
    {
        LiveSite site(args, {}, errors);
        LiveSite::Page page = site.Get(ChangpingPath);
        EXPECT_EQ(page.status, 503);
    }
    std::ifstream file(errors);
    const std::string logged{std::istreambuf_iterator<char>(file),
                             std::istreambuf_iterator<char>()};
    EXPECT_NE(logged.find("certificate"), std::string::npos) << logged;
    std::filesystem::remove_all(dir);
}

}  // namespace
