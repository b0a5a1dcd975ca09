// Cuts by count, joining, comparing, spaces and the text/byte-string conversions.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "text/text.h"

TEST(TextCount, LeftAndRight) {
    struct Case {
        long long count;
        Text left;
        Text right;
    };
    const Case cases[] = {
        {-1, "", ""},
        {0, "", ""},
        {2, "ab", "ef"},
        {6, "abcdef", "abcdef"},
        {99, "abcdef", "abcdef"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextLeft("abcdef", c.count), c.left) << c.count;
        EXPECT_EQ(TextRight("abcdef", c.count), c.right) << c.count;
    }
    // Byte counts: a cut may split a character.
    EXPECT_EQ(TextLeft("岚川", 1), "\xe1");
    EXPECT_EQ(TextRight("岚川", 3), "\xb0\xb4\xa8");
    EXPECT_EQ(TextLength("岚川天气助手"), 12);
}

TEST(TextCompare, UnsignedBytesAndPrefixes) {
    struct Case {
        Text a;
        Text b;
        int order;
    };
    const Case cases[] = {
        {"", "", 0},     {"a", "a", 0},    {"a", "b", -1},  {"b", "a", 1},  {"ab", "a", 1},
        {"a", "ab", -1}, {"\x80", "a", 1}, {"\\", "\\", 0}, {"", "\\", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextCompare(c.a, c.b), c.order) << c.a << " " << c.b;
    }
}

TEST(TextConcat, JoinsInOrder) {
    const Text root = "D:\\Varnel\\";
    EXPECT_EQ(TextConcat(root, "岚川天气助手", Text(), "\\image\\"),
              "D:\\Varnel\\岚川天气助手\\image\\");
    EXPECT_EQ(TextConcat(Text(), Text()), "");
}

TEST(SpaceText, Counts) {
    EXPECT_EQ(SpaceText(-3), "");
    EXPECT_EQ(SpaceText(0), "");
    EXPECT_EQ(SpaceText(3), "   ");
}

TEST(TextBytes, ConversionsStopAtTheFirstZero) {
    using namespace std::string_literals;
    EXPECT_EQ(TextToBytes("岚川"), "\xe1\xb0\xb4\xa8"s);
    EXPECT_EQ(TextToBytes(""), ""s);
    EXPECT_EQ(BytesToText("ab\0cd"s), "ab");
    EXPECT_EQ(BytesToText("\0ab"s), "");
    EXPECT_EQ(BytesToText(""s), "");
    EXPECT_EQ(BytesToText("abc"s), "abc");
}

// Values are plain owned strings; several threads may make results at once.
TEST(TextThreads, ResultsOnSeveralThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                Text page = TextConcat("头<b>", NumberToText(t * 10000 + i), "</b>尾");
                Text title = TextBefore(TextAfter(page, "<b>"), "</b>");
                if (TextToNumber(title) != t * 10000 + i) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
