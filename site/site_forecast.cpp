// The forecast model: plausible, deterministic weather for every city and date.
//
// Each province has a climate record: mean daily temperature in January and July, the usual gap
// between day and night, the share of days with precipitation in each month, how often spring
// brings dust and winter brings fog, and how far its cities lie below and above the province's
// means (widest where cities range from basins to plateaus, as in Sichuan, Gansu and Inner
// Mongolia; close in the municipalities). A city takes its province's record plus offsets drawn
// from a hash of its page path: a temperature offset within those bounds (colder cities also get
// a wider day/night gap, as on a plateau) and a wetter or drier factor.
//
// A drawn offset cannot place a real city: Lhasa is not a cold Tibetan county, Turpan is hotter
// than Urumqi. So the provincial capitals and the notable extremes (the plateaus, the far north,
// the deserts and oases, the tropical south) carry their own January and July means, day/night
// gap and wetness, with no drawn offset. Those of them high on the plateau are the only places
// where summer nights may bring snow or sleet; elsewhere a summer rain night stays above 2 degrees.
//
// A day's mean temperature follows a cosine through the year, coldest in mid January, plus an
// anomaly smoothed over three days of hashed noise, so that neighbouring days agree and cold
// waves last. Every draw is a hash of the city, the date and what is drawn, never a random
// generator: the same city and date always give the same forecast, whatever day it is asked on.
//
// Whether a day is wet comes from the month's share; the amount is skewed towards light and is
// heavier in the southern summer, where wet days are often showers and thunderstorms (hail now
// and then on the plateaus and in the north-west). Precipitation falls as snow only when it is
// cold: by day when the high is at most 1 degree, by night when the low is at most -1; as sleet
// (or, where it happens, freezing rain) when the high is at most 4 by day or the low at most 2 by
// night; as rain otherwise. Dry days are sunny, cloudy or overcast, with fog in the basins and
// plains in winter and dust or sand in the north and north-west in spring (March to May), which
// also brings strong wind. Winter winds come from the north, summer winds from the south.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "site.h"

