// Numbers from texts (full-width forms, exponents with e or d) and texts from numbers.
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

#include "text/text.h"

namespace {

// Full-width digits, signs, point and letters become ASCII so that they read as a number.
Text NarrowFullWidth(const Text& text) {
    Text narrow;
    narrow.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80 || i + 1 >= text.size()) {
            narrow += text[i];
            ++i;
            continue;
        }
        unsigned char trail = static_cast<unsigned char>(text[i + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            narrow += static_cast<char>(trail - 0x80);
        } else if (lead == 0xA1 && trail == 0xA1) {
            narrow += ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            narrow += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            narrow += '*';
        } else {
            narrow.append(text, i, 2);
        }
        i += 2;
    }
    return narrow;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Too large or too small for a double: infinity when the number has digits before its point
// (after the exponent is applied), zero otherwise.
double OutOfRange(std::string_view mantissa, long long exponent) {
    long long magnitude = 0;
    std::size_t point = mantissa.find('.');
    std::size_t firstNonZero = mantissa.find_first_of("123456789");
    if (firstNonZero == std::string_view::npos) {
        return 0.0;
    }
    if (point == std::string_view::npos || firstNonZero < point) {
        std::size_t end = point == std::string_view::npos ? mantissa.size() : point;
        magnitude = static_cast<long long>(end - firstNonZero);
    } else {
        magnitude = -static_cast<long long>(firstNonZero - point - 1);
    }
    return magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

double TextToNumber(const Text& text) {
    const Text narrow = NarrowFullWidth(text);
    std::size_t i = 0;
    while (i < narrow.size() && IsBlank(narrow[i])) {
        ++i;
    }
    bool negative = false;
    if (i < narrow.size() && (narrow[i] == '+' || narrow[i] == '-')) {
        negative = narrow[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    bool sawDigit = false;
    bool sawPoint = false;
    for (; i < narrow.size(); ++i) {
        if (IsDigit(narrow[i])) {
            sawDigit = true;
        } else if (narrow[i] == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
    }
    if (!sawDigit) {
        return 0.0;
    }
    const std::string mantissa(narrow, mantissaStart, i - mantissaStart);
    std::string number = mantissa;
    long long exponent = 0;
    if (i < narrow.size() &&
        (narrow[i] == 'e' || narrow[i] == 'E' || narrow[i] == 'd' || narrow[i] == 'D')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < narrow.size() && (narrow[j] == '+' || narrow[j] == '-')) {
            negativeExponent = narrow[j] == '-';
            ++j;
        }
        if (j < narrow.size() && IsDigit(narrow[j])) {
            for (; j < narrow.size() && IsDigit(narrow[j]); ++j) {
                if (exponent < 1000000000LL) {
                    exponent = exponent * 10 + (narrow[j] - '0');
                }
            }
            if (negativeExponent) {
                exponent = -exponent;
            }
            number += 'e';
            number += std::to_string(exponent);
        }
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::general);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        value = OutOfRange(mantissa, exponent);
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

int NumberToInteger(double number) {
    if (std::isnan(number)) {
        return 0;
    }
    if (number >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (number <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(number);
}

Text NumberToText(int number) {
    return std::to_string(number);
}

Text NumberToText(long long number) {
    return std::to_string(number);
}

// As "%.13g" would write it, but independent of the locale's decimal point.
Text NumberToText(double number) {
    char buffer[64];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 13);
    if (error != std::errc()) {
        return Text();
    }
    return Text(buffer, end);
}
