// The forecast cut: the city heading and the local page around the five-day table.
#include "platform/input_bounds.h"
#include "query/query.h"

namespace {

// At most limit bytes of text, never half a character: a lead byte (0x81 and up) takes the byte
// after it, so a cut that would split a pair drops the pair.
Text CutOnCharacter(const Text& text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t step = static_cast<unsigned char>(text[end]) >= 0x81 ? 2 : 1;
        if (end + step > limit) {
            break;
        }
        end += step;
    }
    return text.substr(0, end);
}

}  // namespace

const std::string_view PageHead =
    "<html>\r\n"
    "\r\n"
    "<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
    "<title>天气</title>\r\n"
    "</head>\r\n"
    "\r\n"
    "<BODY >";
const std::string_view PageTail =
    "</body>\r\n"
    "\r\n"
    "</html>";

ForecastCut CutForecast(const Text& pageText) {
    ForecastCut cut;
    // Each marker cut takes the not-found result as it comes: a bad page still gives a page.
    Text page = TextAfter(pageText, "加入收藏");
    page = TextAfter(page, "<b>");
    cut.cityTitle = CutOnCharacter(TextBefore(page, "</b>"), MaxHeadingBytes);
    // The first occurrence is a link above the table; the table follows the second.
    page = TextAfter(page, "未来五天天气趋势预报");
    page = TextAfter(page, "未来五天天气趋势预报");
    page = TextAfter(page, "<table");
    page = TextConcat("<table", page);
    page = TextConcat(CutOnCharacter(TextBefore(page, "</table>"), MaxTableBytes), "</table>");
    Text wrapped = TextConcat(PageHead, page, PageTail);
    // Icons live in the image folder beside the local page.
    wrapped = TextReplace(wrapped, "/image/", "image/", true);
    wrapped = TextReplace(wrapped, "borderColorLight=\"#008000\"",
                          "borderColorLight=\"#000000\" style=\"font-size: 10pt\" ", true);
    cut.localPage = wrapped;
    return cut;
}
