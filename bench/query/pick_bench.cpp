// From a city pick to the browser view's load-finished, in the program's window against the
// weather site on loopback (run under a display).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "layout/layout.h"
#include "platform/drives_testing.h"
#include "platform/ui.h"
#include "platform/ui_testing.h"
#include "shell/shell.h"
#include "site_process.h"
#include "state/state.h"

namespace {

const Text cityBox = "组合框2";
const Text browserView = "超文本浏览框1";

void BM_PickToPageShown(benchmark::State& state) {
    const std::string scratch = PlatformUseFreshDriveRoot();
    SiteProcess site;
    if (!site.Start(scratch + "/site.log") || !UiInitialise()) {
        state.SkipWithError("no weather site or no display");
        return;
    }
    CreateSharedState();
    CreateAnchorRegistries();
    CreateMainWindow(MainWindowLayout());
    ShowMainWindow();
    BrowserWaitLoadsFinished(browserView, 1, 10000);
    UiPumpEvents(200);
    int pick = 0;
    for (auto _ : state) {
        const int loads = BrowserLoadsFinished(browserView);
        // Every pick queries, also of the city already shown; walk the list all the same.
        ComboPickEntry(cityBox, pick++ % ComboEntryCount(cityBox));
        if (!BrowserWaitLoadsFinished(browserView, loads + 1, 10000)) {
            state.SkipWithError("the page did not show");
            break;
        }
        state.PauseTiming();
        // Let the query thread end before the next pick finds the boxes enabled.
        while (!ControlIsEnabled(cityBox)) {
            UiPumpEvents(1);
        }
        state.ResumeTiming();
    }
    UiCloseMainWindow();
    UiPumpEvents(50);
    site.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}
BENCHMARK(BM_PickToPageShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(60)
    ->ReportAggregatesOnly(true);

}  // namespace
