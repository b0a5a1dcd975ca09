// The city table's bytes: INI layout, the 34 sections, city names, page addresses, and the table
// as it comes out of data/cities.tsv.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "embedded/embedded.h"

namespace {

struct CityLine {
    std::string name;
    std::string address;
};

struct Section {
    std::string name;
    std::string listValue;
    std::vector<CityLine> cities;
};

// A section as it must stand in the table, spelled out here rather than taken from the code.
struct ExpectedSection {
    const char* name;
    const char* slug;
    int cityCount;
};

constexpr ExpectedSection ExpectedSections[] = {
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
};

// The rows of data/cities.tsv, compiled in with GBK names (a name without a GBK form stops the
// build there).
struct SourceRow {
    const char* province;
    const char* city;
    const char* page;
};
constexpr SourceRow SourceRows[] = {
#include "city_table_rows.inc"
};

// Bytes of the table besides the 2,362 copies of the site base.
constexpr std::size_t BytesBesidesSiteBase = 95805;
constexpr std::size_t CityCount = 2362;

std::string SiteBase() {
    std::string base = LANCHUAN_SITE_BASE;
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

// Splits at CRLF; fails on a CR or LF that is not part of one.
std::vector<std::string> CrlfLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at " << i;
            lines.emplace_back(bytes.substr(start, i - start));
            start = i + 2;
            ++i;
        } else if (bytes[i] == '\n') {
            ADD_FAILURE() << "LF without CR at " << i;
        }
    }
    EXPECT_EQ(start, bytes.size()) << "bytes after the last line end";
    return lines;
}

std::vector<Section> ParseTable(std::string_view bytes) {
    std::vector<Section> sections;
    std::vector<std::string> lines = CrlfLines(bytes);
    const std::string listKey = "所有城市=";
    std::size_t at = 0;
    while (at < lines.size()) {
        const std::string& head = lines[at];
        if (head.size() < 3 || head.front() != '[' || head.back() != ']') {
            ADD_FAILURE() << "line " << at + 1 << " is no section line";
            return sections;
        }
        Section section;
        section.name = head.substr(1, head.size() - 2);
        if (at + 1 >= lines.size() || lines[at + 1].rfind(listKey, 0) != 0) {
            ADD_FAILURE() << "no list line after line " << at + 1;
            return sections;
        }
        section.listValue = lines[at + 1].substr(listKey.size());
        std::size_t count = std::count(section.listValue.begin(), section.listValue.end(), ',');
        at += 2;
        for (std::size_t i = 0; i < count && at < lines.size(); ++i, ++at) {
            std::size_t eq = lines[at].find('=');
            if (eq == std::string::npos) {
                ADD_FAILURE() << "line " << at + 1 << " has no '='";
                return sections;
            }
            section.cities.push_back({lines[at].substr(0, eq), lines[at].substr(eq + 1)});
        }
        EXPECT_TRUE(at < lines.size() && lines[at].empty())
            << "no empty line after section " << sections.size() + 1;
        ++at;
        sections.push_back(section);
    }
    return sections;
}

// One GBK character that is a Chinese character: GB2312 hanzi or the GBK extensions.
bool IsGbkHanzi(unsigned char lead, unsigned char trail) {
    if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE) {
        return true;
    }
    bool extTrail = trail >= 0x40 && trail != 0x7F;
    if (lead >= 0x81 && lead <= 0xA0 && extTrail && trail <= 0xFE) {
        return true;
    }
    return lead >= 0xAA && lead <= 0xFE && extTrail && trail <= 0xA0;
}

int HanziCount(const std::string& name) {
    if (name.size() % 2 != 0) {
        return -1;
    }
    for (std::size_t i = 0; i < name.size(); i += 2) {
        if (!IsGbkHanzi(name[i], name[i + 1])) {
            return -1;
        }
    }
    return static_cast<int>(name.size() / 2);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

class CityTable : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sections = new std::vector<Section>(ParseTable(CityTableData)); }
    static void TearDownTestSuite() { delete sections; }

    // The page name of an address, empty when the address is not of the one allowed form.
    static std::string PageOf(const std::string& address, const char* slug) {
        std::string prefix = SiteBase() + "/weather/" + slug + "/";
        if (address.rfind(prefix, 0) != 0 || address.size() < prefix.size() + 5 ||
            address.substr(address.size() - 4) != ".htm") {
            return "";
        }
        return address.substr(prefix.size(), address.size() - prefix.size() - 4);
    }

    static inline std::vector<Section>* sections = nullptr;
};

