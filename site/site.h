// The weather site: its city table, forecast model, pages, fault modes and HTTP server.
#pragma once

#include <functional>
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
// The system clock in Unix seconds.
long long UnixNow();
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

// The sample page (invented weather, marked as such inside its table) as the site serves it,
// shaped by the page-shaping modes (NoMarkers, Uppercase, Nested, OneMarker, ZeroByte, Script);
// other modes give the normal page.
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

// The row inside every sample table, so that it survives the program's cut.
extern const char SampleNote[];
// The only text of the table when there is no forecast to show.
extern const char UnavailableNote[];

// One day of a real forecast as the forecast service gives it (WMO weather codes, degrees
// Celsius, millimetres, km/h, degrees the wind comes from).
struct UpstreamDay {
    long long day;
    int weatherCode;  // the whole day
    int daytimeCode;  // the most severe of the hours 08:00-19:00
    int nightCode;    // the most severe of the other hours of the date
    double high;
    double low;
    double precipitation;  // the day's sum
    double windSpeed;      // the day's strongest
    double windDirection;  // the day's dominant
};
// The first five days of a forecast answer; false when anything needed is missing, null, of the
// wrong type, out of range, or a weather code we have no icon for.
bool ParseForecastJson(std::string_view json, std::vector<UpstreamDay>& days);

struct Coordinates {
    double latitude;
    double longitude;
};
enum class PlaceLookup {
    Found,
    NoMatch,    // the service answered, but no result lies in the city's province
    Malformed,  // not an answer of the geocoding service
};
// The first result whose admin1 is the province (GBK), compared without the suffixes of
// official names (省, 市, 自治区, ...).
PlaceLookup ParseGeocodingJson(std::string_view json, std::string_view province,
                               Coordinates& place);
// The province's name as the comparison sees it (UTF-8 in, UTF-8 out).
std::string ProvinceStem(std::string_view utf8Name);

// Our icon number for a WMO weather code; rain by the day's precipitation. -1 when unknown.
int WmoIcon(int wmoCode, double precipitationMm);
// The Beaufort force (0-12) of a wind speed in km/h.
int BeaufortForce(double kmh);
// "北", "东北", ... "西北": the 45-degree sector the wind comes from.
std::string_view WindFrom(double degrees);
// "北风3-4级", or "微风" below force 3.
std::string WindWords(double kmh, double degrees);
long long RoundHalfAway(double value);

// The page of a real forecast: five days, fetched at `fetchedAt` (Unix seconds), with the
// attribution row "天气数据：Open-Meteo.com（CC BY 4.0），更新于 HH:MM" (China time) in its table.
std::string RealForecastPage(const SiteCity& city, const std::vector<UpstreamDay>& days,
                             long long fetchedAt, FaultMode shape = FaultMode::None);
// The same heading and markers, and a table that only says UnavailableNote.
std::string UnavailablePage(const SiteCity& city, long long today,
                            FaultMode shape = FaultMode::None);
// The China date (days) and "HH:MM" of a Unix time.
long long ChinaDayOf(long long unixSeconds);
std::string ChinaClockText(long long unixSeconds);

// GBK and UTF-8 both ways; empty when the text cannot be converted.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

// Where the pages' weather comes from.
enum class ForecastSource {
    Sample,     // invented, marked pages; never leaves the machine
    OpenMeteo,  // the forecast service only
    Auto,       // the service, and marked sample pages while it cannot give a forecast
};
bool ParseForecastSource(std::string_view name, ForecastSource& source);

struct UpstreamReply {
    bool ok = false;  // a complete answer with status 200
    int status = 0;   // 0 when no HTTP answer came
    std::string body;
    std::string error;
};
// One GET over libcurl: TLS verified, the proxy environment honoured, bounded in time and size;
// given up early once `cancelled` says so.
UpstreamReply UpstreamGet(const std::string& url, int timeoutMs,
                          const std::function<bool()>& cancelled = {});

struct GatewayOptions {
    ForecastSource source = ForecastSource::Sample;
    std::string forecastApi = "https://api.open-meteo.com";
    std::string geocodingApi = "https://geocoding-api.open-meteo.com";
    std::string cacheDir;  // empty: DefaultCacheDir()
    int upstreamTimeoutMs = 10000;
    std::function<long long()> clock;  // Unix seconds; the system clock when empty
};
// $XDG_CACHE_HOME/lanchuan-weather-site, or ~/.cache/lanchuan-weather-site.
std::string DefaultCacheDir();

// How long a forecast is served without asking again, how long it may stand in when the
// service fails, and how long a failed city waits before the service is asked again.
constexpr long long ForecastFreshSeconds = 30 * 60;
constexpr long long ForecastStaleSeconds = 6 * 3600;
constexpr long long RetryAfterFailureSeconds = 60;

struct ForecastGateway;
struct ForecastGatewayClose {
    void operator()(ForecastGateway* gateway) const;
};
using GatewayHandle = std::unique_ptr<ForecastGateway, ForecastGatewayClose>;
// Empty with error set when the cache folder cannot be made.
GatewayHandle OpenGateway(const GatewayOptions& options, std::string& error);
// Calls to the service in progress give up; for a quick stop.
void StopGateway(ForecastGateway& gateway);

struct CityPage {
    int status;
    std::string body;
};
// The city's page from the source: a cached or fresh forecast, a cached one under six hours old
// when the service fails, else the sample page (auto) or the unavailable page (503).
// `sampleToday` dates the sample pages.
CityPage GatewayPage(ForecastGateway& gateway, const SiteCity& city, long long sampleToday,
                     FaultMode shape = FaultMode::None);
// Requests made to the forecast service and to the geocoding service so far.
struct UpstreamCounts {
    int forecasts = 0;
    int geocodings = 0;
};
UpstreamCounts GatewayCounts(const ForecastGateway& gateway);

// Sizes of the streamed modes.
constexpr unsigned long long HugePageBytes = 80ull << 20;
constexpr int TricklePieceBytes = 256;
constexpr int TricklePauseMs = 100;

class SiteIdleClock;
struct SiteOptions {
    std::string bind = "127.0.0.1";
    int port = 8936;      // 0 picks a free port
    std::string logPath;  // one line per request; none when empty
    FaultMode fault = FaultMode::None;
    long long today = -1;  // days; -1 follows China's clock
    int threads = 32;
    // Connections one client address may hold; past it the oldest idle one is closed.
    int connectionsPerClient = 16;
    // A request's line, headers and body must have arrived within this from its first byte.
    int requestDeadlineMs = 10000;
    GatewayOptions gateway;
    int listenFd = -1;              // a handed listening socket; bind and port unused then
    SiteIdleClock* idle = nullptr;  // told of every connection when set
};

struct SiteServer;
struct SiteServerStop {
    void operator()(SiteServer* server) const;
};
// Stopping waits for every connection's worker to finish; each gives up its wait within a tenth of
// a second, and calls to the forecast service in progress are abandoned.
using SiteHandle = std::unique_ptr<SiteServer, SiteServerStop>;
// Binds and starts serving on a thread of its own; empty with error set when it cannot.
SiteHandle StartSite(const SiteOptions& options, std::string& error);
int SitePort(const SiteServer& server);
void SetSiteFault(SiteServer& server, FaultMode mode);
