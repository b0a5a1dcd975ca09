// The gateway to the forecast service: a city's coordinates looked up once and kept on disk, its
// forecast cached for half an hour (on disk too), one call to the service at a time per city,
// and what to serve when the service fails.
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <unordered_map>

#include "site.h"

using nlohmann::json;

namespace {

enum class PlaceState { Unknown, Known, None };

struct CityState {
    bool loaded = false;  // the disk cache has been read
    PlaceState placeState = PlaceState::Unknown;
    Coordinates place{};
    bool has = false;
    std::vector<UpstreamDay> days;
    long long fetchedAt = 0;
    bool inFlight = false;
    long long flights = 0;  // calls finished, so that waiters see theirs end
    bool failed = false;    // the last call failed, at failedAt
    long long failedAt = 0;
};

// What one call to the service brought back.
struct Flight {
    bool placeLearned = false;
    PlaceState placeState = PlaceState::Unknown;
    Coordinates place{};
    bool ok = false;
    std::vector<UpstreamDay> days;
    long long fetchedAt = 0;
};

std::string TrimBase(std::string base) {
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

std::string PercentEncoded(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof(hex), "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// The city's file name in the cache: slug and page name are ASCII, kept to safe characters.
std::string CacheKey(const SiteCity& city) {
    std::string key = std::string(city.slug) + "-" + std::string(city.pageName);
    for (char& c : key) {
        bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
        if (!safe) {
            c = '_';
        }
    }
    return key + ".json";
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Written beside and renamed over, so a reader never sees half a file.
bool WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file.flush()) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

}  // namespace

struct ForecastGateway {
    GatewayOptions options;
    std::filesystem::path places;
    std::filesystem::path forecasts;
    std::atomic<bool> stopping{false};
    std::atomic<int> forecastCalls{0};
    std::atomic<int> geocodingCalls{0};
    std::mutex mutex;
    std::condition_variable flightDone;
    std::unordered_map<int, CityState> cities;
};

namespace {

long long Now(const ForecastGateway& gateway) {
    return gateway.options.clock ? gateway.options.clock() : UnixNow();
}

void Warn(const SiteCity& city, const std::string& what) {
    std::fprintf(stderr, "weather-site: %s/%s: %s\n", std::string(city.slug).c_str(),
                 std::string(city.pageName).c_str(), what.c_str());
}

void LoadFromDisk(const ForecastGateway& gateway, const SiteCity& city, long long now,
                  CityState& state) {
    json place = json::parse(ReadFile(gateway.places / CacheKey(city)), nullptr, false);
    if (place.is_object() && place.value("found", json()).is_boolean()) {
        if (!place["found"].get<bool>()) {
            state.placeState = PlaceState::None;
        } else if (place.value("latitude", json()).is_number() &&
                   place.value("longitude", json()).is_number()) {
            state.placeState = PlaceState::Known;
            state.place = {place["latitude"].get<double>(), place["longitude"].get<double>()};
        }
    }
    json cached = json::parse(ReadFile(gateway.forecasts / CacheKey(city)), nullptr, false);
    if (cached.is_object() && cached.value("fetched_at", json()).is_number_integer() &&
        cached.value("forecast", json()).is_string()) {
        long long fetchedAt = cached["fetched_at"].get<long long>();
        std::vector<UpstreamDay> days;
        // A time ahead of the clock would keep the entry fresh for ever.
        if (fetchedAt <= now + 60 &&
            ParseForecastJson(cached["forecast"].get_ref<const std::string&>(), days)) {
            state.has = true;
            state.days = std::move(days);
            state.fetchedAt = fetchedAt;
        }
    }
}

std::string GeocodingUrl(const ForecastGateway& gateway, const SiteCity& city) {
    return TrimBase(gateway.options.geocodingApi) +
           "/v1/search?name=" + PercentEncoded(GbkToUtf8(city.city)) +
           "&count=10&language=zh&countryCode=CN&format=json";
}

std::string ForecastUrl(const ForecastGateway& gateway, Coordinates place) {
    char where[96];
    std::snprintf(where, sizeof(where), "latitude=%.4f&longitude=%.4f", place.latitude,
                  place.longitude);
    return TrimBase(gateway.options.forecastApi) + "/v1/forecast?" + where +
           "&timezone=Asia%2FShanghai&forecast_days=5"
           "&daily=weather_code,temperature_2m_max,temperature_2m_min,precipitation_sum,"
           "wind_speed_10m_max,wind_direction_10m_dominant"
           "&hourly=weather_code&wind_speed_unit=kmh";
}

// Runs without the lock: the city's inFlight keeps every other request for it waiting.
Flight Fly(ForecastGateway& gateway, const SiteCity& city, PlaceState placeState,
           Coordinates place) {
    Flight flight;
    auto cancelled = [&gateway] { return gateway.stopping.load(); };
    if (placeState == PlaceState::Unknown) {
        ++gateway.geocodingCalls;
        UpstreamReply reply =
            UpstreamGet(GeocodingUrl(gateway, city), gateway.options.upstreamTimeoutMs, cancelled);
        if (!reply.ok) {
            Warn(city, "geocoding: " + reply.error);
            return flight;
        }
        switch (ParseGeocodingJson(reply.body, city.province, place)) {
            case PlaceLookup::Malformed:
                Warn(city, "geocoding: not a geocoding answer");
                return flight;
            case PlaceLookup::NoMatch:
                Warn(city, "geocoding: no result in the city's province");
                flight.placeLearned = true;
                flight.placeState = PlaceState::None;
                WriteFile(gateway.places / CacheKey(city), json{{"found", false}}.dump());
                return flight;
            case PlaceLookup::Found:
                flight.placeLearned = true;
                flight.placeState = PlaceState::Known;
                flight.place = place;
                WriteFile(gateway.places / CacheKey(city), json{{"found", true},
                                                                {"latitude", place.latitude},
                                                                {"longitude", place.longitude}}
                                                               .dump());
                break;
        }
    }
    ++gateway.forecastCalls;
    UpstreamReply reply =
        UpstreamGet(ForecastUrl(gateway, place), gateway.options.upstreamTimeoutMs, cancelled);
    if (!reply.ok) {
        Warn(city, "forecast: " + reply.error);
        return flight;
    }
    if (!ParseForecastJson(reply.body, flight.days)) {
        Warn(city, "forecast: missing, null or malformed values");
        return flight;
    }
    flight.ok = true;
    flight.fetchedAt = Now(gateway);
    WriteFile(gateway.forecasts / CacheKey(city),
              json{{"fetched_at", flight.fetchedAt}, {"forecast", reply.body}}.dump());
    return flight;
}

void Land(CityState& state, Flight& flight, long long now) {
    if (flight.placeLearned) {
        state.placeState = flight.placeState;
        state.place = flight.place;
    }
    state.failed = !flight.ok && state.placeState != PlaceState::None;
    state.failedAt = now;
    if (flight.ok) {
        state.has = true;
        state.days = std::move(flight.days);
        state.fetchedAt = flight.fetchedAt;
    }
}

}  // namespace

std::string DefaultCacheDir() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/lanchuan-weather-site";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.cache/lanchuan-weather-site";
    }
    return std::string();
}

