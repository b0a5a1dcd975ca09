// A forecast query: its start on the calling thread and its body on a query thread.
#include <cstdint>
#include <mutex>

#include "platform/ui.h"
#include "query/query.h"
#include "state/state.h"

namespace {

// Held by the thread that shows a page, from giving the boxes back until the browser view has
// its file, so that heading, tmp.htm and view always come from one page and queries show in
// the order they were started. The UI thread never takes it, so waiting on it cannot stall the
// control operations that its holder hands to the UI thread.
std::mutex& ShowLock() {
    static std::mutex* lock = new std::mutex;  // never freed: queries may outlive main()
    return *lock;
}

void QueryThread(std::uintptr_t) {
    RunQuery();
}

}  // namespace

void StartQuery() {
    ControlSetEnabled(ProvinceBox, false);
    ControlSetEnabled(CityBox, false);
    ControlSetVisible(BusyLabel, true);
    const Text province = ComboReadText(ProvinceBox);
    const Text city = ComboReadText(CityBox);
    const Text url = IniRead(CityTablePath(), province, city, "未知");
    {
        std::lock_guard<std::mutex> hold(QueryStateLock());
        QueryState().url = url;
    }
    StartWorker(QueryThread, 0, false);
}

void RunQuery() {
    Text url;
    {
        std::lock_guard<std::mutex> hold(QueryStateLock());
        url = QueryState().url;
    }
    const Text pageText = BytesToText(FetchUrlBytes(url));

    std::lock_guard<std::mutex> showing(ShowLock());
    ControlSetEnabled(ProvinceBox, true);
    ControlSetEnabled(CityBox, true);
    ControlSetVisible(BusyLabel, false);

    const ForecastCut cut = CutForecast(pageText);
    // A page that could not be written whole (a full disk) is not shown: heading and view keep
    // the last page, which the failed write left whole on disk.
    const Text localPagePath = TextConcat(AppSettings().dataDir, "\\tmp.htm");
    if (!WriteFileBytes(localPagePath, TextToBytes(cut.localPage))) {
        return;
    }
    {
        std::lock_guard<std::mutex> hold(QueryStateLock());
        QueryState().cityTitle = cut.cityTitle;
    }
    LabelSetText(HeadingLabel, cut.cityTitle);
    BrowserShowLocalPage(BrowserView, localPagePath);
}
