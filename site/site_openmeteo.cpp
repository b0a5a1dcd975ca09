// The forecast service's answers read into our terms: weather codes to icons, wind to Beaufort
// force and direction, the forecast and geocoding JSON checked and taken apart.
#include <nlohmann/json.hpp>

#include <cmath>
#include <map>
#include <string>

#include "site.h"

using nlohmann::json;

namespace {

struct IconRow {
    int wmo;
    int icon;  // -2: rain, by the day's precipitation
};

// Rain and drizzle have no intensity of their own here: the day's total decides, as our
// icons name amounts (小雨 ... 特大暴雨).
const IconRow IconRows[] = {
    {0, 0},   {1, 0},   {2, 1},   {3, 2},   {45, 18}, {48, 18}, {51, -2},
    {53, -2}, {55, -2}, {61, -2}, {63, -2}, {65, -2}, {56, 19}, {57, 19},
    {66, 19}, {67, 19}, {71, 14}, {77, 14}, {73, 15}, {75, 16}, {80, 3},
    {81, 3},  {82, 3},  {85, 13}, {86, 13}, {95, 4},  {96, 5},  {99, 5},
};

int RainIcon(double mm) {
    if (mm < 10) {
        return 7;
    }
    if (mm < 25) {
        return 8;
    }
    if (mm < 50) {
        return 9;
    }
    if (mm < 100) {
        return 10;
    }
    return mm < 250 ? 11 : 12;
}

std::string Bytes(const char8_t* utf8) {
    return std::string(reinterpret_cast<const char*>(utf8));
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A finite number at a[i], or false for null, a missing entry or another type.
bool NumberAt(const json& a, std::size_t i, double& out) {
    if (!a.is_array() || i >= a.size() || !a[i].is_number()) {
        return false;
    }
    out = a[i].get<double>();
    return std::isfinite(out);
}

bool CodeAt(const json& a, std::size_t i, int& out) {
    double v;
    if (!NumberAt(a, i, v) || v != std::floor(v) || v < 0 || v > 99) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

const json* Member(const json& object, const char* name) {
    if (!object.is_object()) {
        return nullptr;
    }
    auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

// "2025-01-15T08:00" as a day and an hour.
bool ParseHour(const json& value, long long& day, int& hour) {
    if (!value.is_string()) {
        return false;
    }
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() != 16 || text[10] != 'T' || text[13] != ':' ||
        !ParseSiteDate(text.substr(0, 10), day)) {
        return false;
    }
    for (int i : {11, 12, 14, 15}) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    hour = (text[11] - '0') * 10 + (text[12] - '0');
    return hour < 24;
}

bool ParseDate(const json& value, long long& day) {
    return value.is_string() && ParseSiteDate(value.get_ref<const std::string&>(), day);
}

// The most severe code of each half of each date: WMO codes grow with severity, the same rule
// the service uses for a day's code.
struct Halves {
    int daytime = -1;
    int night = -1;
    int hours = 0;
};

bool ReadHours(const json& hourly, std::map<long long, Halves>& halves) {
    const json* times = Member(hourly, "time");
    const json* codes = Member(hourly, "weather_code");
    if (times == nullptr || codes == nullptr || !times->is_array() || !codes->is_array() ||
        times->size() != codes->size()) {
        return false;
    }
    for (std::size_t i = 0; i < times->size(); ++i) {
        long long day;
        int hour;
        if (!ParseHour((*times)[i], day, hour)) {
            return false;
        }
        auto it = halves.find(day);
        if (it == halves.end()) {
            continue;  // a date outside the five days
        }
        int code;
        if (!CodeAt(*codes, i, code) || WmoIcon(code, 0) < 0) {
            return false;
        }
        int& half = hour >= 8 && hour < 20 ? it->second.daytime : it->second.night;
        half = std::max(half, code);
        ++it->second.hours;
    }
    return true;
}

}  // namespace

int WmoIcon(int wmoCode, double precipitationMm) {
    for (const IconRow& row : IconRows) {
        if (row.wmo == wmoCode) {
            return row.icon == -2 ? RainIcon(precipitationMm) : row.icon;
        }
    }
    return -1;
}

int BeaufortForce(double kmh) {
    // The km/h table of the scale, whole km/h after rounding: 1-5 is force 1, 6-11 force 2, ...
    static const long long lowest[12] = {1, 6, 12, 20, 29, 39, 50, 62, 75, 89, 103, 118};
    if (!std::isfinite(kmh)) {
        return 0;
    }
    long long speed = RoundHalfAway(kmh);
    int force = 0;
    while (force < 12 && speed >= lowest[force]) {
        ++force;
    }
    return force;
}

std::string_view WindFrom(double degrees) {
    static const std::string_view names[8] = {"北", "东北", "东", "东南",
                                              "南", "西南", "西", "西北"};
    double d = std::fmod(degrees, 360.0);
    if (d < 0) {
        d += 360.0;
    }
    // Each sector runs from 22.5 degrees before its centre up to (not including) 22.5 after.
    return names[static_cast<int>((d + 22.5) / 45.0) % 8];
}

std::string WindWords(double kmh, double degrees) {
    int force = BeaufortForce(kmh);
    if (force < 3) {
        return "微风";
    }
    return std::string(WindFrom(degrees)) + "风" + std::to_string(force) + "-" +
           std::to_string(force + 1) + "级";
}

long long RoundHalfAway(double value) {
    return std::llround(value);
}

bool ParseForecastJson(std::string_view text, std::vector<UpstreamDay>& days) {
    json root = json::parse(text, nullptr, false);
    const json* daily = Member(root, "daily");
    const json* hourly = Member(root, "hourly");
    if (daily == nullptr || hourly == nullptr) {
        return false;
    }
    const char* names[] = {"weather_code",       "temperature_2m_max",
                           "temperature_2m_min", "precipitation_sum",
                           "wind_speed_10m_max", "wind_direction_10m_dominant"};
    const json* columns[6];
    for (int c = 0; c < 6; ++c) {
        columns[c] = Member(*daily, names[c]);
        if (columns[c] == nullptr) {
            return false;
        }
    }
    const json* times = Member(*daily, "time");
    if (times == nullptr || !times->is_array() || times->size() < 5) {
        return false;
    }
    std::vector<UpstreamDay> read;
    std::map<long long, Halves> halves;
    for (std::size_t i = 0; i < 5; ++i) {
        UpstreamDay d{};
        if (!ParseDate((*times)[i], d.day) || (i > 0 && d.day != read.back().day + 1) ||
            !CodeAt(*columns[0], i, d.weatherCode) || !NumberAt(*columns[1], i, d.high) ||
            !NumberAt(*columns[2], i, d.low) || !NumberAt(*columns[3], i, d.precipitation) ||
            !NumberAt(*columns[4], i, d.windSpeed) || !NumberAt(*columns[5], i, d.windDirection)) {
            return false;
        }
        if (d.high < d.low || d.high > 70 || d.low < -90 || d.precipitation < 0 ||
            d.precipitation > 5000 || d.windSpeed < 0 || d.windSpeed > 500 || d.windDirection < 0 ||
            d.windDirection > 360 || WmoIcon(d.weatherCode, d.precipitation) < 0) {
            return false;
        }
        read.push_back(d);
        halves[d.day] = Halves();
    }
    if (!ReadHours(*hourly, halves)) {
        return false;
    }
    for (UpstreamDay& d : read) {
        const Halves& h = halves[d.day];
        // Every hour of the five dates, or the split would guess.
        if (h.hours != 24 || WmoIcon(h.daytime, d.precipitation) < 0 ||
            WmoIcon(h.night, d.precipitation) < 0) {
            return false;
        }
        d.daytimeCode = h.daytime;
        d.nightCode = h.night;
    }
    days = std::move(read);
    return true;
}

std::string ProvinceStem(std::string_view utf8Name) {
    static const std::string suffixes[] = {
        Bytes(u8"特别行政区"), Bytes(u8"自治区"), Bytes(u8"维吾尔"), Bytes(u8"壮族"),
        Bytes(u8"回族"),       Bytes(u8"省"),     Bytes(u8"市"),
    };
    std::string name(utf8Name);
    // "广西壮族自治区" loses 自治区, then 壮族. UTF-8 is self-synchronising, so a suffix match
    // never starts inside a character.
    for (bool cut = true; cut;) {
        cut = false;
        for (const std::string& s : suffixes) {
            if (name.size() > s.size() && EndsWith(name, s)) {
                name.resize(name.size() - s.size());
                cut = true;
            }
        }
    }
    return name;
}

PlaceLookup ParseGeocodingJson(std::string_view text, std::string_view province,
                               Coordinates& place) {
    json root = json::parse(text, nullptr, false);
    if (!root.is_object() || root.contains("error")) {
        return PlaceLookup::Malformed;
    }
    const json* results = Member(root, "results");
    if (results == nullptr) {
        return PlaceLookup::NoMatch;  // the service leaves the list out when nothing matched
    }
    if (!results->is_array()) {
        return PlaceLookup::Malformed;
    }
    const std::string wanted = ProvinceStem(GbkToUtf8(province));
    if (wanted.empty()) {
        return PlaceLookup::NoMatch;
    }
    for (const json& result : *results) {
        const json* admin1 = Member(result, "admin1");
        const json* country = Member(result, "country_code");
        const json* latitude = Member(result, "latitude");
        const json* longitude = Member(result, "longitude");
        if (admin1 == nullptr || !admin1->is_string() ||
            ProvinceStem(admin1->get_ref<const std::string&>()) != wanted) {
            continue;
        }
        if (country != nullptr && (!country->is_string() || *country != "CN")) {
            continue;
        }
        if (latitude == nullptr || longitude == nullptr || !latitude->is_number() ||
            !longitude->is_number()) {
            continue;
        }
        double lat = latitude->get<double>();
        double lon = longitude->get<double>();
        if (!std::isfinite(lat) || !std::isfinite(lon) || lat < -90 || lat > 90 || lon < -180 ||
            lon > 180) {
            continue;
        }
        place = {lat, lon};
        return PlaceLookup::Found;
    }
    return PlaceLookup::NoMatch;
}

bool ParseForecastSource(std::string_view name, ForecastSource& source) {
    if (name == "sample") {
        source = ForecastSource::Sample;
    } else if (name == "openmeteo") {
        source = ForecastSource::OpenMeteo;
    } else if (name == "auto") {
        source = ForecastSource::Auto;
    } else {
        return false;
    }
    return true;
}
