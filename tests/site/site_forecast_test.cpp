// The forecast model: pinned days of one city, determinism, and plausibility over every city
// and a whole year.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "site.h"

namespace {

long long Day(const char* text) {
    long long days = -1;
    EXPECT_TRUE(ParseSiteDate(text, days)) << text;
    return days;
}

TEST(SiteCalendar, DatesAndWeekdays) {
    EXPECT_EQ(DaysFromDate({1970, 1, 1}), 0);
    EXPECT_EQ(Day("2025-01-15"), 20103);
    EXPECT_EQ(WeekdayOfDays(Day("2025-01-15")), 3);
    EXPECT_EQ(WeekdayOfDays(Day("2024-02-29")), 4);
    for (long long d = Day("1999-12-25"); d < Day("2001-03-05"); ++d) {
        SiteDate date = DateFromDays(d);
        EXPECT_EQ(DaysFromDate(date), d);
    }
    long long unused;
    for (const char* bad :
         {"2025-02-29", "2025-13-01", "2025-1-15", "2025/01/15", "", "tomorrow"}) {
        EXPECT_FALSE(ParseSiteDate(bad, unused)) << bad;
    }
    EXPECT_GT(ChinaToday(), Day("2024-01-01"));
}

TEST(SiteForecast, ChangpingInMidJanuaryIsPinned) {
    const SiteCity* city = FindSiteCity("beijing", "ChangPing");
    ASSERT_NE(city, nullptr);
    struct Expected {
        int dayCode, nightCode, high, low;
        const char* words;
        const char* wind;
    };
    const Expected expected[5] = {
        {1, 1, 2, -9, "多云", "北风4-5级"},        {1, 1, 3, -8, "多云", "北风3-4级"},
        {0, 1, 2, -9, "晴转多云", "微风"},         {1, 1, 2, -9, "多云", "北风4-5级"},
        {18, 1, 3, -8, "雾转多云", "西北风3-4级"},
    };
    std::vector<DayForecast> days = ForecastDays(*city, Day("2025-01-15"), 5);
    ASSERT_EQ(days.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(days[i].day, Day("2025-01-15") + i);
        EXPECT_EQ(days[i].dayCode, expected[i].dayCode) << i;
        EXPECT_EQ(days[i].nightCode, expected[i].nightCode) << i;
        EXPECT_EQ(days[i].high, expected[i].high) << i;
        EXPECT_EQ(days[i].low, expected[i].low) << i;
        EXPECT_EQ(WeatherWords(days[i]), expected[i].words) << i;
        EXPECT_EQ(days[i].wind, expected[i].wind) << i;
    }
}

TEST(SiteForecast, SameCityAndDateGiveTheSameDayWhateverTheFirstDay) {
    for (int index : {0, 500, 1500, 2361}) {
        const SiteCity& city = SiteCities()[index];
        std::vector<DayForecast> fromMonday = ForecastDays(city, Day("2025-07-07"), 5);
        std::vector<DayForecast> fromWednesday = ForecastDays(city, Day("2025-07-09"), 5);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(fromMonday[i + 2].dayCode, fromWednesday[i].dayCode);
            EXPECT_EQ(fromMonday[i + 2].nightCode, fromWednesday[i].nightCode);
            EXPECT_EQ(fromMonday[i + 2].high, fromWednesday[i].high);
            EXPECT_EQ(fromMonday[i + 2].low, fromWednesday[i].low);
            EXPECT_EQ(fromMonday[i + 2].wind, fromWednesday[i].wind);
        }
    }
}

struct Tally {
    int days = 0;
    double highs = 0;
    int wet = 0;
    int dust = 0;
    int snow = 0;
};

