// The forecast service's answers in our terms: the weather-code table, Beaufort force, wind
// direction, rounding, province names, and what makes a forecast answer unusable.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

#include "fake_upstream.h"
#include "site.h"

namespace {

std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

struct IconCase {
    std::vector<int> wmo;
    double precipitation;
    int icon;
    const char* name;
};

TEST(OpenMeteoCodes, EveryRowOfTheTableGivesItsIcon) {
    const std::vector<int> rain = {51, 53, 55, 61, 63, 65};
    const IconCase cases[] = {
        {{0, 1}, 0, 0, "晴"},
        {{2}, 0, 1, "多云"},
        {{3}, 0, 2, "阴"},
        {{45, 48}, 0, 18, "雾"},
        {rain, 0, 7, "小雨"},
        {rain, 9.99, 7, "小雨"},
        {rain, 10, 8, "中雨"},
        {rain, 24.99, 8, "中雨"},
        {rain, 25, 9, "大雨"},
        {rain, 49.99, 9, "大雨"},
        {rain, 50, 10, "暴雨"},
        {rain, 99.99, 10, "暴雨"},
        {rain, 100, 11, "大暴雨"},
        {rain, 249.99, 11, "大暴雨"},
        {rain, 250, 12, "特大暴雨"},
        {rain, 900, 12, "特大暴雨"},
        {{56, 57, 66, 67}, 5, 19, "冻雨"},
        {{71, 77}, 1, 14, "小雪"},
        {{73}, 1, 15, "中雪"},
        {{75}, 1, 16, "大雪"},
        {{80, 81, 82}, 30, 3, "阵雨"},
        {{85, 86}, 1, 13, "阵雪"},
        {{95}, 12, 4, "雷阵雨"},
        {{96, 99}, 12, 5, "雷阵雨伴有冰雹"},
        // Codes the table does not name have no icon: the answer is not used.
        {{-1, 4, 10, 50, 52, 60, 70, 90, 100}, 0, -1, ""},
    };
    for (const IconCase& c : cases) {
        for (int wmo : c.wmo) {
            EXPECT_EQ(WmoIcon(wmo, c.precipitation), c.icon)
                << "WMO " << wmo << " with " << c.precipitation << " mm";
            EXPECT_EQ(WeatherName(WmoIcon(wmo, c.precipitation)), c.name) << "WMO " << wmo;
        }
    }
}

TEST(OpenMeteoWind, BeaufortForceAtTheBoundaries) {
    const struct {
        double kmh;
        int force;
    } cases[] = {
        {0, 0},       {0.49, 0},   {0.5, 1},     {5.49, 1},   {5.5, 2},   {11.49, 2}, {11.5, 3},
        {19.49, 3},   {19.5, 4},   {28.49, 4},   {28.5, 5},   {38.49, 5}, {38.5, 6},  {49.49, 6},
        {49.5, 7},    {61.49, 7},  {61.5, 8},    {74.49, 8},  {74.5, 9},  {88.49, 9}, {88.5, 10},
        {102.49, 10}, {102.5, 11}, {117.49, 11}, {117.5, 12}, {400, 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BeaufortForce(c.kmh), c.force) << c.kmh << " km/h";
    }
}

TEST(OpenMeteoWind, DirectionNamesWhereTheWindComesFrom) {
    const struct {
        double degrees;
        const char* from;
    } cases[] = {
        {0, "北"},        {22.49, "北"},    {22.5, "东北"},   {67.49, "东北"}, {67.5, "东"},
        {112.49, "东"},   {112.5, "东南"},  {157.49, "东南"}, {157.5, "南"},   {202.49, "南"},
        {202.5, "西南"},  {247.49, "西南"}, {247.5, "西"},    {292.49, "西"},  {292.5, "西北"},
        {337.49, "西北"}, {337.5, "北"},    {360, "北"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindFrom(c.degrees), c.from) << c.degrees;
    }
}

TEST(OpenMeteoWind, WordsAreLightBelowForceThree) {
    EXPECT_EQ(WindWords(0, 90), "微风");
    EXPECT_EQ(WindWords(11.49, 90), "微风");
    EXPECT_EQ(WindWords(11.5, 90), "东风3-4级");
    EXPECT_EQ(WindWords(19.5, 180), "南风4-5级");
    EXPECT_EQ(WindWords(130, 315), "西北风12-13级");
}

TEST(OpenMeteoNumbers, RoundHalfAwayFromZero) {
    const struct {
        double value;
        long long rounded;
    } cases[] = {{2.5, 3},   {-2.5, -3}, {2.49, 2}, {-2.49, -2}, {0.5, 1},
                 {-0.5, -1}, {-0.4, 0},  {0.0, 0},  {35.5, 36},  {-40.5, -41}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfAway(c.value), c.rounded) << c.value;
    }
}

