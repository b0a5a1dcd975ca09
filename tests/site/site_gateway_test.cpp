// The gateway to the forecast service with a clock of the test's own: the half-hour cache, one
// call for concurrent requests, the six-hour stand-in on failures, the rest after a failure, the
// disk cache across restarts, and the auto source's marked fallback.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "fake_upstream.h"
#include "page_cells.h"
#include "site.h"

namespace {

std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

// China time 2025-01-15 10:20:00.
const long long SampleDay = DaysFromDate({2025, 1, 15});
const long long T0 = SampleDay * 86400 + 10 * 3600 + 20 * 60 - 8 * 3600;

const SiteCity& Changping() {
    const SiteCity* city = FindSiteCity("beijing", "ChangPing");
    EXPECT_NE(city, nullptr);
    return *city;
}

std::vector<FakeDay> FiveDays() {
    return {
        {"2025-01-15", 3, 3, 2.5, -3.5, 0, 11.5, 0},
        {"2025-01-16", 2, 0, -0.4, -10.6, 0, 5, 90},
        {"2025-01-17", 61, 71, 4.5, -0.5, 12.3, 30, 225},
        {"2025-01-18", 95, 80, 25.49, 18.51, 30, 20, 135},
        {"2025-01-19", 45, 45, 1, -1, 0, 62, 300},
    };
}

std::string ChangpingPlaces() {
    return GeocodingJson({{U8(u8"昌平区"), U8(u8"北京市"), 40.2206, 116.2312}});
}

bool IsRealPage(const CityPage& page, const char* updated) {
    CutPage cut = CutOf(page.body);
    return page.status == 200 && cut.heading == "北京 昌平" &&
           cut.table.find("3℃ ~ -4℃") != std::string::npos &&
           cut.table.find(std::string("更新于 ") + updated) != std::string::npos;
}

bool IsUnavailablePage(const CityPage& page) {
    CutPage cut = CutOf(page.body);
    return page.status == 503 && cut.heading == "北京 昌平" &&
           CountOf(page.body, "未来五天天气趋势预报") == 2 &&
           CellsOf(cut.table) == std::vector<std::string>{UnavailableNote} &&
           page.body.find("℃") == std::string::npos;
}

bool IsSamplePage(const CityPage& page) {
    return page.status == 200 && page.body == ForecastPage(Changping(), SampleDay) &&
           CutOf(page.body).table.find(SampleNote) != std::string::npos;
}

class GatewayTest : public testing::Test {
  protected:
    void SetUp() override {
        dir = testing::TempDir() + "site_gateway_" + std::to_string(getpid()) + "_" +
              testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(dir);
        upstream.SetGeocoding({200, ChangpingPlaces()});
        upstream.SetForecast({200, ForecastJson(FiveDays())});
    }
    void TearDown() override {
        upstream.Release();
        gateway.reset();
        std::filesystem::remove_all(dir);
    }

    void Open(ForecastSource source = ForecastSource::OpenMeteo, std::string forecastApi = "") {
        GatewayOptions options;
        options.source = source;
        options.forecastApi = forecastApi.empty() ? upstream.Base() : forecastApi;
        options.geocodingApi = upstream.Base();
        options.cacheDir = dir;
        options.upstreamTimeoutMs = 500;
        options.clock = [this] { return now.load(); };
        std::string error;
        gateway = OpenGateway(options, error);
        ASSERT_TRUE(gateway) << error;
    }
    CityPage Get() { return GatewayPage(*gateway, Changping(), SampleDay); }