void ForecastGatewayClose::operator()(ForecastGateway* gateway) const {
    delete gateway;
}

GatewayHandle OpenGateway(const GatewayOptions& options, std::string& error) {
    GatewayHandle gateway(new ForecastGateway);
    gateway->options = options;
    if (options.source == ForecastSource::Sample) {
        return gateway;  // sample pages never touch the disk or the network
    }
    std::string dir = options.cacheDir.empty() ? DefaultCacheDir() : options.cacheDir;
    if (dir.empty()) {
        error = "no cache folder: set --cache-dir, XDG_CACHE_HOME or HOME";
        return nullptr;
    }
    gateway->places = std::filesystem::path(dir) / "places";
    gateway->forecasts = std::filesystem::path(dir) / "forecasts";
    std::error_code made;
    std::filesystem::create_directories(gateway->places, made);
    if (!made) {
        std::filesystem::create_directories(gateway->forecasts, made);
    }
    if (made) {
        error = "cannot make the cache folder " + dir + ": " + made.message();
        return nullptr;
    }
    return gateway;
}

void StopGateway(ForecastGateway& gateway) {
    gateway.stopping = true;
}

UpstreamCounts GatewayCounts(const ForecastGateway& gateway) {
    return {gateway.forecastCalls.load(), gateway.geocodingCalls.load()};
}

CityPage GatewayPage(ForecastGateway& gateway, const SiteCity& city, long long sampleToday,
                     FaultMode shape) {
    if (gateway.options.source == ForecastSource::Sample) {
        return {200, ForecastPage(city, sampleToday, shape)};
    }
    std::unique_lock<std::mutex> lock(gateway.mutex);
    long long now = Now(gateway);
    CityState& state = gateway.cities[city.index];
    if (!state.loaded) {
        LoadFromDisk(gateway, city, now, state);
        state.loaded = true;
    }
    bool fresh = state.has && now - state.fetchedAt < ForecastFreshSeconds;
    bool resting = state.failed && now - state.failedAt < RetryAfterFailureSeconds;
    if (!fresh && !resting && state.placeState != PlaceState::None) {
        if (state.inFlight) {
            long long flight = state.flights;
            gateway.flightDone.wait(lock, [&] { return state.flights != flight; });
        } else {
            state.inFlight = true;
            PlaceState placeState = state.placeState;
            Coordinates place = state.place;
            lock.unlock();
            Flight flight = Fly(gateway, city, placeState, place);
            lock.lock();
            Land(state, flight, Now(gateway));
            state.inFlight = false;
            ++state.flights;
            gateway.flightDone.notify_all();
        }
        now = Now(gateway);
    }
    if (state.has && now - state.fetchedAt < ForecastStaleSeconds) {
        std::vector<UpstreamDay> days = state.days;
        long long fetchedAt = state.fetchedAt;
        lock.unlock();
        return {200, RealForecastPage(city, days, fetchedAt, shape)};
    }
    lock.unlock();
    if (gateway.options.source == ForecastSource::Auto) {
        return {200, ForecastPage(city, sampleToday, shape)};
    }
    return {503, UnavailablePage(city, ChinaDayOf(now), shape)};
}
