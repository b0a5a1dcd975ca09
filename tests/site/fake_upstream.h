// A fake of the forecast service on loopback for the site's tests: it answers the forecast and
// geocoding addresses with what the test sets, counts the calls and remembers their parameters.
// JSON texts here are UTF-8, as the service sends them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

// One day of a forecast answer. The hours 08:00-19:00 carry `daytime`, the others `night`,
// unless `hours` gives all 24 codes.
struct FakeDay {
    std::string date;  // "2025-01-15"
    int daytime;
    int night;
    double high;
    double low;
    double precipitation;
    double wind;       // km/h
    double direction;  // degrees
    std::vector<int> hours = {};
};
// The forecast answer in the shape Open-Meteo documents (daily and hourly blocks with their
// units); the day's weather_code is the most severe of its hours, as the service computes it.
std::string ForecastJson(const std::vector<FakeDay>& days);

struct FakePlace {
    std::string name;    // UTF-8
    std::string admin1;  // UTF-8, as the service spells it: "北京市", "广西壮族自治区"
    double latitude;
    double longitude;
};
// The geocoding answer; no places gives the service's answer without a "results" list.
std::string GeocodingJson(const std::vector<FakePlace>& places);

struct FakeReply {
    int status = 200;
    std::string body;
    int delayMs = 0;  // before answering; cut short when the fake stops
};

class FakeUpstream {
  public:
    FakeUpstream();
    ~FakeUpstream();
    FakeUpstream(const FakeUpstream&) = delete;
    FakeUpstream& operator=(const FakeUpstream&) = delete;

    // "http://127.0.0.1:PORT"; empty when it could not listen.
    std::string Base() const;
    void SetForecast(const FakeReply& reply);
    void SetGeocoding(const FakeReply& reply);
    // While held, forecast calls wait until Release (or the fake stops).
    void Hold();
    void Release();
    int Forecasts() const;
    int Geocodings() const;
    // The query parameters of the last call to each address.
    std::map<std::string, std::string> LastForecastQuery() const;
    std::map<std::string, std::string> LastGeocodingQuery() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};
