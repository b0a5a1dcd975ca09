// TextToNumber (full-width forms, blanks, sign, point, exponents), NumberToText, NumberToInteger.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "text/text.h"

TEST(TextToNumber, Cases) {
    struct Case {
        const char* name;
        Text text;
        double number;
    };
    const Case cases[] = {
        {"empty", "", 0},
        {"no digits", "abc", 0},
        {"sign only", "-", 0},
        {"point only", ".", 0},
        {"integer", "23", 23},
        {"negative", "-1", -1},
        {"plus sign", "+7", 7},
        {"leading blanks", " \t\r\n\v\f42", 42},
        {"stops at the first stranger", "12ab3", 12},
        {"one point only", "1.5.6", 1.5},
        {"point behind the digits", "5.", 5},
        {"point before the digits", ".25", 0.25},
        {"fraction toward zero later", "2.9", 2.9},
        {"exponent e", "1.5e3", 1500},
        {"exponent E with sign", "25E-1", 2.5},
        {"exponent d", "2d2", 200},
        {"exponent D", "3D+1", 30},
        {"exponent without digits is not read", "7e", 7},
        {"exponent sign without digits", "7e+x", 7},
        {"full-width digits", "\xa3\xb1\xa3\xb2", 12},
        {"full-width minus and point", "\xa3\xad\xa3\xb1\xa3\xae\xa3\xb5", -1.5},
        {"full-width space is a blank", "\xa1\xa1\xa3\xb3", 3},
        {"full-width letter e", "\xa3\xb2\xa3\xe5\xa3\xb2", 200},
        {"chinese text", "岚川", 0},
        {"digit after a chinese character", "岚3", 0},
        {"huge", "1e400", std::numeric_limits<double>::infinity()},
        {"tiny", "1e-400", 0},
        {"negative huge", "-1e99999999999999999999", -std::numeric_limits<double>::infinity()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextToNumber(c.text), c.number) << c.name;
    }
}

TEST(NumberToText, IntegersAndReals) {
    EXPECT_EQ(NumberToText(-1), "-1");
    EXPECT_EQ(NumberToText(0), "0");
    EXPECT_EQ(NumberToText(23), "23");
    EXPECT_EQ(NumberToText(-9000000000LL), "-9000000000");
    EXPECT_EQ(NumberToText(3.0), "3");
    EXPECT_EQ(NumberToText(2.5), "2.5");
    EXPECT_EQ(NumberToText(0.1), "0.1");
    EXPECT_EQ(NumberToText(1.0 / 3.0), "0.3333333333333");
    EXPECT_EQ(NumberToText(1e20), "1e+20");
    EXPECT_EQ(NumberToText(123456789012345.0), "1.234567890123e+14");
}

TEST(NumberToText, IntegersSurviveTheRoundTrip) {
    for (int value : {-1, 0, 10, 23, 2147483647, -2147483647 - 1}) {
        EXPECT_EQ(NumberToInteger(TextToNumber(NumberToText(value))), value);
    }
}

TEST(NumberToInteger, TruncatesTowardZeroAndClamps) {
    EXPECT_EQ(NumberToInteger(2.9), 2);
    EXPECT_EQ(NumberToInteger(-2.9), -2);
    EXPECT_EQ(NumberToInteger(1e300), INT_MAX);
    EXPECT_EQ(NumberToInteger(-1e300), INT_MIN);
    EXPECT_EQ(NumberToInteger(std::numeric_limits<double>::infinity()), INT_MAX);
    EXPECT_EQ(NumberToInteger(std::nan("")), 0);
}