namespace {

struct Climate {
    std::string_view province;
    double janMean;
    double julMean;
    double range;       // day minus night, degrees
    int wetShare[12];   // percent of days with precipitation, January first
    int dustShare;      // percent of spring days with dust or sand
    int fogShare;       // percent of winter days with fog
    double cooler;      // cities lie from this many degrees below the province mean
    double warmer;      // to this many above it
    bool hail;          // thunderstorms may bring hail
    bool freezingRain;  // winter rain may freeze
    bool calmBasin;     // winds are mostly light
};

// One province a line reads best as a table.
// clang-format off
const Climate Climates[] = {
    {"北京", -3, 27, 11, {10, 12, 15, 17, 20, 30, 45, 40, 25, 17, 12, 8}, 8, 8, 2, 2, false, false, false},
    {"上海", 5, 29, 7, {30, 33, 40, 40, 40, 45, 40, 35, 35, 25, 25, 25}, 0, 6, 1, 1, false, false, false},
    {"台湾", 16, 29.5, 6, {30, 35, 35, 40, 45, 50, 40, 45, 40, 25, 25, 25}, 0, 2, 2, 2, false, false, false},
    {"香港", 16.5, 29, 5, {15, 20, 25, 35, 50, 60, 55, 55, 45, 20, 15, 10}, 0, 3, 0.5, 0.5, false, false, false},
    {"澳门", 16, 29, 5, {15, 20, 25, 35, 50, 60, 55, 55, 45, 20, 15, 10}, 0, 3, 0.5, 0.5, false, false, false},
    {"广东", 13, 29, 7, {25, 35, 45, 50, 55, 60, 55, 55, 45, 25, 20, 20}, 0, 5, 3, 3, false, false, false},
    {"福建", 11, 28.5, 7, {35, 40, 50, 55, 55, 55, 40, 40, 35, 20, 25, 30}, 0, 5, 3, 3, false, false, false},
    {"浙江", 5, 28.5, 7, {35, 38, 45, 45, 45, 50, 40, 40, 35, 25, 25, 30}, 0, 6, 2, 2, false, false, false},
    {"安徽", 3, 28.5, 8, {30, 32, 38, 38, 38, 42, 40, 35, 28, 22, 22, 22}, 0, 8, 2, 2, false, false, false},
    {"江苏", 3, 28, 8, {25, 28, 33, 33, 33, 40, 42, 38, 28, 20, 20, 20}, 0, 10, 2, 2, false, false, false},
    {"甘肃", -7, 20, 13, {6, 8, 12, 15, 20, 25, 30, 30, 25, 15, 7, 5}, 12, 2, 4, 5, true, false, false},
    {"广西", 12, 28.5, 7, {30, 35, 40, 45, 50, 55, 55, 50, 40, 25, 20, 20}, 0, 4, 3, 3, false, false, false},
    {"贵州", 4, 24, 7, {45, 45, 45, 50, 55, 55, 45, 40, 35, 40, 35, 40}, 0, 8, 3, 3, false, true, true},
    {"海南", 19, 29, 7, {15, 15, 15, 20, 35, 45, 45, 50, 50, 35, 25, 15}, 0, 2, 2, 2, false, false, false},
    {"河北", -4, 26.5, 11, {8, 10, 13, 15, 20, 28, 42, 38, 22, 15, 10, 7}, 8, 10, 5, 2, true, false, false},
    {"河南", 1, 27.5, 10, {15, 18, 22, 25, 25, 30, 40, 38, 28, 22, 17, 13}, 4, 10, 2, 2, false, false, false},
    {"黑龙江", -19, 22.5, 11, {15, 12, 15, 20, 30, 40, 50, 45, 30, 20, 18, 17}, 0, 2, 3, 3, true, false, false},
    {"湖北", 4, 29, 8, {30, 33, 40, 45, 45, 45, 40, 35, 30, 30, 25, 22}, 0, 8, 3, 3, false, true, false},
    {"湖南", 5, 29, 7, {40, 42, 50, 55, 55, 50, 35, 35, 30, 35, 33, 32}, 0, 6, 2, 2, false, true, false},
    {"吉林", -15, 23, 11, {12, 10, 15, 20, 30, 40, 50, 45, 30, 20, 15, 13}, 3, 2, 3, 3, true, false, false},
    {"江西", 6, 29.5, 7, {40, 45, 55, 55, 55, 55, 35, 35, 30, 25, 28, 30}, 0, 6, 2, 2, false, true, false},
    {"辽宁", -9, 24.5, 10, {10, 10, 15, 20, 25, 35, 45, 40, 25, 18, 15, 12}, 4, 4, 3, 3, false, false, false},
    {"内蒙古", -13, 22, 13, {7, 7, 10, 12, 17, 27, 37, 33, 20, 12, 8, 7}, 15, 1, 5, 5, true, false, false},
    {"宁夏", -7, 23.5, 13, {5, 6, 10, 12, 17, 22, 30, 30, 22, 12, 6, 4}, 14, 1, 3, 3, true, false, false},
    {"青海", -10, 15, 15, {8, 10, 15, 20, 35, 45, 50, 45, 40, 20, 10, 6}, 10, 1, 1, 6, true, false, false},
    {"山东", -1, 27, 9, {10, 12, 15, 18, 20, 28, 45, 40, 25, 18, 12, 10}, 3, 8, 2, 2, false, false, false},
    {"山西", -6, 24, 12, {8, 10, 13, 17, 22, 30, 40, 38, 27, 17, 10, 7}, 8, 5, 3, 3, true, false, false},
    {"陕西", -1, 26.5, 11, {12, 15, 20, 25, 28, 30, 35, 33, 35, 25, 15, 10}, 6, 6, 5, 1.5, false, false, false},
    {"四川", 6, 25.5, 7, {25, 28, 35, 40, 45, 55, 60, 55, 55, 45, 30, 25}, 0, 20, 5, 2, true, false, true},
    {"天津", -3, 27, 10, {8, 10, 13, 15, 20, 28, 42, 38, 22, 15, 10, 7}, 5, 10, 1, 1, false, false, false},
    {"西藏", -4, 15, 15, {3, 5, 8, 12, 20, 45, 60, 60, 45, 12, 4, 3}, 3, 0, 3, 2, true, false, false},
    {"新疆", -10, 25, 14, {10, 10, 8, 10, 12, 15, 15, 12, 8, 7, 10, 12}, 20, 3, 4, 2, true, false, false},
    {"云南", 9, 20, 11, {7, 8, 10, 15, 30, 55, 65, 60, 50, 40, 20, 8}, 0, 3, 5, 5, true, false, true},
    {"重庆", 8, 28.5, 7, {30, 30, 38, 42, 45, 45, 40, 35, 40, 45, 35, 30}, 0, 25, 2, 2, false, false, true},
};
// clang-format on

const Climate& ClimateOf(std::string_view province) {
    for (const Climate& c : Climates) {
        if (c.province == province) {
            return c;
        }
    }
    return Climates[0];
}

// Cities whose climate is well known, and the high-plateau places where summer nights may bring
// snow: these take their own means and day/night gap instead of a drawn offset.
struct KnownClimate {
    std::string_view province;
    std::string_view city;
    double janMean;
    double julMean;
    double range;
    double wetFactor;  // the province's wet days scaled, for deserts and oases
    bool highPlateau;  // snow and sleet may fall even in summer
};

// clang-format off
const KnownClimate KnownClimates[] = {
    {"黑龙江", "哈尔滨", -17.5, 23.5, 11, 1, false},
    {"黑龙江", "齐齐哈尔", -17.5, 23.5, 12, 0.9, false},
    {"黑龙江", "牡丹江", -16.5, 22.5, 12, 1, false},
    {"黑龙江", "佳木斯", -18, 22.5, 11, 1, false},
    {"黑龙江", "黑河", -21.5, 21, 12, 1, false},
    {"黑龙江", "大兴安岭", -22, 20, 14, 1, false},
    {"黑龙江", "漠河", -28, 18.5, 15, 1, false},
    {"吉林", "长春", -15, 23.5, 11, 1, false},
    {"吉林", "延吉", -13, 21.5, 12, 1, false},
    {"吉林", "长白", -15, 19, 12, 1.1, false},
    {"辽宁", "沈阳", -11.5, 24.5, 10, 1, false},
    {"辽宁", "大连", -3.5, 24, 7, 1, false},
    {"内蒙古", "呼和浩特", -11.5, 23, 13, 1, false},
    {"内蒙古", "包头", -11, 23.5, 13, 0.9, false},
    {"内蒙古", "赤峰", -10.5, 23.5, 13, 1, false},
    {"内蒙古", "锡林浩特", -18, 21.5, 13, 0.9, false},
    {"内蒙古", "二连浩特", -17.5, 23.5, 14, 0.5, false},
    {"内蒙古", "呼伦贝尔", -24, 20.5, 13, 1, false},
    {"内蒙古", "满洲里", -21.5, 20.5, 13, 0.9, false},
    {"内蒙古", "根河", -28, 17, 15, 1.1, false},
    {"内蒙古", "阿尔山", -23.5, 17, 14, 1.2, false},
    {"内蒙古", "额济纳旗", -11, 27, 16, 0.3, false},
    {"河北", "石家庄", -1.5, 27.5, 10, 1, false},
    {"河北", "张北", -14.5, 19, 13, 1, false},
    {"山西", "太原", -5, 24, 12, 1, false},
    {"山东", "济南", -0.5, 27.5, 9, 1, false},
    {"山东", "青岛", -0.5, 25, 6, 1, false},
    {"河南", "郑州", 0.5, 27.5, 10, 1, false},
    {"陕西", "西安", 1, 27.5, 10, 1, false},
    {"陕西", "榆林", -8.5, 23.5, 13, 0.7, false},
    {"陕西", "汉中", 3, 25.5, 8, 1, false},
    {"宁夏", "银川", -7, 24, 12, 1, false},
    {"甘肃", "兰州", -4.5, 23, 12, 1, false},
    {"甘肃", "天水", -1, 23, 10, 1, false},
    {"甘肃", "陇南", 3.5, 24.5, 9, 1, false},
    {"甘肃", "酒泉", -9, 22.5, 14, 0.5, false},
    {"甘肃", "嘉峪关", -8.5, 22.5, 14, 0.5, false},
    {"甘肃", "敦煌", -8, 25.5, 15, 0.3, false},
    {"甘肃", "合作", -9, 13, 15, 1, false},
    {"甘肃", "玛曲", -10, 11.5, 15, 1, true},
    {"青海", "西宁", -7, 17.5, 14, 1, false},
    {"青海", "格尔木", -9, 18, 14, 0.4, false},
    {"青海", "德令哈", -10.5, 16.5, 14, 0.6, false},
    {"青海", "茫崖", -11, 17, 14, 0.2, false},
    {"青海", "大柴旦", -13, 15, 15, 0.5, false},
    {"青海", "共和", -9, 16, 14, 1, false},
    {"青海", "贵德", -6, 18.5, 14, 1, false},
    {"青海", "民和", -6, 20, 13, 1, false},
    {"青海", "祁连", -12, 13, 15, 1, false},
    {"青海", "门源", -13, 12, 14, 1, true},
    {"青海", "海晏", -12, 12, 15, 1, true},
    {"青海", "刚察", -12, 11, 14, 1, true},
    {"青海", "天峻", -13.5, 10.5, 15, 1, true},
    {"青海", "兴海", -10, 12, 15, 1, true},
    {"青海", "同德", -11, 11.5, 15, 1, true},
    {"青海", "泽库", -12.5, 9.5, 15, 1, true},
    {"青海", "河南", -12, 10, 15, 1, true},
    {"青海", "玛沁", -11.5, 10, 15, 1, true},
    {"青海", "果洛", -11.5, 10, 15, 1, true},
    {"青海", "班玛", -8, 12, 14, 1, true},
    {"青海", "久治", -10, 10.5, 14, 1, true},
    {"青海", "甘德", -13, 8.5, 15, 1, true},
    {"青海", "达日", -13, 9.5, 15, 1, true},
    {"青海", "玛多", -16, 8, 15, 1, true},
    {"青海", "玉树", -7.5, 13, 15, 1, true},
    {"青海", "称多", -11, 10, 15, 1, true},
    {"青海", "杂多", -11, 10.5, 15, 1, true},
    {"青海", "治多", -14, 9, 15, 1, true},
    {"青海", "曲麻莱", -15, 9, 15, 1, true},
    {"青海", "囊谦", -5, 13.5, 15, 1, true},
    {"西藏", "拉萨", -1, 16, 14, 1, false},
    {"西藏", "日喀则", -3.5, 15, 15, 1, false},
    {"西藏", "山南", -0.5, 16, 14, 1, false},
    {"西藏", "林芝", 0.5, 16, 10, 1.2, false},
    {"西藏", "昌都", -2, 16.5, 14, 1, false},
    {"西藏", "江孜", -5, 14, 15, 1, true},
    {"西藏", "那曲", -12.5, 9, 15, 1, true},
    {"西藏", "当雄", -10, 11, 15, 1, true},
    {"西藏", "丁青", -6, 12, 14, 1, true},
    {"西藏", "类乌齐", -6, 12, 14, 1, true},
    {"西藏", "定日", -7.5, 12, 16, 0.8, true},
    {"西藏", "定结", -7, 11, 15, 0.8, true},
    {"西藏", "康马", -6, 12, 15, 0.8, true},
    {"西藏", "岗巴", -9, 10, 15, 0.8, true},
    {"西藏", "昂仁", -8, 11, 15, 0.8, true},
    {"西藏", "萨嘎", -10, 11, 15, 0.8, true},
    {"西藏", "仲巴", -10, 10, 15, 0.8, true},
    {"西藏", "聂拉木", -4, 10.5, 10, 1.2, true},
    {"新疆", "乌鲁木齐", -12, 24, 11, 1, false},
    {"新疆", "克拉玛依", -15, 28, 11, 0.5, false},
    {"新疆", "石河子", -15.5, 25, 12, 1, false},
    {"新疆", "阿拉山口", -15, 27.5, 11, 0.6, false},
    {"新疆", "伊宁", -8.5, 23, 13, 1.2, false},
    {"新疆", "塔城", -10, 23, 13, 1.1, false},
    {"新疆", "阿勒泰", -15.5, 22, 12, 1, false},
    {"新疆", "富蕴", -20, 21.5, 15, 0.9, false},
    {"新疆", "青河", -21, 19, 15, 0.9, false},
    {"新疆", "巴里坤", -17, 18.5, 15, 0.9, false},
    {"新疆", "吐鲁番", -7, 32.5, 13, 0.15, false},
    {"新疆", "鄯善", -8, 29, 14, 0.2, false},
    {"新疆", "托克逊", -6.5, 31, 14, 0.15, false},
    {"新疆", "哈密", -10, 26.5, 15, 0.3, false},
    {"新疆", "库尔勒", -7, 26.5, 13, 0.4, false},
    {"新疆", "若羌", -7.5, 28, 14, 0.2, false},
    {"新疆", "且末", -8, 24.5, 15, 0.3, false},
    {"新疆", "阿克苏", -8, 24, 13, 0.6, false},
    {"新疆", "喀什", -5, 26, 13, 0.6, false},
    {"新疆", "和田", -4, 26, 13, 0.4, false},
    {"新疆", "塔什库尔干", -12, 16, 16, 0.5, false},
    {"四川", "成都", 5.5, 25.5, 7, 1, false},
    {"四川", "攀枝花", 12, 26.5, 11, 0.8, false},
    {"四川", "西昌", 9.5, 22.5, 11, 0.9, false},
    {"四川", "马尔康", 0.5, 16.5, 14, 1, false},
    {"四川", "康定", -2.5, 15.5, 9, 1.2, false},
    {"四川", "松潘", -2, 15, 13, 1, false},
    {"四川", "甘孜", -4.5, 14, 15, 1, false},
    {"四川", "德格", -3.5, 14, 14, 1, false},
    {"四川", "阿坝", -8, 12, 15, 1.1, true},
    {"四川", "壤塘", -7, 12, 15, 1.1, true},
    {"四川", "红原", -10, 10.5, 15, 1.1, true},
    {"四川", "若尔盖", -10, 10.5, 15, 1.1, true},
    {"四川", "色达", -11, 9.5, 15, 1.1, true},
    {"四川", "石渠", -12, 8.5, 15, 1, true},
    {"四川", "理塘", -6, 10.5, 15, 1, true},
    {"四川", "稻城", -6, 11.5, 15, 1, true},
    {"云南", "昆明", 9, 20, 12, 1, false},
    {"云南", "丽江", 6, 18, 12, 1, false},
    {"云南", "大理", 9, 20.5, 10, 1, false},
    {"云南", "昭通", 2, 20, 10, 1, false},
    {"云南", "景洪", 16.5, 26, 12, 1, false},
    {"云南", "瑞丽", 13, 25.5, 12, 1.1, false},
    {"云南", "元江", 17, 29, 11, 0.8, false},
    {"云南", "元谋", 15, 27.5, 14, 0.7, false},
    {"云南", "河口", 16, 28.5, 8, 1.1, false},
    {"贵州", "贵阳", 5, 24, 7, 1, false},
    {"广西", "南宁", 13, 28.5, 7, 1, false},
    {"广西", "桂林", 8, 28.5, 7, 1.1, false},
    {"广东", "广州", 13.5, 29, 7, 1, false},
    {"广东", "深圳", 15.5, 29, 6, 1, false},
    {"海南", "海口", 18, 29, 7, 1, false},
    {"海南", "三亚", 22, 29, 6, 0.9, false},
    {"海南", "五指山", 17, 26.5, 9, 1.1, false},
    {"海南", "三沙", 23.5, 29.5, 4, 1, false},
    {"海南", "西沙群岛", 23.5, 29.5, 4, 1, false},
    {"海南", "南沙群岛", 26.5, 29, 4, 1, false},
    {"福建", "福州", 11, 29, 7, 1, false},
    {"福建", "厦门", 13.5, 28.5, 6, 1, false},
    {"浙江", "杭州", 4.5, 29, 7, 1, false},
    {"江苏", "南京", 3, 28, 8, 1, false},
    {"安徽", "合肥", 3, 28.5, 8, 1, false},
    {"江西", "南昌", 6, 29.5, 7, 1, false},
    {"湖北", "武汉", 4, 29, 8, 1, false},
    {"湖南", "长沙", 5, 29.5, 7, 1, false},
    {"台湾", "台北", 16, 29.5, 6, 1, false},
};
// clang-format on

const std::string_view Names[32] = {
    "晴",           "多云",
    "阴",           "阵雨",
    "雷阵雨",       "雷阵雨伴有冰雹",
    "雨夹雪",       "小雨",
    "中雨",         "大雨",
    "暴雨",         "大暴雨",
    "特大暴雨",     "阵雪",
    "小雪",         "中雪",
    "大雪",         "暴雪",
    "雾",           "冻雨",
    "沙尘暴",       "小到中雨",
    "中到大雨",     "大到暴雨",
    "暴雨到大暴雨", "大暴雨到特大暴雨",
    "小到中雪",     "中到大雪",
    "大到暴雪",     "浮尘",
    "扬沙",         "强沙尘暴",
};

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

std::uint64_t CitySeed(const SiteCity& city) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::string_view part : {city.slug, std::string_view("/"), city.pageName}) {
        for (unsigned char c : part) {
            h = (h ^ c) * 1099511628211ull;
        }
    }
    return h;
}

