// TextFind, TextBefore, TextAfter and TextReplace: the stepping rule, folding and not-found cuts.
#include <gtest/gtest.h>

#include <random>

#include "text/text.h"

namespace {

// The stepping walk exactly as documented, one position at a time, to check the fast search.
bool SlowEqual(const Text& text, std::size_t at, const Text& marker, bool fold) {
    for (std::size_t i = 0; i < marker.size(); ++i) {
        unsigned char a = text[at + i], b = marker[i];
        if (fold) {
            a = (a >= 'A' && a <= 'Z') ? a + 0x20 : a;
            b = (b >= 'A' && b <= 'Z') ? b + 0x20 : b;
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

std::size_t Step(const Text& text, std::size_t at) {
    return (static_cast<unsigned char>(text[at]) >= 0x80 && at + 1 < text.size()) ? 2 : 1;
}

long long SlowFind(const Text& text, const Text& marker, bool fold) {
    if (marker.empty()) {
        return text.empty() ? -1 : 1;
    }
    for (std::size_t at = 0; text.size() - at >= marker.size() && at < text.size();
         at += Step(text, at)) {
        if (SlowEqual(text, at, marker, fold)) {
            return static_cast<long long>(at) + 1;
        }
    }
    return -1;
}

Text SlowReplace(const Text& text, const Text& find, const Text& with, bool exact) {
    if (text.empty() || find.empty()) {
        return text;
    }
    Text out;
    std::size_t at = 0;
    while (at < text.size() && text.size() - at >= find.size()) {
        if (SlowEqual(text, at, find, !exact)) {
            out += with;
            at += find.size();
        } else {
            std::size_t step = Step(text, at);
            out.append(text, at, step);
            at += step;
        }
    }
    out.append(text, std::min(at, text.size()), Text::npos);
    return out;
}

// Few distinct bytes, many of them in the lead range, so that markers land on trail bytes often.
Text RandomText(std::mt19937& random, std::size_t maxLength) {
    static const char kBytes[] = {'a', 'A', 'b', '<', '\xb0', '\xa1', '\xc1', 'B', '\x5c'};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kBytes - 1);
    Text text(length(random), ' ');
    for (char& c : text) {
        c = kBytes[pick(random)];
    }
    return text;
}

struct FindCase {
    const char* name;
    Text text;
    Text marker;
    bool ignoreCase;
    long long position;
};

}  // namespace

TEST(TextFind, Cases) {
    const FindCase cases[] = {
        {"small marker in capitals", "XX<TABLE>", "<table>", true, 3},
        {"case matters without folding", "XX<TABLE>", "<table>", false, -1},
        {"position counts bytes", "岚川ab", "ab", false, 5},
        {"gbk marker", "天气岚川天气", "川天", false, 7},
        // b0 a1 | b0 a1: "\xa1\xb0" lies across the two characters only.
        {"never starts on a trail byte", "\xb0\xa1\xb0\xa1", "\xa1\xb0", false, -1},
        {"trail byte that looks like a letter", "\xb0\x41x", "A", false, -1},
        {"folding reaches trail-range letters", "\xb0\x41\x61", "A", true, 3},
        {"lead byte at the very end steps one", "a\xb0", "\xb0", false, 2},
        {"empty marker in text", "abc", "", true, 1},
        {"empty marker in empty text", "", "", true, -1},
        {"marker longer than text", "ab", "abc", true, -1},
        {"high bytes never fold", "\xc1", "\xe1", true, -1},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(TextFind(c.text, c.marker, c.ignoreCase), c.position) << c.name;
    }
}

TEST(TextFind, AgreesWithTheSteppingWalkOnRandomTexts) {
    std::mt19937 random(936);
    for (int round = 0; round < 20000; ++round) {
        Text text = RandomText(random, 24);
        Text marker = RandomText(random, 3);
        bool fold = round % 2 == 0;
        ASSERT_EQ(TextFind(text, marker, fold), SlowFind(text, marker, fold))
            << "text " << ::testing::PrintToString(text) << " marker "
            << ::testing::PrintToString(marker) << " fold " << fold;
    }
}

TEST(TextCut, BeforeAndAfter) {
    struct Case {
        const char* name;
        Text text;
        Text marker;
        Text before;
        Text after;
    };
    const Case cases[] = {
        {"marker in the middle", "abc<b>def", "<B>", "abc", "def"},
        {"marker at the start", "<b>def", "<b>", "", "def"},
        {"marker ends the text", "abc<b>", "<b>", "abc", ""},
        {"first occurrence", "a,b,c", ",", "a", "b,c"},
        // An absent marker: nothing before it, and the text less as many bytes as it is long.
        {"absent 3-byte marker in 10 bytes", "0123456789", "xyz", "", "3456789"},
        {"absent marker as long as the text", "abc", "xyz", "", ""},
        {"absent marker longer than the text", "ab", "xyz", "", ""},
        {"drive letter", "C:\\WINDOWS", ":", "C", "\\WINDOWS"},
        {"empty text", "", "x", "", ""},
        {"chinese marker", "首页加入收藏<b>北京</b>", "加入收藏", "首页", "<b>北京</b>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextBefore(c.text, c.marker), c.before) << c.name;
        EXPECT_EQ(TextAfter(c.text, c.marker), c.after) << c.name;
    }
}

TEST(TextReplace, Cases) {
    struct Case {
        const char* name;
        Text text;
        Text find;
        Text with;
        bool caseSensitive;
        Text result;
    };
    const Case cases[] = {
        {"every occurrence", "/image/a/image/b", "/image/", "image/", true, "image/aimage/b"},
        {"inserted text is not searched again", "aXa", "a", "aa", true, "aaXaa"},
        {"no overlaps, left to right", "aaa", "aa", "b", true, "ba"},
        {"empty replacement deletes", "省市省", "省", "", true, "市"},
        {"empty find leaves the text", "abc", "", "x", true, "abc"},
        {"empty text stays empty", "", "a", "x", true, ""},
        {"case-sensitive misses capitals", "Ab ab", "ab", "x", true, "Ab x"},
        {"folding catches capitals", "Ab ab", "ab", "x", false, "x x"},
        {"not across characters", "\xb0\xa1\xb0\xa1", "\xa1\xb0", "x", true, "\xb0\xa1\xb0\xa1"},
        {"match that ends inside a character restarts there", "\xb0\xa1\xb0\xa1", "\xb0\xa1\xb0",
         "x", true, "x\xa1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextReplace(c.text, c.find, c.with, c.caseSensitive), c.result) << c.name;
    }
}

TEST(TextReplace, AgreesWithTheSteppingWalkOnRandomTexts) {
    std::mt19937 random(36);
    for (int round = 0; round < 20000; ++round) {
        Text text = RandomText(random, 24);
        Text find = RandomText(random, 3);
        Text with = RandomText(random, 2);
        bool exact = round % 2 == 0;
        ASSERT_EQ(TextReplace(text, find, with, exact), SlowReplace(text, find, with, exact))
            << "text " << ::testing::PrintToString(text) << " find "
            << ::testing::PrintToString(find) << " exact " << exact;
    }
}

TEST(TextReplace, ArgumentsStayUnchanged) {
    Text text = "abab";
    const Text before = text;
    text = TextReplace(text, "a", "c", true);
    EXPECT_EQ(text, "cbcb");
    EXPECT_EQ(before, "abab");
}
