// The city table written to a real file and read back the way the province and city boxes and
// the query read it: through IniRead.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "embedded/embedded.h"
#include "platform/drives_testing.h"
#include "text/text.h"

namespace {

const Text TablePath = "D:\\city.dat";

class CityTableFile : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch.empty());
        ASSERT_TRUE(WriteFileBytes(TablePath, Bytes(CityTableData)));
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    static Text Read(const Text& section, const Text& key) {
        return IniRead(TablePath, section, key, "未知");
    }

    std::string scratch;
};

TEST_F(CityTableFile, EveryListedCityHasItsAddress) {
    // Every section and every city of its list, as the boxes and the query look them up; each
    // address must be the one on the city's own line of that section.
    const Text bytes(CityTableData);
    std::size_t cities = 0, sections = 0;
    for (std::size_t at = 0, end; at < bytes.size(); at = end + 2) {
        end = bytes.find("\r\n", at);
        ASSERT_NE(end, Text::npos);
        if (bytes[at] != '[') {
            continue;
        }
        ++sections;
        const Text section = bytes.substr(at + 1, end - at - 2);
        const std::size_t sectionEnd = bytes.find("\r\n\r\n", at);
        TextList names = TextSplit(Read(section, "所有城市"), ",");
        ASSERT_FALSE(names.empty()) << section;
        for (const Text& name : names) {
            Text line = "\r\n" + name + "=" + Read(section, name) + "\r\n";
            std::size_t found = bytes.find(line, at);
            EXPECT_TRUE(found != Text::npos && found <= sectionEnd) << section << "/" << name;
            ++cities;
        }
    }
    EXPECT_EQ(sections, 34u);
    EXPECT_EQ(cities, 2362u);
}

TEST_F(CityTableFile, LookUpsThatTheBoxesMake) {
    struct Case {
        const char* what;
        Text section;
        Text key;
        Text expected;
    };
    const Text base = LANCHUAN_SITE_BASE;
    const Case cases[] = {
        {"台湾 lists two cities", "台湾", "所有城市", "台北,高雄,"},
        {"香港 lists itself", "香港", "所有城市", "香港,"},
        {"北京 starts with 昌平", "北京", "昌平", base + "/weather/beijing/ChangPing.htm"},
        {"山西 pages lie under shanx", "山西", "太原", base + "/weather/shanx/TaiYuan.htm"},
        {"陕西 pages lie under shanxi", "陕西", "西安", base + "/weather/shanxi/XiAn.htm"},
        {"a name in two sections", "内蒙古", "清水河", base + "/weather/neimenggu/QingShuiHe.htm"},
        {"unknown section", "火星", "所有城市", "未知"},
        {"unknown city", "北京", "火星", "未知"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.section, c.key), c.expected) << c.what;
    }
    // The final comma yields no empty city.
    EXPECT_EQ(TextSplit(Read("台湾", "所有城市"), ",").size(), 2u);
}

}  // namespace
