// Civil dates as day counts, weekdays, and the date and time of day in China.
#include <chrono>
#include <cstdio>

#include "site.h"

// Howard Hinnant's days_from_civil: exact for the proleptic Gregorian calendar.
long long DaysFromDate(SiteDate date) {
    long long y = date.year - (date.month <= 2 ? 1 : 0);
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long mp = (date.month + 9) % 12;
    long long doy = (153 * mp + 2) / 5 + date.day - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

SiteDate DateFromDays(long long days) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long doe = days - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

int WeekdayOfDays(long long days) {
    // 1970-01-01 was a Thursday.
    long long w = (days + 4) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w);
}

long long ChinaDayOf(long long unixSeconds) {
    long long seconds = unixSeconds + 8 * 3600;
    long long days = seconds / 86400;
    return seconds < 0 && seconds % 86400 != 0 ? days - 1 : days;
}

std::string ChinaClockText(long long unixSeconds) {
    long long inDay = unixSeconds + 8 * 3600 - ChinaDayOf(unixSeconds) * 86400;
    char text[8];
    std::snprintf(text, sizeof(text), "%02d:%02d", static_cast<int>(inDay / 3600),
                  static_cast<int>(inDay / 60 % 60));
    return text;
}

long long UnixNow() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

long long ChinaToday() {
    return ChinaDayOf(UnixNow());
}

bool ParseSiteDate(std::string_view text, long long& days) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < lengths[p]; ++i) {
            char c = text[starts[p] + i];
            if (c < '0' || c > '9') {
                return false;
            }
            parts[p] = parts[p] * 10 + (c - '0');
        }
    }
    SiteDate date{parts[0], parts[1], parts[2]};
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) {
        return false;
    }
    long long d = DaysFromDate(date);
    SiteDate back = DateFromDays(d);
    if (back.year != date.year || back.month != date.month || back.day != date.day) {
        return false;
    }
    days = d;
    return true;
}
