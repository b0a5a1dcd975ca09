// A forecast query: its start on the calling thread and its body on a query thread.
#include <cstdint>
#include <mutex>

#include "query/query.h"
#include "shell/shared_state.h"
#include "shell/shell.h"

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
    ControlSetEnabled("组合框1", false);
    ControlSetEnabled("组合框2", false);
    ControlSetVisible("透明标签3", true);
    const Text province = ComboReadText("组合框1");
    const Text city = ComboReadText("组合框2");
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
    ControlSetEnabled("组合框1", true);
    ControlSetEnabled("组合框2", true);
    ControlSetVisible("透明标签3", false);

    const ForecastCut cut = CutForecast(pageText);
    {
        std::lock_guard<std::mutex> hold(QueryStateLock());
        QueryState().cityTitle = cut.cityTitle;
    }
    LabelSetText("透明标签4", cut.cityTitle);
    const Text localPagePath = TextConcat(AppSettings().dataDir, "\\tmp.htm");
    WriteFileBytes(localPagePath, TextToBytes(cut.localPage));
    BrowserShowLocalPage("超文本浏览框1", localPagePath);
}
