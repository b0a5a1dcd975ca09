// The weather site: its city table, forecast model, pages, fault modes and HTTP server.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Every text below is GBK bytes (page names and slugs are ASCII).

struct SiteProvince {
    std::string_view name;
    std::string_view slug;
};
// The 34 provinces and regions in the order of the city table.
const std::vector<SiteProvince>& SiteProvinces();
const SiteProvince* FindSiteProvince(std::string_view slug);

struct SiteCity {
    std::string_view province;
    std::string_view city;
    std::string_view pageName;
    std::string_view slug;
    int index;  // position in the table, 0-based
};
// The compiled-in city table, rows whose province has no slug left out.
const std::vector<SiteCity>& SiteCities();
// Exact, case-sensitive match, like files on a real server.
const SiteCity* FindSiteCity(std::string_view slug, std::string_view pageName);
std::string SitePagePath(const SiteCity& city);
// The picture bN.gif; empty for a number outside 0..31.
std::string_view SiteIcon(int number);

// Days count from 1970-01-01.
struct SiteDate {
    int year;
    int month;
    int day;
};
long long DaysFromDate(SiteDate date);
SiteDate DateFromDays(long long days);
// 0 is Sunday.
int WeekdayOfDays(long long days);
// Today in China (UTC+8).
long long ChinaToday();
// "YYYY-MM-DD"; false on anything else or a date that does not exist.
bool ParseSiteDate(std::string_view text, long long& days);

struct DayForecast {
    long long day;
    int dayCode;    // weather code (icon number) of the daytime
    int nightCode;  // of the night; equal to dayCode when the weather holds
    int high;       // degrees Celsius
    int low;
    std::string wind;  // "北风3-4级"
};
// Deterministic for a city and a date.
std::vector<DayForecast> ForecastDays(const SiteCity& city, long long firstDay, int count);
// "晴" ... "强沙尘暴"; empty for a code outside 0..31.
std::string_view WeatherName(int code);
// "多云转晴", or the one name when day and night agree.
std::string WeatherWords(const DayForecast& day);
bool IsSnowCode(int code);
bool IsRainCode(int code);
bool IsDustCode(int code);
// The high-plateau places: the only ones where snow or sleet may fall in summer.
bool OnHighPlateau(const SiteCity& city);

enum class FaultMode {
    None,
    NotFound,     // 404 with an HTML body
    ServerError,  // 500 with an HTML body
    Empty,        // 200 with an empty body
    NoMarkers,    // a page with none of the cut's markers
    Uppercase,    // tags and attribute names in capital letters
    Nested,       // a table nested inside the forecast table
    OneMarker,    // only one "未来五天天气趋势预报"
    ZeroByte,     // a zero byte right after the heading
    Huge,         // a page of more than 64 MiB, streamed
    Trickle,      // the page in small pieces with pauses between them
    Stall,        // the headers, then nothing until the client gives up
    Reset,        // half the page, then a connection reset
    Redirect,     // 302 to the next city's page
    Script,       // the table carries <script> and onerror= attributes
};
bool ParseFaultMode(std::string_view name, FaultMode& mode);
std::string_view FaultModeName(FaultMode mode);
std::vector<FaultMode> AllFaultModes();

// The forecast page as the site serves it, shaped by the page-shaping modes (NoMarkers,
// Uppercase, Nested, OneMarker, ZeroByte, Script); other modes give the normal page.
std::string ForecastPage(const SiteCity& city, long long today, FaultMode shape = FaultMode::None);
// Where the forecast table of a normal page ends (just past its "</table>").
std::size_t ForecastTableEnd(const std::string& page);
std::string SiteIndexPage();
std::string ProvincePage(const SiteProvince& province);
std::string NotFoundPage();
std::string ServerErrorPage();
std::string BadRequestPage();
// The heading and table the forecast page carries, for tests to compare with a cut.
std::string ForecastHeading(const SiteCity& city);
std::string ForecastTable(const SiteCity& city, long long today);

// Sizes of the streamed modes.
constexpr unsigned long long HugePageBytes = 80ull << 20;
constexpr int TricklePieceBytes = 256;
constexpr int TricklePauseMs = 100;

struct SiteOptions {
    std::string bind = "127.0.0.1";
    int port = 8936;      // 0 picks a free port
    std::string logPath;  // one line per request; none when empty
    FaultMode fault = FaultMode::None;
    long long today = -1;  // days; -1 follows China's clock
    int threads = 32;
};

struct SiteServer;
struct SiteServerStop {
    void operator()(SiteServer* server) const;
};
// Stopping waits for every connection's worker to finish.
using SiteHandle = std::unique_ptr<SiteServer, SiteServerStop>;
// Binds and starts serving on a thread of its own; empty with error set when it cannot.
SiteHandle StartSite(const SiteOptions& options, std::string& error);
int SitePort(const SiteServer& server);
void SetSiteFault(SiteServer& server, FaultMode mode);
