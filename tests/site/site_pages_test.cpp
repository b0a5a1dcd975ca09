// The pages' structure: the markers the program cuts by, where they stand, and how the
// page-shaping fault modes change them.
#include <gtest/gtest.h>

#include <string>

#include "site.h"

namespace {

const long long Today = 20103;  // 2025-01-15

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

const SiteCity& Changping() {
    const SiteCity* city = FindSiteCity("beijing", "ChangPing");
    EXPECT_NE(city, nullptr);
    return *city;
}

TEST(SitePages, ForecastPageOrdersItsMarkers) {
    const SiteCity& city = Changping();
    const std::string page = ForecastPage(city, Today);
    EXPECT_EQ(ForecastHeading(city), "北京 昌平");
    EXPECT_NE(page.find("charset=gb2312"), std::string::npos);
    std::size_t favourite = page.find("加入收藏");
    std::size_t heading = page.find("<b>北京 昌平</b>", favourite);
    std::size_t link = page.find("未来五天天气趋势预报", heading);
    std::size_t title = page.find("未来五天天气趋势预报", link + 1);
    std::size_t table = page.find("<table", title);
    ASSERT_NE(favourite, std::string::npos);
    ASSERT_NE(heading, std::string::npos);
    ASSERT_NE(link, std::string::npos);
    ASSERT_NE(title, std::string::npos);
    ASSERT_NE(table, std::string::npos);
    // Nothing between the favourite link and the heading that the cut could take instead.
    EXPECT_EQ(page.find("<b>", favourite), heading);
    EXPECT_EQ(Count(page, "未来五天天气趋势预报"), 2);
    EXPECT_EQ(page.substr(table, ForecastTable(city, Today).size()), ForecastTable(city, Today));
    EXPECT_EQ(ForecastTableEnd(page), table + ForecastTable(city, Today).size());
    EXPECT_NE(page.find("</html>", table), std::string::npos);
}

TEST(SitePages, TableHasAColumnPerDay) {
    const SiteCity& city = Changping();
    const std::string table = ForecastTable(city, Today);
    EXPECT_NE(table.find("borderColorLight=\"#008000\""), std::string::npos);
    EXPECT_EQ(Count(table, "</table>"), 1);
    EXPECT_NE(table.find("1月15日<br>星期三"), std::string::npos);
    EXPECT_NE(table.find("1月19日<br>星期日"), std::string::npos);
    for (const DayForecast& day : ForecastDays(city, Today, 5)) {
        EXPECT_NE(table.find("<td>" + WeatherWords(day) + "</td>"), std::string::npos);
        EXPECT_NE(table.find(std::to_string(day.high) + "℃～" + std::to_string(day.low) + "℃"),
                  std::string::npos);
        EXPECT_NE(table.find("<img src=\"/image/b" + std::to_string(day.dayCode) + ".gif\""),
                  std::string::npos);
    }
}

TEST(SitePages, ShapingModesChangeOnlyWhatTheySay) {
    const SiteCity& city = Changping();
    const std::string normal = ForecastPage(city, Today);

    const std::string none = ForecastPage(city, Today, FaultMode::NoMarkers);
    for (const char* marker :
         {"加入收藏", "未来五天天气趋势预报", "<b>", "</b>", "<table", "</table>"}) {
        std::string lower = none;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_EQ(lower.find(marker), std::string::npos) << marker;
    }

    const std::string upper = ForecastPage(city, Today, FaultMode::Uppercase);
    EXPECT_EQ(upper.size(), normal.size());
    EXPECT_NE(upper.find("<B>北京 昌平</B>"), std::string::npos);
    EXPECT_NE(upper.find("BORDERCOLORLIGHT=\"#008000\""), std::string::npos);
    EXPECT_NE(upper.find("<IMG SRC=\"/image/b"), std::string::npos);  // values keep their case
    EXPECT_EQ(upper.find("<table"), std::string::npos);

    const std::string nested = ForecastPage(city, Today, FaultMode::Nested);
    std::size_t table = nested.find("<table", nested.rfind("未来五天天气趋势预报"));
    EXPECT_EQ(Count(nested.substr(table), "<table"), 2);

    EXPECT_EQ(Count(ForecastPage(city, Today, FaultMode::OneMarker), "未来五天天气趋势预报"), 1);

    const std::string zero = ForecastPage(city, Today, FaultMode::ZeroByte);
    EXPECT_EQ(zero.find('\0'), zero.find("北京 昌平</b></font>") + 20);
    EXPECT_EQ(normal.find('\0'), std::string::npos);

    const std::string script = ForecastPage(city, Today, FaultMode::Script);
    std::size_t at = script.find("<table", script.rfind("未来五天天气趋势预报"));
    std::string scriptTable = script.substr(at, script.find("</table>", at) - at);
    EXPECT_NE(scriptTable.find("<script>"), std::string::npos);
    EXPECT_NE(scriptTable.find(" onerror=\""), std::string::npos);

    for (FaultMode mode : {FaultMode::Huge, FaultMode::Trickle, FaultMode::Reset}) {
        EXPECT_EQ(ForecastPage(city, Today, mode), normal);
    }
}

TEST(SitePages, CityLookupIsExact) {
    EXPECT_NE(FindSiteCity("beijing", "ChangPing"), nullptr);
    EXPECT_EQ(FindSiteCity("beijing", "changping"), nullptr);
    EXPECT_EQ(FindSiteCity("Beijing", "ChangPing"), nullptr);
    EXPECT_EQ(FindSiteCity("shanxi", "ChangPing"), nullptr);
    const SiteCity* taipei = FindSiteCity("taiwang", "TaiBei");
    ASSERT_NE(taipei, nullptr);
    EXPECT_EQ(taipei->province, "台湾");
    EXPECT_EQ(taipei->city, "台北");
    EXPECT_EQ(SitePagePath(*taipei), "/weather/taiwang/TaiBei.htm");
    // Every row found its province, and paths are unique.
    EXPECT_EQ(SiteCities().size(), 2362u);
    for (const SiteCity& city : SiteCities()) {
        EXPECT_EQ(FindSiteCity(city.slug, city.pageName), &city) << SitePagePath(city);
    }
}

TEST(SitePages, NamesAreGbk) {
    EXPECT_EQ(std::string(SiteProvinces()[0].name), "\xb1\xb1\xbe\xa9");  // 北京
    EXPECT_EQ(WeatherName(0), "\xc7\xe7");                                // 晴
    EXPECT_NE(NotFoundPage().find("404"), std::string::npos);
}

}  // namespace
