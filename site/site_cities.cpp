// The provinces with their slugs, the compiled-in city rows, and page lookup by path.
#include <string>
#include <unordered_map>

#include "embedded/city_sections.h"
#include "site.h"
#include "site_rows.h"

// The provinces and their slugs are the city table's own sections, so a page path the program
// asks for is always one the site knows.
const std::vector<SiteProvince>& SiteProvinces() {
    static const std::vector<SiteProvince> provinces = [] {
        std::vector<SiteProvince> list;
        for (const CitySection& section : CitySections) {
            list.push_back({section.name, section.slug});
        }
        return list;
    }();
    return provinces;
}

const SiteProvince* FindSiteProvince(std::string_view slug) {
    for (const SiteProvince& p : SiteProvinces()) {
        if (p.slug == slug) {
            return &p;
        }
    }
    return nullptr;
}

static const SiteProvince* ProvinceByName(std::string_view name) {
    for (const SiteProvince& p : SiteProvinces()) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

const std::vector<SiteCity>& SiteCities() {
    static const std::vector<SiteCity> cities = [] {
        std::vector<SiteCity> list;
        for (int i = 0; i < SiteCityRowCount; ++i) {
            const SiteCityRow& row = SiteCityRows[i];
            const SiteProvince* province = ProvinceByName(row.province);
            if (province == nullptr || *row.pageName == '\0') {
                continue;
            }
            list.push_back({province->name, row.city, row.pageName, province->slug,
                            static_cast<int>(list.size())});
        }
        return list;
    }();
    return cities;
}

static std::string PathKey(std::string_view slug, std::string_view pageName) {
    std::string key(slug);
    key += '/';
    key += pageName;
    return key;
}

const SiteCity* FindSiteCity(std::string_view slug, std::string_view pageName) {
    static const std::unordered_map<std::string, const SiteCity*> byPath = [] {
        std::unordered_map<std::string, const SiteCity*> map;
        for (const SiteCity& city : SiteCities()) {
            map.emplace(PathKey(city.slug, city.pageName), &city);
        }
        return map;
    }();
    auto found = byPath.find(PathKey(slug, pageName));
    return found == byPath.end() ? nullptr : found->second;
}

std::string SitePagePath(const SiteCity& city) {
    return "/weather/" + PathKey(city.slug, city.pageName) + ".htm";
}

std::string_view SiteIcon(int number) {
    static const std::unordered_map<std::string, std::string_view> byName = [] {
        constexpr std::string_view nameSeparator = "/varnel_name/";
        constexpr std::string_view endSeparator = "/varnel_end/";
        std::unordered_map<std::string, std::string_view> map;
        std::string_view rest = SiteIconArchive;
        for (std::size_t end = rest.find(endSeparator); end != std::string_view::npos;
             end = rest.find(endSeparator)) {
            const std::string_view record = rest.substr(0, end);
            const std::size_t name = record.find(nameSeparator);
            if (name != std::string_view::npos) {
                map.emplace(std::string(record.substr(name + nameSeparator.size())),
                            record.substr(0, name));
            }
            rest.remove_prefix(end + endSeparator.size());
        }
        return map;
    }();
    if (number < 0 || number > 31) {
        return {};
    }
    const auto found = byName.find("b" + std::to_string(number) + ".gif");
    return found == byName.end() ? std::string_view() : found->second;
}
