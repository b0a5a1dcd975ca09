// Capture group 1 of every match of a Perl pattern, over GBK bytes.
#include <boost/regex.hpp>

#include "query/query.h"

namespace {

// One character forward: a lead byte takes its trail byte with it.
Text::const_iterator StepCharacter(Text::const_iterator at, Text::const_iterator end) {
    if (static_cast<unsigned char>(*at) >= 0x80 && at + 1 != end) {
        return at + 2;
    }
    return at + 1;
}

}  // namespace

bool RegexExtractAll(const Text& text, const Text& pattern, TextList& list, const Text& removal1,
                     const Text& removal2, const Text& removal3) {
    list.clear();
    boost::regex expression;
    try {
        // The classic locale folds only ASCII letters, so GBK bytes are compared as they are,
        // whatever locale the window toolkit has set.
        expression.imbue(std::locale::classic());
        expression.assign(pattern, boost::regex::perl | boost::regex::icase);
    } catch (const std::exception&) {
        return true;
    }
    auto at = text.cbegin();
    const auto end = text.cend();
    try {
        boost::smatch match;
        for (;;) {
            auto flags = boost::match_default;
            if (at != text.cbegin()) {
                flags |= boost::match_prev_avail;
            }
            if (!boost::regex_search(at, end, match, expression, flags)) {
                break;
            }
            Text name = match[1].matched ? match[1].str() : Text();
            name = TextReplace(name, removal1, Text(), false);
            name = TextReplace(name, removal2, Text(), false);
            name = TextReplace(name, removal3, Text(), false);
            list.push_back(name);
            if (match[0].length() > 0) {
                at = match[0].second;
            } else if (match[0].second == end) {
                break;
            } else {
                // A match of the empty text would be found again at the same place.
                at = StepCharacter(match[0].second, end);
            }
        }
    } catch (const std::exception&) {
        // A pattern too costly for the engine keeps the names found so far.
    }
    return true;
}