TEST_F(CityTable, IsCrlfIniTextOfPinnedSize) {
    std::string_view bytes = CityTableData;
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.front(), '[')
        << "nothing, not even a byte-order mark, before the first section";
    EXPECT_EQ(bytes.find('\0'), std::string_view::npos);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(bytes.size() - 4), "\r\n\r\n");
    EXPECT_EQ(CrlfLines(bytes).size(), 2464u);
    EXPECT_EQ(bytes.size(), BytesBesidesSiteBase + CityCount * SiteBase().size());
}

TEST_F(CityTable, HoldsThe34SectionsInOrderWithTheirCities) {
    ASSERT_EQ(sections->size(), std::size(ExpectedSections));
    std::size_t total = 0;
    for (std::size_t i = 0; i < sections->size(); ++i) {
        const Section& section = (*sections)[i];
        const ExpectedSection& expected = ExpectedSections[i];
        SCOPED_TRACE(expected.slug);
        EXPECT_EQ(section.name, expected.name);
        ASSERT_EQ(section.cities.size(), static_cast<std::size_t>(expected.cityCount));
        // The list line names every city in line order, each followed by a comma.
        std::string list;
        for (const CityLine& city : section.cities) {
            list += city.name + ",";
        }
        EXPECT_EQ(section.listValue, list);
        total += section.cities.size();
    }
    EXPECT_EQ(total, CityCount);
}

TEST_F(CityTable, NamesAreShortChineseAndRepeatOnlyWhereAllowed) {
    const std::set<std::string> twice = {"金山", "松江",   "南溪", "东乡",
                                         "东安", "清水河", "河口", "河南"};
    std::map<std::string, int> sectionsPerName;
    for (const Section& section : *sections) {
        std::set<std::string> inSection;
        for (const CityLine& city : section.cities) {
            int chars = HanziCount(city.name);
            EXPECT_TRUE(chars >= 2 && chars <= 7) << section.name << "/" << city.name;
            EXPECT_TRUE(inSection.insert(city.name).second) << section.name << "/" << city.name;
            ++sectionsPerName[city.name];
        }
    }
    for (const auto& [name, count] : sectionsPerName) {
        EXPECT_EQ(count, twice.count(name) ? 2 : 1) << name;
    }
    for (const std::string& name : twice) {
        EXPECT_EQ(sectionsPerName[name], 2) << name;
    }
}

TEST_F(CityTable, FixedSectionsAndFirstCity) {
    struct Case {
        std::size_t section;
        std::vector<std::pair<std::string, std::string>> cities;  // name, page; all of them
    };
    const Case cases[] = {
        {2, {{"台北", "TaiBei"}, {"高雄", "GaoXiong"}}},
        {3, {{"香港", "XiangGang"}}},
        {4, {{"澳门", "AoMen"}}},
    };
    for (const Case& c : cases) {
        const Section& section = (*sections)[c.section];
        ASSERT_EQ(section.cities.size(), c.cities.size()) << section.name;
        for (std::size_t i = 0; i < c.cities.size(); ++i) {
            EXPECT_EQ(section.cities[i].name, c.cities[i].first);
            EXPECT_EQ(PageOf(section.cities[i].address, ExpectedSections[c.section].slug),
                      c.cities[i].second);
        }
    }
    EXPECT_EQ((*sections)[2].listValue, "台北,高雄,");
    EXPECT_EQ((*sections)[0].cities.front().name, "昌平");
    EXPECT_EQ((*sections)[0].cities.front().address, SiteBase() + "/weather/beijing/ChangPing.htm");
}

