// TextSplit and BytesSplit: trailing separators, adjacent separators, zero bytes, trail bytes.
#include <gtest/gtest.h>

#include "text/text.h"

TEST(TextSplit, Cases) {
    struct Case {
        const char* name;
        Text text;
        Text separator;
        TextList pieces;
    };
    const Case cases[] = {
        {"names each followed by the separator", "北京,上海,天津,", ",", {"北京", "上海", "天津"}},
        {"no trailing separator", "a,b", ",", {"a", "b"}},
        {"adjacent separators give an empty piece", "a,,b", ",", {"a", "", "b"}},
        {"leading separator gives an empty piece", ",a", ",", {"", "a"}},
        {"only a separator", ",", ",", {""}},
        {"empty text", "", ",", {}},
        {"empty separator", "abc", "", {"abc"}},
        {"longer separator", "a<>b<>", "<>", {"a", "b"}},
        {"case matters", "aXbxc", "x", {"aXb", "c"}},
        // 0xB0 0x2C is one character here; its trail byte is not a comma.
        {"separator byte as a trail byte", "\xb0,a,b", ",", {"\xb0,a", "b"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextSplit(c.text, c.separator), c.pieces) << c.name;
    }
}

TEST(BytesSplit, Cases) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        Bytes bytes;
        Bytes separator;
        BytesList pieces;
    };
    const Case cases[] = {
        {"ends with the separator", "GIF\0\x01/end/a.gif/end/"s, "/end/", {"GIF\0\x01"s, "a.gif"}},
        {"zero bytes are data", "\0\0|\0"s, "|", {"\0\0"s, "\0"s}},
        {"adjacent separators", "a||b", "|", {"a", "", "b"}},
        {"steps byte by byte", "\xb0|x", "|", {"\xb0", "x"}},
        {"empty input", "", "|", {}},
        {"empty separator", "a|b", "", {"a|b"}},
        {"separator of zero bytes", "a\0\0b"s, "\0\0"s, {"a", "b"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BytesSplit(c.bytes, c.separator), c.pieces) << c.name;
    }
}
