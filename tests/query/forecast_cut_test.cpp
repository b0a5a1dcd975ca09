// The forecast cut: heading and local page from whole pages and from pages with markers missing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/input_bounds.h"
#include "query/query.h"

namespace {

Bytes ReadFixture(const char* name) {
    std::ifstream file(std::string(QUERY_FIXTURES) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Text Wrapped(const Text& table) {
    return TextConcat(PageHead, table, PageTail);
}

TEST(ForecastCut, FrameIsByteExact) {
    EXPECT_EQ(PageHead.size(), 127u);
    EXPECT_EQ(PageHead.substr(PageHead.size() - 9), "\r\n<BODY >");
    EXPECT_NE(PageHead.find("<title>\xcc\xec\xc6\xf8</title>"), std::string_view::npos);
    EXPECT_EQ(PageTail, "</body>\r\n\r\n</html>");
}

TEST(ForecastCut, WholePageGivesHeadingAndExactLocalPage) {
    const Bytes page = ReadFixture("changping_page.htm");
    const Bytes expected = ReadFixture("changping_tmp.htm");
    ASSERT_FALSE(page.empty());
    ASSERT_FALSE(expected.empty());

    const ForecastCut cut = CutForecast(BytesToText(page));
    EXPECT_EQ(cut.cityTitle, "昌平");
    EXPECT_EQ(TextToBytes(cut.localPage), expected);
}

struct CutCase {
    const char* name;
    const char* page;
    const char* cityTitle;
    const char* table;
};

const CutCase cutCases[] = {
    {"CapitalTagsCutAlikeAndPutBackLowerCase",
     "加入收藏<B>北京</B>未来五天天气趋势预报 x 未来五天天气趋势预报<TABLE border=1><TR><TD>晴"
     "</TD></TR></TABLE> after",
     "北京", "<table border=1><TR><TD>晴</TD></TR></table>"},
    {"NestedTableEndsAtInnerClosingTag",
     "加入收藏<b>昌平</b>未来五天天气趋势预报未来五天天气趋势预报<table a><tr><td><table b><tr>"
     "<td>in</td></tr></table></td></tr></table>",
     "昌平", "<table a><tr><td><table b><tr><td>in</td></tr></table>"},
    // Without the first marker only the page's first 8 bytes go: here a decoy heading.
    {"MissingFavouritesMarkerDropsFirstEightBytes",
     "<b>A</b><b>密云</b>未来五天天气趋势预报未来五天天气趋势预报<table>t</table>", "密云",
     "<table>t</table>"},
    // One occurrence: step 9 cuts 20 more bytes, which swallow the near table's opening tag.
    {"SingleTrendMarkerTakesFirstTableTwentyBytesOn",
     "加入收藏<b>延庆</b>未来五天天气趋势预报<table id=near>n</table><table id=far>f</table>",
     "延庆", "<table id=far>f</table>"},
    {"NoClosingBoldGivesEmptyHeading",
     "加入收藏<b>怀柔 未来五天天气趋势预报 未来五天天气趋势预报<table>t</table>", "",
     "<table>t</table>"},
    {"FailedFetchGivesEmptyHeadingAndStrayClosingTag", "", "", "</table>"},
    {"PageWithoutTableGivesStrayClosingTag",
     "加入收藏<b>通州</b>未来五天天气趋势预报未来五天天气趋势预报 no table here", "通州",
     "</table>"},
    // Only /image/ written in small letters points into the image folder beside the page.
    {"ReplacementsAreCaseSensitive",
     "加入收藏<b>顺义</b>未来五天天气趋势预报未来五天天气趋势预报<table "
     "bordercolorlight=\"#008000\""
     " borderColorLight=\"#008000\"><img src=\"/image/b3.gif\"><img src=\"/IMAGE/b4.gif\">"
     "</table>",
     "顺义",
     "<table bordercolorlight=\"#008000\" borderColorLight=\"#000000\" style=\"font-size: 10pt\" >"
     "<img src=\"image/b3.gif\"><img src=\"/IMAGE/b4.gif\"></table>"},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CutCase& c, std::ostream* out) {
    *out << c.name;
}

class CutCases : public testing::TestWithParam<CutCase> {};

TEST_P(CutCases, HeadingAndLocalPage) {
    const CutCase& c = GetParam();
    const ForecastCut cut = CutForecast(c.page);
    EXPECT_EQ(cut.cityTitle, c.cityTitle);
    EXPECT_EQ(cut.localPage, Wrapped(c.table));
}

INSTANTIATE_TEST_SUITE_P(ForecastCut, CutCases, testing::ValuesIn(cutCases),
                         [](const testing::TestParamInfo<CutCase>& info) {
                             return std::string(info.param.name);
                         });

Text PageWith(const Text& heading, const Text& table) {
    return TextConcat("加入收藏<b>", heading, "</b>未来五天天气趋势预报未来五天天气趋势预报", table,
                      " after");
}

Text Repeated(const Text& piece, std::size_t times) {
    Text text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST(ForecastCut, LongHeadingIsCutOnACharacterBoundary) {
    const Text bei = "北";  // two GBK bytes
    ASSERT_EQ(bei.size(), 2u);
    const struct {
        const char* name;
        Text heading;
        Text shown;
    } cases[] = {
        {"one mebibyte of letters", Text(1 << 20, 'a'), Text(MaxHeadingBytes, 'a')},
        {"pairs that fit whole", Repeated(bei, 1 << 19), Repeated(bei, MaxHeadingBytes / 2)},
        {"a pair across the bound is dropped", TextConcat("x", Repeated(bei, 1 << 10)),
         TextConcat("x", Repeated(bei, (MaxHeadingBytes - 1) / 2))},
        {"exactly the bound stays whole", Text(MaxHeadingBytes, 'b'), Text(MaxHeadingBytes, 'b')},
    };
    for (const auto& c : cases) {
        const ForecastCut cut = CutForecast(PageWith(c.heading, "<table>t</table>"));
        EXPECT_EQ(cut.cityTitle, c.shown) << c.name;
        EXPECT_EQ(cut.localPage, Wrapped("<table>t</table>")) << c.name;
    }
}

TEST(ForecastCut, LongTableIsCutToItsBound) {
    const Text row = "<tr><td>晴</td></tr>";
    const Text table =
        TextConcat("<table>", Repeated(row, MaxTableBytes / row.size() * 4), "</table>");
    const ForecastCut cut = CutForecast(PageWith("昌平", table));
    EXPECT_EQ(cut.cityTitle, "昌平");
    const Text kept = cut.localPage.substr(
        PageHead.size(), cut.localPage.size() - PageHead.size() - PageTail.size());
    EXPECT_EQ(kept.size(), MaxTableBytes + 8);
    EXPECT_EQ(kept.substr(0, MaxTableBytes), table.substr(0, MaxTableBytes));
    EXPECT_EQ(kept.substr(MaxTableBytes), "</table>");
}

}  // namespace
