// The provinces with their slugs, the compiled-in city rows, and page lookup by path.
#include <string>
#include <unordered_map>

#include "site.h"
#include "site_rows.h"

const std::vector<SiteProvince>& SiteProvinces() {
    static const std::vector<SiteProvince> provinces = {
        {"北京", "beijing"},   {"上海", "shanghai"},       {"台湾", "taiwang"},
        {"香港", "xianggang"}, {"澳门", "aomen"},          {"广东", "guangdong"},
        {"福建", "fujian"},    {"浙江", "zhejiang"},       {"安徽", "anhui"},
        {"江苏", "jiangsu"},   {"甘肃", "gansu"},          {"广西", "guangxi"},
        {"贵州", "guizhou"},   {"海南", "hainan"},         {"河北", "hebei"},
        {"河南", "henan"},     {"黑龙江", "heilongjiang"}, {"湖北", "hubei"},
        {"湖南", "hunan"},     {"吉林", "jilin"},          {"江西", "jiangxi"},
        {"辽宁", "liaoning"},  {"内蒙古", "neimenggu"},    {"宁夏", "ningxia"},
        {"青海", "qinghai"},   {"山东", "shandong"},       {"山西", "shanx"},
        {"陕西", "shanxi"},    {"四川", "sichuan"},        {"天津", "tianjin"},
        {"西藏", "xizang"},    {"新疆", "xinjiang"},       {"云南", "yunnan"},
        {"重庆", "chongqing"},
    };
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
    if (number < 0 || number > 31 || SiteIconData[number].data == nullptr) {
        return {};
    }
    return {SiteIconData[number].data, SiteIconData[number].size};
}
