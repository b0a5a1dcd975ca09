// The cut, wrap and write of a forecast page of about 100 KB, as every query does it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/drives_testing.h"
#include "query/query.h"

namespace {

// The fixture page with about 100 KB of other markup around the heading and the table, where
// a real page carries its navigation, news and footer.
Text HundredKilobytePage() {
    std::ifstream file(std::string(QUERY_FIXTURES) + "/changping_page.htm", std::ios::binary);
    const Text page{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    Text filler;
    while (filler.size() < 50 * 1024) {
        filler +=
            "<tr><td><a href=\"/news/item.htm\">天气新闻 今日关注</a></td><td>更多</td></tr>\r\n";
    }
    const auto favourites = page.find("加入收藏");
    const auto tail = page.find("<table class=\"foot\">");
    return page.substr(0, favourites) + filler + page.substr(favourites, tail - favourites) +
           filler + page.substr(tail);
}

void BM_CutWrapWrite(benchmark::State& state) {
    const std::string scratch = PlatformUseFreshDriveRoot();
    CreateFolder("D:\\bench");
    const Text localPagePath = "D:\\bench\\tmp.htm";
    const Text pageText = HundredKilobytePage();
    for (auto _ : state) {
        const ForecastCut cut = CutForecast(pageText);
        benchmark::DoNotOptimize(cut.cityTitle.data());
        WriteFileBytes(localPagePath, TextToBytes(cut.localPage));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pageText.size()));
    state.counters["page_bytes"] = static_cast<double>(pageText.size());
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}
BENCHMARK(BM_CutWrapWrite);

// The cut and wrap alone, to tell the text work from the file system's part.
void BM_CutWrap(benchmark::State& state) {
    const Text pageText = HundredKilobytePage();
    for (auto _ : state) {
        const ForecastCut cut = CutForecast(pageText);
        benchmark::DoNotOptimize(cut.localPage.data());
    }
}
BENCHMARK(BM_CutWrap);

}  // namespace
