// TextFind, TextReplace, TextSplit over 1 MiB of mixed GBK and ASCII, and IniRead of one key.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "platform/drives_testing.h"
#include "text/text.h"

namespace {

// Forecast-like rows: HTML tags, Chinese words, digits and icon paths, with ~2 KiB between
// occurrences of "/image/" and a table end only at the very end.
const Text& MixedPage() {
    static const Text page = [] {
        const char* words[] = {"多云", "晴",   "小雨转中雨", "北风3-4级", "未来",
                               "天气", "气温", "岚川",       "湿度",      "紫外线强"};
        std::mt19937 random(936);
        Text text;
        const std::size_t size = 1 << 20;
        while (text.size() < size - 64) {
            text += "<tr><td class=\"w\">";
            for (int i = 0; i < 8; ++i) {
                text += words[random() % 10];
                text += i % 3 == 0 ? " 23℃," : ",";
            }
            text += "</td><td>";
            if (random() % 16 == 0) {
                text += "<img src=\"/image/b7.gif\">";
            }
            text += "</td></tr>\r\n";
        }
        text.resize(size - 16);
        text += "</TABLE>末尾\r\n";
        return text;
    }();
    return page;
}

void BM_TextFind(benchmark::State& state) {
    const Text& page = MixedPage();
    const Text marker = state.range(0) == 0 ? "</table>" : "未来五天天气趋势预报";
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextFind(page, marker, true));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.SetLabel(state.range(0) == 0 ? "ascii marker at the end" : "absent gbk marker");
}
BENCHMARK(BM_TextFind)->Arg(0)->Arg(1);

void BM_TextReplace(benchmark::State& state) {
    const Text& page = MixedPage();
    const bool caseSensitive = state.range(0) == 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextReplace(page, "/image/", "image/", caseSensitive));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    state.SetLabel(caseSensitive ? "case-sensitive" : "ignoring case");
}
BENCHMARK(BM_TextReplace)->Arg(1)->Arg(0);

void BM_TextSplit(benchmark::State& state) {
    const Text& page = MixedPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextSplit(page, ","));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_TextSplit);

// A city table's shape: 34 sections, about 140 KB, one line per city with its page address.
void BM_IniRead(benchmark::State& state) {
    const std::string scratch = PlatformUseFreshDriveRoot();
    const Text path = "C:\\city.dat";
    Text table;
    int city = 0;
    for (int section = 0; section < 34; ++section) {
        table += "[省份" + std::to_string(section) + "]\r\n";
        for (int i = 0; i < 70; ++i, ++city) {
            table += "城市名称" + std::to_string(city) + "=http://127.0.0.1:8936/forecast/city" +
                     std::to_string(city) + ".shtml\r\n";
        }
    }
    WriteFileBytes(path, table);
    const Text section = state.range(0) == 0 ? "省份0" : "省份33";
    const Text key = state.range(0) == 0 ? "城市名称0" : "城市名称" + std::to_string(city - 1);
    if (IniRead(path, section, key, "").empty()) {
        state.SkipWithError("key not found");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(IniRead(path, section, key, ""));
    }
    state.SetLabel(std::to_string(table.size()) + " bytes, " +
                   (state.range(0) == 0 ? "first key" : "last key"));
    std::filesystem::remove_all(scratch);
}
BENCHMARK(BM_IniRead)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