// Uniform in [0, 1) for a city, a day and what is drawn.
double Draw(std::uint64_t seed, long long day, int what) {
    std::uint64_t h = Mix(seed ^ Mix(static_cast<std::uint64_t>(day) * 64 + what));
    return static_cast<double>(h >> 11) * 0x1.0p-53;
}

enum Draws {
    kNoise,
    kWet,
    kAmount,
    kPart,
    kShower,
    kSky,
    kNightSky,
    kFog,
    kDust,
    kDustLevel,
    kWindDir,
    kWindForce,
    kFreeze,
    kHail,
    kCityTemp = 60,
    kCityWet = 61
};

struct Place {
    const Climate* climate;
    std::uint64_t seed;
    double janMean;
    double julMean;
    double tempOffset;
    double range;
    double wetFactor;
    bool highPlateau;
};

const KnownClimate* KnownClimateOf(const SiteCity& city) {
    for (const KnownClimate& k : KnownClimates) {
        if (k.province == city.province && k.city == city.city) {
            return &k;
        }
    }
    return nullptr;
}

Place PlaceOf(const SiteCity& city) {
    Place place;
    place.climate = &ClimateOf(city.province);
    place.seed = CitySeed(city);
    if (const KnownClimate* known = KnownClimateOf(city)) {
        place.janMean = known->janMean;
        place.julMean = known->julMean;
        place.tempOffset = 0;
        place.range = known->range;
        place.wetFactor = known->wetFactor;
        place.highPlateau = known->highPlateau;
        return place;
    }
    place.janMean = place.climate->janMean;
    place.julMean = place.climate->julMean;
    double u = Draw(place.seed, 0, kCityTemp) * 2 - 1;
    place.tempOffset = u * (u < 0 ? place.climate->cooler : place.climate->warmer);
    // A city much colder than its province is a high one: thin air, wide day/night gap.
    place.range = place.climate->range * (place.tempOffset < -3 ? 1.2 : 1.0);
    place.wetFactor = 0.8 + 0.4 * Draw(place.seed, 0, kCityWet);
    place.highPlateau = false;
    return place;
}