TEST(OpenMeteoPlaces, ProvinceNamesLoseTheirOfficialSuffixes) {
    const struct {
        const char8_t* official;
        const char8_t* stem;
    } cases[] = {
        {u8"北京市", u8"北京"},           {u8"河北省", u8"河北"},
        {u8"黑龙江省", u8"黑龙江"},       {u8"内蒙古自治区", u8"内蒙古"},
        {u8"广西壮族自治区", u8"广西"},   {u8"宁夏回族自治区", u8"宁夏"},
        {u8"新疆维吾尔自治区", u8"新疆"}, {u8"西藏自治区", u8"西藏"},
        {u8"香港特别行政区", u8"香港"},   {u8"澳门特别行政区", u8"澳门"},
        {u8"台湾省", u8"台湾"},           {u8"重庆", u8"重庆"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProvinceStem(U8(c.official)), U8(c.stem)) << U8(c.official);
    }
    // Every province of the table names itself.
    for (const SiteProvince& p : SiteProvinces()) {
        EXPECT_EQ(ProvinceStem(GbkToUtf8(p.name)), GbkToUtf8(p.name)) << p.slug;
    }
}

TEST(OpenMeteoPlaces, TakesTheFirstResultInTheProvinceAndNeverAnother) {
    const std::string mixed = GeocodingJson({
        {U8(u8"昌平"), U8(u8"河北省"), 38.1, 114.5},
        {U8(u8"昌平区"), U8(u8"北京市"), 40.22, 116.23},
        {U8(u8"昌平"), U8(u8"北京市"), 40.0, 116.0},
    });
    Coordinates place{};
    ASSERT_EQ(ParseGeocodingJson(mixed, "北京", place), PlaceLookup::Found);
    EXPECT_DOUBLE_EQ(place.latitude, 40.22);
    EXPECT_DOUBLE_EQ(place.longitude, 116.23);

    const std::string elsewhere = GeocodingJson({
        {U8(u8"南宁"), U8(u8"广西壮族自治区"), 22.8, 108.3},
        {U8(u8"南宁"), U8(u8"广东省"), 23.1, 113.2},
    });
    EXPECT_EQ(ParseGeocodingJson(elsewhere, "广西", place), PlaceLookup::Found);
    EXPECT_DOUBLE_EQ(place.latitude, 22.8);
    EXPECT_EQ(ParseGeocodingJson(elsewhere, "北京", place), PlaceLookup::NoMatch);
    EXPECT_EQ(ParseGeocodingJson(GeocodingJson({}), "北京", place), PlaceLookup::NoMatch);

    for (const char* bad : {"", "<html>", "[]", "{\"results\": 3}",
                            "{\"error\": true, \"reason\": \"Parameter count must be between 1 "
                            "and 100.\"}",
                            "{\"results\": [{\"admin1\": "}) {
        EXPECT_EQ(ParseGeocodingJson(bad, "北京", place), PlaceLookup::Malformed) << bad;
    }
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

TEST(OpenMeteoForecast, ReadsFiveDaysAndTheirHalves) {
    std::vector<UpstreamDay> days;
    ASSERT_TRUE(ParseForecastJson(ForecastJson(FiveDays()), days));
    ASSERT_EQ(days.size(), 5u);
    long long first = 0;
    ASSERT_TRUE(ParseSiteDate("2025-01-15", first));
    EXPECT_EQ(days[0].day, first);
    EXPECT_EQ(days[4].day, first + 4);
    EXPECT_EQ(days[2].weatherCode, 71);
    EXPECT_EQ(days[2].daytimeCode, 61);
    EXPECT_EQ(days[2].nightCode, 71);
    EXPECT_DOUBLE_EQ(days[3].high, 25.49);
    EXPECT_DOUBLE_EQ(days[2].precipitation, 12.3);
    EXPECT_DOUBLE_EQ(days[4].windSpeed, 62);
    EXPECT_DOUBLE_EQ(days[4].windDirection, 300);

    // More days than five: the first five are read.
    std::vector<FakeDay> six = FiveDays();
    six.push_back({"2025-01-20", 0, 0, 1, 0, 0, 0, 0});
    ASSERT_TRUE(ParseForecastJson(ForecastJson(six), days));
    EXPECT_EQ(days.size(), 5u);
}

TEST(OpenMeteoForecast, DaytimeIsEightToTwentyAndNightTheRestOfTheDate) {
    std::vector<FakeDay> days = FiveDays();
    //               0  1  2  3  4  5  6  7   8  9 10 11 12 13 14 15 16 17 18  19  20 21 22 23
    days[0].hours = {0, 0, 0, 0, 0, 0, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 61, 0, 0, 0, 0};
    days[1].hours = {0, 0, 0, 0, 0, 0, 0, 0, 45, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 71, 0, 0, 0};
    days[2].hours = std::vector<int>(24, 2);
    std::vector<UpstreamDay> read;
    ASSERT_TRUE(ParseForecastJson(ForecastJson(days), read));
    EXPECT_EQ(read[0].daytimeCode, 61);  // 19:00 is day
    EXPECT_EQ(read[0].nightCode, 3);     // 07:00 is night
    EXPECT_EQ(read[1].daytimeCode, 45);  // 08:00 is day
    EXPECT_EQ(read[1].nightCode, 71);    // 20:00 is night
    EXPECT_EQ(read[2].daytimeCode, 2);
    EXPECT_EQ(read[2].nightCode, 2);
}

// Each answer is a valid one with one thing broken.
struct BrokenCase {
    const char* name;
    std::function<void(nlohmann::json&)> breakIt;
};

TEST(OpenMeteoForecast, IncompleteOrMalformedAnswersAreRefused) {
    using nlohmann::json;
    const BrokenCase cases[] = {
        {"no daily block", [](json& j) { j.erase("daily"); }},
        {"no hourly block", [](json& j) { j.erase("hourly"); }},
        {"a daily array missing", [](json& j) { j["daily"].erase("wind_speed_10m_max"); }},
        {"the day codes missing", [](json& j) { j["daily"].erase("weather_code"); }},
        {"four days",
         [](json& j) {
             for (auto& [key, values] : j["daily"].items()) {
                 values.erase(values.size() - 1);
             }
         }},
        {"a null high", [](json& j) { j["daily"]["temperature_2m_max"][2] = nullptr; }},
        {"a null low", [](json& j) { j["daily"]["temperature_2m_min"][4] = nullptr; }},
        {"a null wind", [](json& j) { j["daily"]["wind_direction_10m_dominant"][0] = nullptr; }},
        {"a null precipitation", [](json& j) { j["daily"]["precipitation_sum"][1] = nullptr; }},
        {"a null hourly code", [](json& j) { j["hourly"]["weather_code"][30] = nullptr; }},
        {"a number as text", [](json& j) { j["daily"]["temperature_2m_max"][0] = "2.5"; }},
        {"a missing hour",
         [](json& j) {
             j["hourly"]["time"].erase(50);
             j["hourly"]["weather_code"].erase(50);
         }},
        {"hour and code counts differ", [](json& j) { j["hourly"]["weather_code"].erase(119); }},
        {"a code with no icon", [](json& j) { j["daily"]["weather_code"][3] = 42; }},
        {"an hourly code with no icon", [](json& j) { j["hourly"]["weather_code"][10] = 7; }},
        {"a bad date", [](json& j) { j["daily"]["time"][1] = "2025-02-30"; }},
        {"dates out of order",
         [](json& j) { std::swap(j["daily"]["time"][1], j["daily"]["time"][2]); }},
        {"low above high", [](json& j) { j["daily"]["temperature_2m_min"][0] = 30; }},
        {"the service's error",
         [](json& j) {
             j = json{{"error", true}, {"reason", "Latitude must be in range of -90 to 90."}};
         }},
    };
    const json valid = json::parse(ForecastJson(FiveDays()));
    std::vector<UpstreamDay> days;
    ASSERT_TRUE(ParseForecastJson(valid.dump(), days));
    for (const BrokenCase& c : cases) {
        json broken = valid;
        c.breakIt(broken);
        EXPECT_FALSE(ParseForecastJson(broken.dump(), days)) << c.name;
    }
    const std::string text = valid.dump();
    for (const std::string& bad : {std::string(), std::string("<html>busy</html>"),
                                   text.substr(0, text.size() / 2), std::string("null")}) {
        EXPECT_FALSE(ParseForecastJson(bad, days)) << bad.substr(0, 40);
    }
}

}  // namespace
