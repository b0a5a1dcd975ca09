// The 34 sections of the city table in the order the table carries them, with the slug that
// every page path of a section uses and the number of its cities.
#pragma once

#include <array>
#include <string_view>

struct CitySection {
    std::string_view name;  // GBK, as in the section line and the province box
    std::string_view slug;
    int cityCount;
};

inline constexpr std::array<CitySection, 34> CitySections{{
    {"北京", "beijing", 13},   {"上海", "shanghai", 9},        {"台湾", "taiwang", 2},
    {"香港", "xianggang", 1},  {"澳门", "aomen", 1},           {"广东", "guangdong", 91},
    {"福建", "fujian", 71},    {"浙江", "zhejiang", 77},       {"安徽", "anhui", 80},
    {"江苏", "jiangsu", 69},   {"甘肃", "gansu", 81},          {"广西", "guangxi", 89},
    {"贵州", "guizhou", 84},   {"海南", "hainan", 20},         {"河北", "hebei", 140},
    {"河南", "henan", 121},    {"黑龙江", "heilongjiang", 86}, {"湖北", "hubei", 80},
    {"湖南", "hunan", 99},     {"吉林", "jilin", 49},          {"江西", "jiangxi", 87},
    {"辽宁", "liaoning", 62},  {"内蒙古", "neimenggu", 98},    {"宁夏", "ningxia", 21},
    {"青海", "qinghai", 49},   {"山东", "shandong", 125},      {"山西", "shanx", 110},
    {"陕西", "shanxi", 101},   {"四川", "sichuan", 157},       {"天津", "tianjin", 12},
    {"西藏", "xizang", 37},    {"新疆", "xinjiang", 88},       {"云南", "yunnan", 116},
    {"重庆", "chongqing", 36},
}};

// Every address is the site base, this folder, the slug, "/", the page name and ".htm".
inline constexpr std::string_view CityPageFolder = "/weather/";