double SeasonalMean(const Place& place, int dayOfYear) {
    const double pi = 3.14159265358979323846;
    double mid = (place.janMean + place.julMean) / 2;
    double half = (place.julMean - place.janMean) / 2;
    return mid - half * std::cos(2 * pi * (dayOfYear - 15) / 365.25);
}

int DayOfYear(long long day) {
    SiteDate d = DateFromDays(day);
    return static_cast<int>(day - DaysFromDate({d.year, 1, 1}));
}

// 0 small, 1 small to moderate, ... 10 extreme; the rain and snow codes follow this scale.
int PrecipitationLevel(double r) {
    const double edges[10] = {0.40, 0.52, 0.66, 0.76, 0.85, 0.91, 0.95, 0.975, 0.99, 0.996};
    int level = 0;
    while (level < 10 && r >= edges[level]) {
        ++level;
    }
    return level;
}

int RainCode(int level) {
    const int codes[11] = {7, 21, 8, 22, 9, 23, 10, 24, 11, 25, 12};
    return codes[level];
}

int SnowCode(int level) {
    const int codes[11] = {14, 26, 15, 27, 16, 28, 17, 17, 17, 17, 17};
    return codes[level];
}

// The precipitation code for a part of the day at a given temperature.
int WetCode(const Place& place, long long day, int level, bool shower, double temp, bool night) {
    double snowAt = night ? -1 : 1;
    double sleetAt = night ? 2 : 4;
    if (temp <= snowAt) {
        return shower ? 13 : SnowCode(level);
    }
    if (temp <= sleetAt) {
        bool freezes = place.climate->freezingRain && Draw(place.seed, day, kFreeze) < 0.35;
        return freezes ? 19 : 6;
    }
    if (shower) {
        double u = Draw(place.seed, day, kHail);
        if (place.climate->hail && u < 0.06) {
            return 5;
        }
        return u < 0.55 ? 4 : 3;
    }
    return RainCode(level);
}