// Every city, every day of a year.
class SiteForecastYear : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tallies_ = new std::map<std::string, Tally>();
        failures_ = new std::vector<std::string>();
        long long first = Day("2025-01-01");
        int days = static_cast<int>(Day("2026-01-01") - first);
        for (const SiteCity& city : SiteCities()) {
            for (const DayForecast& f : ForecastDays(city, first, days)) {
                Check(city, f);
            }
        }
    }
    static void TearDownTestSuite() {
        delete tallies_;
        delete failures_;
    }

    static void Check(const SiteCity& city, const DayForecast& f) {
        int month = DateFromDays(f.day).month;
        std::string place = std::string(city.province) + " " + std::string(city.pageName) + " " +
                            std::to_string(f.day) + ": ";
        auto fail = [&](const std::string& what) {
            if (failures_->size() < 20) {
                failures_->push_back(place + what);
            }
        };
        if (!(f.low < f.high) || f.low < -45 || f.high > 45) {
            fail("temperatures " + std::to_string(f.high) + "/" + std::to_string(f.low));
        }
        if (WeatherName(f.dayCode).empty() || WeatherName(f.nightCode).empty() || f.wind.empty()) {
            fail("missing code or wind");
        }
        if (IsSnowCode(f.dayCode) && f.high > 1) {
            fail("snow by day at " + std::to_string(f.high));
        }
        if (IsSnowCode(f.nightCode) && f.low > -1) {
            fail("snow by night at " + std::to_string(f.low));
        }
        if ((IsRainCode(f.dayCode) && f.high <= 4) || (IsRainCode(f.nightCode) && f.low <= 2)) {
            fail("rain in the frost");
        }
        bool dust = IsDustCode(f.dayCode) || IsDustCode(f.nightCode);
        if (dust && (month < 3 || month > 5)) {
            fail("dust outside spring");
        }
        bool wintry = IsWintry(f.dayCode) || IsWintry(f.nightCode);
        bool summer = month >= 6 && month <= 8;
        if (summer && wintry && !OnHighPlateau(city)) {
            fail("snow or sleet in summer off the plateau");
        }
        Tally& t = (*tallies_)[std::string(city.province) + "/" + std::to_string(month)];
        t.days++;
        t.highs += f.high;
        t.wet += IsRainCode(f.dayCode) || IsRainCode(f.nightCode) || IsSnowCode(f.dayCode) ||
                 IsSnowCode(f.nightCode) || f.dayCode == 6 || f.nightCode == 6 || f.dayCode == 19 ||
                 f.nightCode == 19;
        t.dust += dust;
        t.snow += IsSnowCode(f.dayCode) || IsSnowCode(f.nightCode);
        plateauSummerSnow_ += summer && wintry;
    }

    static bool IsWintry(int code) { return IsSnowCode(code) || code == 6 || code == 19; }

    static const Tally& Of(const char* province, int month) {
        return (*tallies_)[std::string(province) + "/" + std::to_string(month)];
    }
    static double MeanHigh(const char* province, int month) {
        const Tally& t = Of(province, month);
        return t.days == 0 ? 0 : t.highs / t.days;
    }
    static double WetShare(const char* province, int month) {
        const Tally& t = Of(province, month);
        return t.days == 0 ? 0 : static_cast<double>(t.wet) / t.days;
    }

    static std::map<std::string, Tally>* tallies_;
    static std::vector<std::string>* failures_;
    static int plateauSummerSnow_;
};
std::map<std::string, Tally>* SiteForecastYear::tallies_ = nullptr;
std::vector<std::string>* SiteForecastYear::failures_ = nullptr;
int SiteForecastYear::plateauSummerSnow_ = 0;

TEST_F(SiteForecastYear, EveryDayIsConsistentWithItself) {
    for (const std::string& f : *failures_) {
        ADD_FAILURE() << f;
    }
}

TEST_F(SiteForecastYear, NorthAndPlateauAreColder) {
    EXPECT_GT(MeanHigh("广东", 1), MeanHigh("黑龙江", 1) + 25);
    EXPECT_GT(MeanHigh("海南", 1), MeanHigh("北京", 1) + 15);
    EXPECT_GT(MeanHigh("重庆", 7), MeanHigh("西藏", 7) + 8);
    EXPECT_GT(MeanHigh("北京", 7), MeanHigh("北京", 1) + 20);
    EXPECT_GT(Of("黑龙江", 1).snow, 0);
    EXPECT_EQ(Of("海南", 1).snow, 0);
    EXPECT_EQ(Of("广东", 7).snow, 0);
    // Off the plateau summer snow fails the daily check; on it, it still happens.
    EXPECT_GT(plateauSummerSnow_, 0);
}

TEST_F(SiteForecastYear, RainSeasonsAndSpringDust) {
    EXPECT_GT(WetShare("广东", 6), WetShare("广东", 12) + 0.2);
    EXPECT_GT(WetShare("云南", 7), WetShare("云南", 1) + 0.3);
    EXPECT_GT(WetShare("北京", 7), WetShare("北京", 1) + 0.2);
    EXPECT_GT(WetShare("浙江", 6), WetShare("新疆", 6) + 0.2);
    EXPECT_GT(Of("新疆", 4).dust + Of("内蒙古", 4).dust, 0);
    for (const char* south : {"广东", "海南", "福建", "浙江", "上海", "云南"}) {
        for (int month = 1; month <= 12; ++month) {
            EXPECT_EQ(Of(south, month).dust, 0) << south << " " << month;
        }
    }
}