    FakeUpstream upstream;
    std::atomic<long long> now{T0};
    std::string dir;
    GatewayHandle gateway;
};

TEST_F(GatewayTest, ForecastIsKeptHalfAnHourThenAskedForAgain) {
    Open();
    EXPECT_TRUE(IsRealPage(Get(), "10:20"));
    now = T0 + ForecastFreshSeconds - 1;
    EXPECT_TRUE(IsRealPage(Get(), "10:20"));
    EXPECT_EQ(upstream.Forecasts(), 1);
    now = T0 + ForecastFreshSeconds;
    EXPECT_TRUE(IsRealPage(Get(), "10:50"));
    EXPECT_EQ(upstream.Forecasts(), 2);
    // The coordinates were looked up once.
    EXPECT_EQ(upstream.Geocodings(), 1);
    EXPECT_EQ(GatewayCounts(*gateway).forecasts, 2);
}

TEST_F(GatewayTest, ConcurrentRequestsForOneCityMakeOneCall) {
    Open();
    upstream.Hold();
    std::vector<CityPage> pages(8);
    std::vector<std::thread> requests;
    for (CityPage& page : pages) {
        requests.emplace_back([this, &page] { page = Get(); });
    }
    // The first call waits at the fake; give the others time to arrive behind it.
    for (int i = 0; i < 200 && upstream.Forecasts() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    upstream.Release();
    for (std::thread& t : requests) {
        t.join();
    }
    EXPECT_EQ(upstream.Forecasts(), 1);
    EXPECT_EQ(upstream.Geocodings(), 1);
    for (const CityPage& page : pages) {
        EXPECT_TRUE(IsRealPage(page, "10:20"));
    }
}

struct FailureCase {
    const char* name;
    FakeReply reply;
    bool refused = false;  // nothing listens at the forecast address
};

std::string WithoutDaily() {
    std::string json = ForecastJson(FiveDays());
    return json.substr(0, json.find("\"daily\":")) + "\"x\":1}";
}

std::string FourDays() {
    std::vector<FakeDay> days = FiveDays();
    days.pop_back();
    return ForecastJson(days);
}

std::string NullHigh() {
    std::string json = ForecastJson(FiveDays());
    std::string from = "\"temperature_2m_max\":[2.5";
    return json.replace(json.find(from), from.size(), "\"temperature_2m_max\":[null");
}

const FailureCase Failures[] = {
    {"time-out", {200, ForecastJson(FiveDays()), 3000}},
    {"refused", {}, true},
    {"HTTP 500", {500, "{\"error\":true,\"reason\":\"internal\"}"}},
    {"HTTP 429", {429, "{\"error\":true,\"reason\":\"Minutely API request limit exceeded.\"}"}},
    {"not JSON", {200, "<html><body>Bad gateway</body></html>"}},
    {"cut-off JSON", {200, ForecastJson(FiveDays()).substr(0, 900)}},
    {"no daily block", {200, WithoutDaily()}},
    {"four days", {200, FourDays()}},
    {"a null", {200, NullHigh()}},
};

TEST_F(GatewayTest, EachFailureWithoutACachedForecastGivesTheUnavailablePage) {
    for (const FailureCase& f : Failures) {
        SCOPED_TRACE(f.name);
        std::filesystem::remove_all(dir);
        upstream.SetForecast(f.reply);
        Open(ForecastSource::OpenMeteo, f.refused ? "http://127.0.0.1:1" : "");
        EXPECT_TRUE(IsUnavailablePage(Get()));
        gateway.reset();
    }
}

TEST_F(GatewayTest, EachFailureServesACachedForecastUnderSixHoursOld) {
    for (const FailureCase& f : Failures) {
        SCOPED_TRACE(f.name);
        std::filesystem::remove_all(dir);
        now = T0;
        upstream.SetForecast({200, ForecastJson(FiveDays())});
        Open();
        ASSERT_TRUE(IsRealPage(Get(), "10:20"));
        upstream.SetForecast(f.reply);
        gateway.reset();
        // Reopened on the same cache, pointed where the failure is.
        Open(ForecastSource::OpenMeteo, f.refused ? "http://127.0.0.1:1" : "");
        int calls = upstream.Forecasts();
        now = T0 + ForecastFreshSeconds + 60;
        EXPECT_TRUE(IsRealPage(Get(), "10:20"));
        now = T0 + ForecastStaleSeconds - 1;
        EXPECT_TRUE(IsRealPage(Get(), "10:20"));
        now = T0 + ForecastStaleSeconds + RetryAfterFailureSeconds;
        EXPECT_TRUE(IsUnavailablePage(Get()));
        // Each of the three asked the service again.
        EXPECT_EQ(GatewayCounts(*gateway).forecasts, 3);
        if (!f.refused) {
            EXPECT_EQ(upstream.Forecasts(), calls + 3);
        }
        gateway.reset();
    }
}

TEST_F(GatewayTest, AfterAFailureTheServiceRestsAMinute) {
    upstream.SetForecast({429, "{\"error\":true,\"reason\":\"limit\"}"});
    Open();
    EXPECT_TRUE(IsUnavailablePage(Get()));
    now = T0 + RetryAfterFailureSeconds - 1;
    EXPECT_TRUE(IsUnavailablePage(Get()));
    EXPECT_EQ(upstream.Forecasts(), 1);
    upstream.SetForecast({200, ForecastJson(FiveDays())});
    now = T0 + RetryAfterFailureSeconds;
    EXPECT_TRUE(IsRealPage(Get(), "10:21"));
    EXPECT_EQ(upstream.Forecasts(), 2);
}

TEST_F(GatewayTest, AutoFallsBackToTheMarkedSampleOnlyWithoutAForecast) {
    upstream.SetForecast({503, "busy"});
    Open(ForecastSource::Auto);
    EXPECT_TRUE(IsSamplePage(Get()));
    upstream.SetForecast({200, ForecastJson(FiveDays())});
    now = T0 + RetryAfterFailureSeconds;
    EXPECT_TRUE(IsRealPage(Get(), "10:21"));
    upstream.SetForecast({503, "busy"});
    now = T0 + 3 * 3600;
    EXPECT_TRUE(IsRealPage(Get(), "10:21"));
    now = T0 + RetryAfterFailureSeconds + ForecastStaleSeconds;
    EXPECT_TRUE(IsSamplePage(Get()));
}

TEST_F(GatewayTest, PlacesAndForecastsOutliveARestart) {
    Open();
    ASSERT_TRUE(IsRealPage(Get(), "10:20"));
    gateway.reset();
    now = T0 + 600;
    Open();
    EXPECT_TRUE(IsRealPage(Get(), "10:20"));
    EXPECT_EQ(upstream.Forecasts(), 1);
    gateway.reset();
    now = T0 + 2 * 3600;
    Open();
    EXPECT_TRUE(IsRealPage(Get(), "12:20"));
    EXPECT_EQ(upstream.Forecasts(), 2);
    EXPECT_EQ(upstream.Geocodings(), 1);
}

TEST_F(GatewayTest, APlaceOnlyInOtherProvincesIsNeverForecast) {
    upstream.SetGeocoding({200, GeocodingJson({{U8(u8"昌平"), U8(u8"河北省"), 38.1, 114.5},
                                               {U8(u8"昌平"), U8(u8"广东省"), 23.1, 113.2}})});
    Open();
    EXPECT_TRUE(IsUnavailablePage(Get()));
    EXPECT_EQ(upstream.Forecasts(), 0);
    // The answer is kept: neither a later request nor a restart asks again.
    now = T0 + ForecastStaleSeconds;
    EXPECT_TRUE(IsUnavailablePage(Get()));
    gateway.reset();
    Open();
    EXPECT_TRUE(IsUnavailablePage(Get()));
    EXPECT_EQ(upstream.Geocodings(), 1);
    EXPECT_EQ(upstream.Forecasts(), 0);
}

TEST_F(GatewayTest, AsksTheDocumentedQuestions) {
    Open();
    ASSERT_TRUE(IsRealPage(Get(), "10:20"));
    auto geocoding = upstream.LastGeocodingQuery();
    EXPECT_EQ(geocoding["name"], U8(u8"昌平"));
    EXPECT_EQ(geocoding["language"], "zh");
    EXPECT_EQ(geocoding["countryCode"], "CN");
    EXPECT_EQ(geocoding["count"], "10");
    auto forecast = upstream.LastForecastQuery();
    EXPECT_EQ(forecast["latitude"], "40.2206");
    EXPECT_EQ(forecast["longitude"], "116.2312");
    EXPECT_EQ(forecast["timezone"], "Asia/Shanghai");
    EXPECT_EQ(forecast["forecast_days"], "5");
    EXPECT_EQ(forecast["daily"],
              "weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,"
              "wind_speed_10m_max,wind_direction_10m_dominant");
    EXPECT_EQ(forecast["hourly"], "weather_code");
}

TEST_F(GatewayTest, SampleSourceNeverAsksTheService) {
    Open(ForecastSource::Sample);
    EXPECT_TRUE(IsSamplePage(Get()));
    EXPECT_EQ(upstream.Forecasts() + upstream.Geocodings(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir));
}

}  // namespace