std::string Wind(const Place& place, long long day, int month, bool strong, bool stormy) {
    static const std::string_view directions[8] = {"北风", "东北风", "东风", "东南风",
                                                   "南风", "西南风", "西风", "西北风"};
    double u = Draw(place.seed, day, kWindDir);
    int dir;
    if (month >= 11 || month <= 3) {
        dir = u < 0.4 ? 0 : (u < 0.75 ? 7 : static_cast<int>(u * 8) % 8);
    } else if (month >= 5 && month <= 8) {
        dir = u < 0.4 ? 4 : (u < 0.75 ? 3 : static_cast<int>(u * 8) % 8);
    } else {
        dir = static_cast<int>(u * 8) % 8;
    }
    double f = Draw(place.seed, day, kWindForce);
    std::string_view force;
    if (strong) {
        force = f < 0.6 ? "5-6级" : "6-7级";
    } else if (stormy) {
        force = f < 0.7 ? "3-4级" : "4-5级";
    } else if (f < (place.climate->calmBasin ? 0.75 : 0.45)) {
        return "微风";
    } else {
        force = f < 0.85 ? "3-4级" : "4-5级";
    }
    return std::string(directions[dir]) + std::string(force);
}

DayForecast ForecastDay(const Place& place, long long day) {
    const Climate& c = *place.climate;
    int month = DateFromDays(day).month;
    bool winter = month >= 11 || month <= 2;
    bool spring = month >= 3 && month <= 5;

    double scale = (month >= 5 && month <= 9) ? 3.0 : 5.0;
    double anomaly = scale * (0.5 * (2 * Draw(place.seed, day, kNoise) - 1) +
                              0.3 * (2 * Draw(place.seed, day - 1, kNoise) - 1) +
                              0.2 * (2 * Draw(place.seed, day - 2, kNoise) - 1));
    double mean = SeasonalMean(place, DayOfYear(day)) + place.tempOffset + anomaly;
    double range = place.range;

    double wetChance = std::min(0.9, c.wetShare[month - 1] / 100.0 * place.wetFactor);
    bool wet = Draw(place.seed, day, kWet) < wetChance;
    double sky = Draw(place.seed, day, kSky);
    bool dusty = !wet && spring && Draw(place.seed, day, kDust) < c.dustShare / 100.0;
    bool foggy = !wet && !dusty && winter && Draw(place.seed, day, kFog) < c.fogShare / 100.0;

    DayForecast f;
    f.day = day;
    if (wet) {
        range *= 0.6;
        mean -= 1.5;
    } else if (sky > 0.75) {
        range *= 0.75;
    }
    f.high = static_cast<int>(std::lround(mean + range / 2));
    f.low = static_cast<int>(std::lround(mean - range / 2));
    if (f.high <= f.low) {
        f.high = f.low + 1;
    }
    // Cloud keeps a summer rain night mild; only the high plateau sees snow or sleet in summer.
    if (wet && month >= 6 && month <= 8 && !place.highPlateau) {
        f.low = std::max(f.low, 3);
        f.high = std::max({f.high, f.low + 1, 5});
    }

    bool strongWind = false;
    if (wet) {
        bool heavySeason = month >= 5 && month <= 9 && c.julMean >= 24;
        double r = Draw(place.seed, day, kAmount);
        if (!heavySeason) {
            r *= winter ? 0.6 : 0.8;
        }
        int level = PrecipitationLevel(r);
        bool shower =
            month >= 4 && month <= 9 && mean >= 18 && Draw(place.seed, day, kShower) < 0.5;
        if (!shower && mean < 0 && Draw(place.seed, day, kShower) < 0.2) {
            shower = true;  // snow showers in the cold
        }
        int dayWet = WetCode(place, day, level, shower, f.high, false);
        int nightWet = WetCode(place, day, level, shower, f.low, true);
        // Showers clear in the evening; steady rain or snow may last, stop or begin at night.
        double part = Draw(place.seed, day, kPart);
        if (part < 0.5) {
            f.dayCode = dayWet;
            f.nightCode = shower ? 1 : nightWet;
        } else if (part < 0.75) {
            f.dayCode = dayWet;
            f.nightCode = sky < 0.5 ? 1 : 2;
        } else {
            f.dayCode = sky < 0.5 ? 1 : 2;
            f.nightCode = nightWet;
        }
    } else if (dusty) {
        double u = Draw(place.seed, day, kDustLevel);
        f.dayCode = u < 0.45 ? 29 : (u < 0.8 ? 30 : (u < 0.95 ? 20 : 31));
        f.nightCode = sky < 0.5 ? 0 : 1;
        strongWind = f.dayCode == 20 || f.dayCode == 31 || f.dayCode == 30;
    } else if (foggy) {
        f.dayCode = 18;
        f.nightCode = sky < 0.5 ? 1 : 2;
    } else {
        // Wetter months and places have fewer clear days.
        double clear = 0.55 - wetChance * 0.6;
        f.dayCode = sky < clear ? 0 : (sky < 0.75 ? 1 : 2);
        double n = Draw(place.seed, day, kNightSky);
        if (n < 0.6) {
            f.nightCode = f.dayCode;
        } else if (n < 0.8) {
            f.nightCode = std::max(0, f.dayCode - 1);
        } else {
            f.nightCode = std::min(2, f.dayCode + 1);
        }
    }
    bool stormy = f.dayCode == 4 || f.dayCode == 5;
    f.wind = Wind(place, day, month, strongWind, stormy);
    return f;
}

}  // namespace

std::vector<DayForecast> ForecastDays(const SiteCity& city, long long firstDay, int count) {
    Place place = PlaceOf(city);
    std::vector<DayForecast> days;
    for (int i = 0; i < count; ++i) {
        days.push_back(ForecastDay(place, firstDay + i));
    }
    return days;
}

std::string_view WeatherName(int code) {
    return code >= 0 && code < 32 ? Names[code] : std::string_view();
}

std::string WeatherWords(const DayForecast& day) {
    std::string words(WeatherName(day.dayCode));
    if (day.nightCode != day.dayCode) {
        words += "转";
        words += WeatherName(day.nightCode);
    }
    return words;
}

bool IsSnowCode(int code) {
    return (code >= 13 && code <= 17) || (code >= 26 && code <= 28);
}

bool IsRainCode(int code) {
    return (code >= 3 && code <= 5) || (code >= 7 && code <= 12) || (code >= 21 && code <= 25);
}

bool IsDustCode(int code) {
    return code == 20 || code == 29 || code == 30 || code == 31;
}

bool OnHighPlateau(const SiteCity& city) {
    const KnownClimate* known = KnownClimateOf(city);
    return known != nullptr && known->highPlateau;
}
