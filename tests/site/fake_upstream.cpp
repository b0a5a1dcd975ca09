// The fake forecast service: an httplib server on an ephemeral loopback port.
#include "fake_upstream.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

using nlohmann::ordered_json;

std::string ForecastJson(const std::vector<FakeDay>& days) {
    ordered_json hourTimes = ordered_json::array();
    ordered_json hourCodes = ordered_json::array();
    ordered_json daily = {{"time", ordered_json::array()},
                          {"weather_code", ordered_json::array()},
                          {"temperature_2m_max", ordered_json::array()},
                          {"temperature_2m_min", ordered_json::array()},
                          {"precipitation_sum", ordered_json::array()},
                          {"wind_speed_10m_max", ordered_json::array()},
                          {"wind_direction_10m_dominant", ordered_json::array()}};
    for (const FakeDay& d : days) {
        int worst = 0;
        for (int hour = 0; hour < 24; ++hour) {
            int code = d.hours.size() == 24 ? d.hours[hour]
                                            : (hour >= 8 && hour < 20 ? d.daytime : d.night);
            char stamp[8];
            std::snprintf(stamp, sizeof(stamp), "T%02d:00", hour);
            hourTimes.push_back(d.date + stamp);
            hourCodes.push_back(code);
            worst = std::max(worst, code);
        }
        daily["time"].push_back(d.date);
        daily["weather_code"].push_back(worst);
        daily["temperature_2m_max"].push_back(d.high);
        daily["temperature_2m_min"].push_back(d.low);
        daily["precipitation_sum"].push_back(d.precipitation);
        daily["wind_speed_10m_max"].push_back(d.wind);
        daily["wind_direction_10m_dominant"].push_back(d.direction);
    }
    ordered_json answer = {
        {"latitude", 40.25},
        {"longitude", 116.25},
        {"generationtime_ms", 0.2},
        {"utc_offset_seconds", 28800},
        {"timezone", "Asia/Shanghai"},
        {"timezone_abbreviation", "CST"},
        {"elevation", 62.0},
        {"hourly_units", {{"time", "iso8601"}, {"weather_code", "wmo code"}}},
        {"hourly", {{"time", hourTimes}, {"weather_code", hourCodes}}},
        {"daily_units",
         {{"time", "iso8601"},
          {"weather_code", "wmo code"},
          {"temperature_2m_max", "°C"},
          {"temperature_2m_min", "°C"},
          {"precipitation_sum", "mm"},
          {"wind_speed_10m_max", "km/h"},
          {"wind_direction_10m_dominant", "°"}}},
        {"daily", daily},
    };
    return answer.dump();
}

std::string GeocodingJson(const std::vector<FakePlace>& places) {
    ordered_json answer = ordered_json::object();
    if (!places.empty()) {
        ordered_json results = ordered_json::array();
        int id = 1816000;
        for (const FakePlace& p : places) {
            results.push_back({{"id", ++id},
                               {"name", p.name},
                               {"latitude", p.latitude},
                               {"longitude", p.longitude},
                               {"elevation", 50.0},
                               {"feature_code", "PPLA3"},
                               {"country_code", "CN"},
                               {"admin1_id", 2038349},
                               {"timezone", "Asia/Shanghai"},
                               {"population", 100000},
                               {"country_id", 1814991},
                               {"country", "中国"},
                               {"admin1", p.admin1}});
        }
        answer["results"] = results;
    }
    answer["generationtime_ms"] = 0.5;
    return answer.dump();
}

struct FakeUpstream::State {
    httplib::Server server;
    std::thread thread;
    int port = -1;
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool held = false;
    FakeReply forecast;
    FakeReply geocoding;
    int forecasts = 0;
    int geocodings = 0;
    std::map<std::string, std::string> forecastQuery;
    std::map<std::string, std::string> geocodingQuery;

    void Answer(const httplib::Request& req, httplib::Response& res, bool isForecast) {
        std::unique_lock<std::mutex> lock(mutex);
        std::map<std::string, std::string> query;
        for (const auto& [name, value] : req.params) {
            query[name] = value;
        }
        (isForecast ? forecastQuery : geocodingQuery) = query;
        ++(isForecast ? forecasts : geocodings);
        FakeReply reply = isForecast ? forecast : geocoding;
        if (isForecast) {
            wake.wait(lock, [&] { return !held || stopping; });
        }
        wake.wait_for(lock, std::chrono::milliseconds(reply.delayMs), [&] { return stopping; });
        res.status = reply.status;
        res.set_content(reply.body, "application/json; charset=utf-8");
    }
};

FakeUpstream::FakeUpstream() : state_(new State) {
    State* s = state_.get();
    s->forecast.body = "{}";
    s->geocoding.body = "{}";
    // A proxied call names the whole address ("http://host/v1/forecast?..."): the fake serves as
    // the proxy too.
    s->server.Get(".*/v1/forecast", [s](const httplib::Request& req, httplib::Response& res) {
        s->Answer(req, res, true);
    });
    s->server.Get(".*/v1/search", [s](const httplib::Request& req, httplib::Response& res) {
        s->Answer(req, res, false);
    });
    s->port = s->server.bind_to_any_port("127.0.0.1");
    if (s->port > 0) {
        s->thread = std::thread([s] { s->server.listen_after_bind(); });
        // A stop before the accept loop runs would be lost.
        for (int i = 0; i < 5000 && !s->server.is_running(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

FakeUpstream::~FakeUpstream() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_all();
    state_->server.stop();
    if (state_->thread.joinable()) {
        state_->thread.join();
    }
}

std::string FakeUpstream::Base() const {
    return state_->port > 0 ? "http://127.0.0.1:" + std::to_string(state_->port) : std::string();
}

void FakeUpstream::SetForecast(const FakeReply& reply) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->forecast = reply;
}

void FakeUpstream::SetGeocoding(const FakeReply& reply) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->geocoding = reply;
}

void FakeUpstream::Hold() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->held = true;
}

void FakeUpstream::Release() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->held = false;
    }
    state_->wake.notify_all();
}

int FakeUpstream::Forecasts() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->forecasts;
}

int FakeUpstream::Geocodings() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->geocodings;
}

std::map<std::string, std::string> FakeUpstream::LastForecastQuery() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->forecastQuery;
}

std::map<std::string, std::string> FakeUpstream::LastGeocodingQuery() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->geocodingQuery;
}