TEST_F(CityTable, AddressesAndPageNameForms) {
    // The pages that are not plain pinyin, by section and city.
    const std::map<std::pair<std::string, std::string>, std::string> special = {
        {{"河北", "威县"}, "WeiXian1"}, {{"河北", "蔚县"}, "WeiXian4"},
        {{"河南", "淇县"}, "QiXian1"},  {{"河南", "襄城"}, "XiangCheng1"},
        {{"辽宁", "锦州"}, "JinZhou3"}, {{"山东", "临邑"}, "LinYi4"},
        {{"山西", "平鲁"}, "PingLu3"},  {{"云南", "彝良"}, "YiLiang4"},
        {{"云南", "泸西"}, "Lu-Xi"},    {{"广东", "鹤山"}, "heshan"},
        {{"河北", "蠡县"}, "xian"},
    };
    int capitalised = 0, small = 0, digit = 0, hyphen = 0;
    std::size_t specialSeen = 0;
    for (std::size_t i = 0; i < sections->size(); ++i) {
        const Section& section = (*sections)[i];
        std::set<std::string> pagesLower;
        for (const CityLine& city : section.cities) {
            std::string where = section.name + "/" + city.name + " " + city.address;
            EXPECT_LE(city.address.size(), 10239u);
            std::string page = PageOf(city.address, ExpectedSections[i].slug);
            ASSERT_FALSE(page.empty()) << where;
            EXPECT_TRUE(pagesLower.insert(Lower(page)).second) << "page twice: " << where;
            auto it = special.find({section.name, city.name});
            if (it != special.end()) {
                EXPECT_EQ(page, it->second) << where;
                ++specialSeen;
            }
            int upper = 0, lower = 0, digits = 0, dashes = 0;
            for (char c : page) {
                upper += std::isupper(static_cast<unsigned char>(c)) ? 1 : 0;
                lower += std::islower(static_cast<unsigned char>(c)) ? 1 : 0;
                digits += std::isdigit(static_cast<unsigned char>(c)) ? 1 : 0;
                dashes += c == '-' ? 1 : 0;
            }
            ASSERT_EQ(upper + lower + digits + dashes, static_cast<int>(page.size())) << where;
            if (digits > 0) {
                // Pinyin with a capital per syllable, then one tone digit.
                EXPECT_TRUE(digits == 1 && dashes == 0 &&
                            std::isdigit(static_cast<unsigned char>(page.back())) &&
                            upper == HanziCount(city.name))
                    << where;
                ++digit;
            } else if (dashes > 0) {
                ++hyphen;
            } else if (upper == 0) {
                ++small;
            } else {
                // One capital per syllable: one per character of the name, the first in front.
                EXPECT_TRUE(std::isupper(static_cast<unsigned char>(page[0])) &&
                            upper == HanziCount(city.name))
                    << where;
                ++capitalised;
            }
        }
    }
    EXPECT_EQ(specialSeen, special.size());
    EXPECT_EQ(capitalised, 2269);
    EXPECT_EQ(small, 84);
    EXPECT_EQ(digit, 8);
    EXPECT_EQ(hyphen, 1);
}

TEST_F(CityTable, InnerMongoliaHasTheLongestList) {
    std::size_t longest = 0;
    std::string longestName;
    for (const Section& section : *sections) {
        if (section.listValue.size() > longest) {
            longest = section.listValue.size();
            longestName = section.name;
        }
    }
    EXPECT_EQ(longestName, "内蒙古");
    // The table this program always carried had 830 bytes here; ours differs by a few names.
    EXPECT_EQ(longest, 832u);
}

TEST_F(CityTable, IsBuiltFromTheRowsFile) {
    ASSERT_EQ(std::size(SourceRows), CityCount);
    std::string expected;
    std::size_t row = 0;
    for (const ExpectedSection& section : ExpectedSections) {
        std::size_t first = row;
        while (row < std::size(SourceRows) &&
               std::string(SourceRows[row].province) == section.name) {
            ++row;
        }
        expected += std::string("[") + section.name + "]\r\n所有城市=";
        for (std::size_t i = first; i < row; ++i) {
            expected += std::string(SourceRows[i].city) + ",";
        }
        expected += "\r\n";
        for (std::size_t i = first; i < row; ++i) {
            expected += std::string(SourceRows[i].city) + "=" + SiteBase() + "/weather/" +
                        section.slug + "/" + SourceRows[i].page + ".htm\r\n";
        }
        expected += "\r\n";
    }
    EXPECT_EQ(row, CityCount) << "rows out of section order";
    EXPECT_TRUE(expected == CityTableData) << "the table differs from data/cities.tsv";
}

}  // namespace