const SiteCity& CityNamed(const char* province, const char* name) {
    for (const SiteCity& city : SiteCities()) {
        if (city.province == province && city.city == name) {
            return city;
        }
    }
    ADD_FAILURE() << "no city " << name;
    return SiteCities()[0];
}

// Well-known places keep their own climate, whatever their page path hashes to. Every day of the
// month counts; bounds of 99 are left open.
TEST(SiteForecast, KnownPlacesKeepTheirClimate) {
    struct Case {
        const char* province;
        const char* city;
        int month;
        double meanHighFrom, meanHighTo;
        int lowAtLeast;   // every night
        int highAtLeast;  // every day
        int highAtMost;   // every day
    };
    const Case cases[] = {
        {"西藏", "拉萨", 1, 3, 10, -99, -99, 99},
        {"西藏", "拉萨", 7, 18, 25, 6, -99, 99},
        {"西藏", "那曲", 7, 9, 16, -99, -99, 20},
        {"新疆", "乌鲁木齐", 1, -11, -4, -99, -99, 99},
        {"新疆", "乌鲁木齐", 7, 26, 32, 12, -99, 34},
        {"新疆", "吐鲁番", 1, -4, 4, -99, -99, 99},
        {"新疆", "吐鲁番", 7, 36, 42, 18, 30, 99},
        {"云南", "昆明", 1, 12, 18, -99, 8, 99},
        {"云南", "昆明", 7, 20, 27, 10, -99, 30},
        {"黑龙江", "哈尔滨", 1, -16, -9, -99, -99, -6},
        {"黑龙江", "哈尔滨", 7, 24, 30, 10, -99, 99},
        {"黑龙江", "漠河", 1, -26, -17, -99, -99, -10},
        {"青海", "格尔木", 7, 20, 27, 5, -99, 99},
        {"海南", "三亚", 1, 23, 29, 12, -99, 99},
    };
    for (const Case& c : cases) {
        const SiteCity& city = CityNamed(c.province, c.city);
        long long first = DaysFromDate({2025, c.month, 1});
        double highs = 0;
        std::vector<DayForecast> days = ForecastDays(city, first, 31);
        for (const DayForecast& f : days) {
            highs += f.high;
            EXPECT_GE(f.low, c.lowAtLeast) << c.city << " " << f.day;
            EXPECT_GE(f.high, c.highAtLeast) << c.city << " " << f.day;
            EXPECT_LE(f.high, c.highAtMost) << c.city << " " << f.day;
        }
        double meanHigh = highs / days.size();
        EXPECT_GE(meanHigh, c.meanHighFrom) << c.city << " " << c.month;
        EXPECT_LE(meanHigh, c.meanHighTo) << c.city << " " << c.month;
    }
}

TEST(SiteForecast, SummerSnowOnlyHighOnThePlateau) {
    EXPECT_TRUE(OnHighPlateau(CityNamed("西藏", "那曲")));
    EXPECT_TRUE(OnHighPlateau(CityNamed("青海", "玛多")));
    EXPECT_TRUE(OnHighPlateau(CityNamed("四川", "石渠")));
    for (const char* low : {"拉萨", "日喀则", "林芝"}) {
        EXPECT_FALSE(OnHighPlateau(CityNamed("西藏", low))) << low;
    }
    EXPECT_FALSE(OnHighPlateau(CityNamed("青海", "西宁")));
    EXPECT_FALSE(OnHighPlateau(CityNamed("新疆", "乌鲁木齐")));
    EXPECT_FALSE(OnHighPlateau(CityNamed("云南", "昆明")));
    for (const SiteCity& city : SiteCities()) {
        if (OnHighPlateau(city)) {
            bool plateauProvince = city.province == "西藏" || city.province == "青海" ||
                                   city.province == "四川" || city.province == "甘肃";
            EXPECT_TRUE(plateauProvince) << city.city;
        }
    }
}

TEST(SiteForecast, WordsJoinDayAndNight) {
    DayForecast f{0, 1, 0, 5, -3, "北风3-4级"};
    EXPECT_EQ(WeatherWords(f), "多云转晴");
    f.nightCode = 1;
    EXPECT_EQ(WeatherWords(f), "多云");
    EXPECT_EQ(WeatherName(31), "强沙尘暴");
    EXPECT_EQ(WeatherName(32), "");
}

}  // namespace
