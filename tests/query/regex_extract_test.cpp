// The province list and the regular-expression extraction over GBK text.
#include <gtest/gtest.h>

#include <algorithm>

#include "query/query.h"

namespace {

TEST(ProvinceFragment, ShapeIsAsCarried) {
    EXPECT_EQ(ProvinceFragment.size(), 1970u);
    EXPECT_EQ(ProvincePattern, "\">(.*?)</a>");
    const Text fragment(ProvinceFragment);
    EXPECT_EQ(TextSplit(fragment, "\r\n").size(), 34u);
    EXPECT_EQ(fragment.substr(fragment.size() - 2), "\r\n");
    EXPECT_EQ(std::count(fragment.begin(), fragment.end(), '\t'), 67);
    EXPECT_NE(fragment.find("\r\n\t<td><a href=\"/weather/heilongjiang/"), Text::npos);
}

TEST(RegexExtractAll, ProvinceFragmentGivesTheNamesInOrder) {
    const TextList expected = {"北京", "上海", "广东", "福建", "浙江", "安徽",   "江苏",
                               "甘肃", "广西", "贵州", "海南", "河北", "河南",   "黑龙江",
                               "湖北", "湖南", "吉林", "江西", "辽宁", "内蒙古", "宁夏",
                               "青海", "山东", "山西", "陕西", "四川", "天津",   "西藏",
                               "新疆", "云南", "重庆", "台湾", "香港", "澳门"};
    TextList names = {"left over"};
    EXPECT_TRUE(RegexExtractAll(Text(ProvinceFragment), Text(ProvincePattern), names));
    EXPECT_EQ(names, expected);
}

struct ExtractCase {
    const char* name;
    const char* text;
    const char* pattern;
    TextList expected;
    const char* removal1 = "";
    const char* removal2 = "";
    const char* removal3 = "";
};

const ExtractCase extractCases[] = {
    {"NoMatchGivesEmptyList", "<td>北京</td>", "\">(.*?)</a>", {}},
    {"EmptyTextGivesEmptyList", "", "\">(.*?)</a>", {}},
    {"CapitalClosingTagStillMatches", "<a href=\"x\">广东</A>", "\">(.*?)</a>", {"广东"}},
    {"GreaterThanWithoutQuoteGivesNothing", "<a href=x>广东</a>", "\">(.*?)</a>", {}},
    {"LazyGroupStopsAtFirstClosingTag", "\">上海</a>\">福建</a>", "\">(.*?)</a>", {"上海", "福建"}},
    {"BadPatternGivesEmptyList", "\">北京</a>", "\">(.*?</a>", {}},
    {"GroupOutsideMatchGivesEmptyText", "b", "(a)?b", {""}},
    // Removal texts go in order, each ignoring ASCII letter case.
    {"RemovalTextsDeletedIgnoringCase",
     "\">省AbC北京XYZ</a>",
     "\">(.*?)</a>",
     {"北京"},
     "abc",
     "xyz",
     "省"},
    // An empty match steps one whole character on: never onto a GBK trail byte, never in place.
    {"EmptyMatchesStepByCharacter", "a北", "(x*)", {"", "", ""}},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ExtractCase& c, std::ostream* out) {
    *out << c.name;
}

class ExtractCases : public testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractCases, Extracts) {
    const ExtractCase& c = GetParam();
    TextList list = {"left over"};
    EXPECT_TRUE(RegexExtractAll(c.text, c.pattern, list, c.removal1, c.removal2, c.removal3));
    EXPECT_EQ(list, c.expected);
}

INSTANTIATE_TEST_SUITE_P(RegexExtractAll, ExtractCases, testing::ValuesIn(extractCases),
                         [](const testing::TestParamInfo<ExtractCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(RegexExtractAll, CaseFoldingLeavesGbkBytesAlone) {
    // 0xC1 0xE3 and 0xE1 0xC3 differ only where a Latin-1 locale would fold.
    TextList list;
    RegexExtractAll("\">\xc1\xe3</a>\">\xe1\xc3</a>", "\">(\xc1\xe3)</a>", list);
    EXPECT_EQ(list, TextList{"\xc1\xe3"});
}

}  // namespace
