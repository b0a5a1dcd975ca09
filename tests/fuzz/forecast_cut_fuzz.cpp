// libFuzzer target for the forecast cut: any page text gives a bounded heading and a local page
// that keeps its head and tail.
#include <cstdlib>
#include <string>

#include "platform/input_bounds.h"
#include "query/query.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string page(reinterpret_cast<const char*>(data), size);
    page = page.substr(0, page.find('\0'));  // the page text ends at its first zero byte
    const ForecastCut cut = CutForecast(page);
    const std::string_view local = cut.localPage;
    if (cut.cityTitle.size() > MaxHeadingBytes || local.substr(0, PageHead.size()) != PageHead ||
        local.size() < PageHead.size() + PageTail.size() ||
        local.substr(local.size() - PageTail.size()) != PageTail) {
        std::abort();
    }
    return 0;
}
