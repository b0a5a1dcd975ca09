// The whole query road in the program's own window against the weather site on loopback.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "embedded/embedded.h"
#include "layout/layout.h"
#include "platform/drives_testing.h"
#include "platform/files.h"
#include "platform/http_testing.h"
#include "platform/input_bounds.h"
#include "platform/ui.h"
#include "platform/ui_testing.h"
#include "query/query.h"
#include "shell/shell.h"
#include "site_process.h"
#include "state/state.h"
#include "storage/storage.h"

namespace {

const Text provinceBox = "组合框1";
const Text cityBox = "组合框2";
const Text busyLabel = "透明标签3";
const Text headingLabel = "透明标签4";
const Text browserView = "超文本浏览框1";

Bytes ReadDiskFile(const Text& path) {
    std::ifstream file(PlatformDiskPath(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The address part of a page address of the city table.
std::string PathOf(const Text& url) {
    const auto host = url.find("//");
    return host == Text::npos ? url : url.substr(url.find('/', host + 2));
}

class QueryRoad : public testing::Test {
  protected:
    void SetUp() override {
        scratch = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch.empty());
        ASSERT_TRUE(site.Start(scratch + "/site.log")) << "weather site did not start";
        ASSERT_TRUE(UiInitialise()) << "no display: run under scripts/with-display";
        CreateSharedState();
        CreateAnchorRegistries();
        // Where the program will keep its settings on this fresh machine.
        settingsPath = ResolveSettingsPath();
    }
    void TearDown() override {
        UiCloseMainWindow();
        UiPumpEvents(50);
        site.Stop();
        SetHttpStallSeconds(HttpStallSeconds);
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    void SaveSetting(const Text& key, const Text& value) {
        ASSERT_TRUE(IniWrite(settingsPath, "岚川天气助手", key, value));
    }
    Text ReadSetting(const Text& key) {
        return IniRead(settingsPath, "岚川天气助手", key, "(missing)");
    }

    // Opens the program's window; its creation handler starts the loader thread.
    void Open() {
        ASSERT_TRUE(CreateMainWindow(MainWindowLayout()));
        ShowMainWindow();
    }

    // Pumps the UI thread until done() holds or the time is up.
    template <typename Done>
    static bool PumpUntil(Done done, int milliseconds = 10000) {
        for (int waited = 0; waited < milliseconds && !done(); waited += 20) {
            UiPumpEvents(20);
        }
        return done();
    }

    // Waits until the view has shown `loads` pages and the boxes are back with the user.
    bool WaitForPage(int loads, int milliseconds = 10000) {
        return PumpUntil(
            [&] {
                return BrowserLoadsFinished(browserView) >= loads &&
                       ControlIsEnabled(provinceBox) && ControlIsEnabled(cityBox);
            },
            milliseconds);
    }

    Text LocalPagePath() { return TextConcat(AppSettings().dataDir, "\\tmp.htm"); }

    std::string scratch;
    Text settingsPath;
    SiteProcess site;
};

TEST_F(QueryRoad, FirstStartShowsChangPingWithIcons) {
    Open();
    ASSERT_TRUE(WaitForPage(1));
    EXPECT_EQ(ComboReadText(provinceBox), "北京");
    EXPECT_EQ(ComboReadSelection(provinceBox), 0);
    EXPECT_EQ(ComboReadText(cityBox), "昌平");
    EXPECT_EQ(ComboEntryCount(provinceBox), 34);
    EXPECT_FALSE(ControlIsVisible(busyLabel));
    EXPECT_EQ(LabelReadText(headingLabel), "北京 昌平");
    {
        std::lock_guard<std::mutex> hold(QueryStateLock());
        EXPECT_EQ(QueryState().cityTitle, "北京 昌平");
    }

    const auto requests = site.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("\t/weather/beijing/ChangPing.htm\t"), std::string::npos);

    // The shown page is tmp.htm, and every picture it names lies in the image folder.
    const Text page = BytesToText(ReadDiskFile(LocalPagePath()));
    EXPECT_EQ(page.rfind(PageHead, 0), 0u);
    EXPECT_NE(BrowserCurrentUri(browserView).find("tmp.htm"), std::string::npos);
    int icons = 0;
    for (size_t at = page.find("src=\""); at != Text::npos; at = page.find("src=\"", at + 1)) {
        const Text name = page.substr(at + 5, page.find('"', at + 5) - at - 5);
        ASSERT_EQ(name.rfind("image/b", 0), 0u) << name;
        EXPECT_FALSE(ReadDiskFile(TextConcat(ImageDir(), name.substr(6))).empty()) << name;
        ++icons;
    }
    EXPECT_GE(icons, 5);
    // Loading settles the choices but saves nothing.
    EXPECT_EQ(ReadSetting("组合框1.现行选中项"), "(missing)");
}

struct SavedProvinceCase {
    const char* name;
    const char* saved;
    const char* province;
    int cities;  // -1: some
};

void PrintTo(const SavedProvinceCase& c, std::ostream* out) {
    *out << c.name;
}

class SavedProvince : public QueryRoad, public testing::WithParamInterface<SavedProvinceCase> {};

TEST_P(SavedProvince, IsRestored) {
    SaveSetting("组合框1.现行选中项", GetParam().saved);
    Open();
    ASSERT_TRUE(WaitForPage(1));
    EXPECT_EQ(ComboReadText(provinceBox), GetParam().province);
    if (GetParam().cities >= 0) {
        EXPECT_EQ(ComboEntryCount(cityBox), GetParam().cities);
        EXPECT_EQ(ComboReadText(cityBox), "");
        // The query looked up an empty section: nothing fetched, a blank page.
        EXPECT_TRUE(site.Requests().empty());
        EXPECT_EQ(LabelReadText(headingLabel), "");
    } else {
        EXPECT_GT(ComboEntryCount(cityBox), 0);
        EXPECT_EQ(site.Requests().size(), 1u);
    }
}

const SavedProvinceCase savedProvinceCases[] = {
    {"AboveLastSelectsMacau", "40", "澳门", -1},
    {"BelowMinusOneSelectsNothing", "-5", "", 0},
    {"FractionCutTowardZero", "2.9", "广东", -1},
    {"NoNumberSelectsFirst", "abc", "北京", -1},
};
INSTANTIATE_TEST_SUITE_P(QueryRoad, SavedProvince, testing::ValuesIn(savedProvinceCases),
                         [](const testing::TestParamInfo<SavedProvinceCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(QueryRoad, PickingProvinceSavesAndRefillsWithoutQuery) {
    Open();
    ASSERT_TRUE(WaitForPage(1));
    const int loads = BrowserLoadsFinished(browserView);
    ASSERT_TRUE(ComboPickEntry(provinceBox, 23));
    EXPECT_EQ(ComboReadText(provinceBox), "山西");
    EXPECT_EQ(ReadSetting("组合框1.现行选中项"), "23");
    EXPECT_EQ(ReadSetting("组合框2.现行选中项"), "(missing)");

    const TextList cities = TextSplit(IniRead(CityTablePath(), "山西", "所有城市", ""), ",");
    ASSERT_FALSE(cities.empty());
    EXPECT_EQ(ComboEntryCount(cityBox), static_cast<int>(cities.size()));
    EXPECT_EQ(ComboReadText(cityBox), cities[0]);
    UiPumpEvents(300);
    EXPECT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(BrowserLoadsFinished(browserView), loads);
    EXPECT_EQ(LabelReadText(headingLabel), "北京 昌平");
}

TEST_F(QueryRoad, PickingCityQueriesAndPickingItAgainQueriesAgain) {
    Open();
    ASSERT_TRUE(WaitForPage(1));
    ASSERT_TRUE(ComboPickEntry(provinceBox, 23));
    const Text city = TextSplit(IniRead(CityTablePath(), "山西", "所有城市", ""), ",").at(2);
    const std::string path = PathOf(IniRead(CityTablePath(), "山西", city, ""));

    for (int pick = 1; pick <= 2; ++pick) {
        ASSERT_TRUE(ComboPickEntry(cityBox, 2));
        // Both boxes wait for the page; the busy label says so.
        EXPECT_FALSE(ControlIsEnabled(provinceBox));
        EXPECT_FALSE(ControlIsEnabled(cityBox));
        ASSERT_TRUE(WaitForPage(1 + pick));
        EXPECT_FALSE(ControlIsVisible(busyLabel));
        EXPECT_EQ(ReadSetting("组合框2.现行选中项"), "2");
        const auto requests = site.Requests();
        ASSERT_EQ(requests.size(), 1u + pick);
        EXPECT_NE(requests.back().find("\t" + path + "\t"), std::string::npos) << requests.back();
        EXPECT_EQ(LabelReadText(headingLabel), TextConcat("山西 ", city));
    }
}

TEST_F(QueryRoad, TypedProvinceIsTheSection) {
    Open();
    ASSERT_TRUE(WaitForPage(1));
    ASSERT_TRUE(ComboPickEntry(provinceBox, 1));
    ASSERT_EQ(ComboReadText(provinceBox), "上海");

    // "上海x" names no section: the city's address is "未知" and nothing is fetched, although
    // the city box still lists 上海's cities.
    UiFocusControl(provinceBox);
    UiPressKey("End", false);
    UiPressKey("x", false);
    ASSERT_TRUE(PumpUntil([] { return ComboReadText(provinceBox) == "上海x"; }, 2000));
    ASSERT_TRUE(ComboPickEntry(cityBox, 1));
    ASSERT_TRUE(WaitForPage(2));
    EXPECT_EQ(ComboReadText(provinceBox), "上海x");
    {
        std::lock_guard<std::mutex> hold(QueryStateLock());
        EXPECT_EQ(QueryState().url, "未知");
    }
    EXPECT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(LabelReadText(headingLabel), "");

    // Typed back to the section's name, the same city is fetched from 上海's address.
    UiFocusControl(provinceBox);
    UiPressKey("End", false);
    UiPressKey("BackSpace", false);
    ASSERT_TRUE(PumpUntil([] { return ComboReadText(provinceBox) == "上海"; }, 2000));
    ASSERT_TRUE(ComboPickEntry(cityBox, 1));
    ASSERT_TRUE(WaitForPage(3));
    const Text city = ComboReadText(cityBox);
    const auto requests = site.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(
        requests.back().find("\t" + PathOf(IniRead(CityTablePath(), "上海", city, "")) + "\t"),
        std::string::npos);
}

// Runs a query for the page at url as a pick would, and waits until it is shown.
void QueryPage(const std::string& url) {
    {
        std::lock_guard<std::mutex> hold(QueryStateLock());
        QueryState().url = url;
    }
    StartWorker([](std::uintptr_t) { RunQuery(); }, 0, false);
}

// An HTTP server on loopback of the test's own that records every request it sees.
struct LoopbackServer {
    LoopbackServer() {
        server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
            std::lock_guard<std::mutex> hold(seenLock);
            seen.push_back(request.path);
            return httplib::Server::HandlerResponse::Unhandled;
        });
    }
    // Answers what no handler of the test's own took.
    void Start() {
        server.Get(".*", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><body>remote</body></html>", "text/html");
        });
        port = server.bind_to_any_port("127.0.0.1");
        serving = std::thread([this] { server.listen_after_bind(); });
    }
    ~LoopbackServer() {
        server.stop();
        if (serving.joinable()) {
            serving.join();
        }
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port); }
    std::vector<std::string> Seen() {
        std::lock_guard<std::mutex> hold(seenLock);
        return seen;
    }

    httplib::Server server;
    int port = 0;
    std::thread serving;
    std::mutex seenLock;
    std::vector<std::string> seen;
};

TEST_F(QueryRoad, TableReachesNothingButItsPictures) {
    LoopbackServer other;  // every address in the table points here
    other.Start();
    const std::string to = other.Base();
    const std::string table =
        "<table><tr><td>"
        "<meta http-equiv=\"refresh\" content=\"0;url=" +
        to +
        "/refresh\">"
        "<img src=\"image/b0.gif\">"
        "<img src=\"" +
        to +
        "/img.gif\">"
        "<div style=\"width:20px;height:20px;background:url(" +
        to +
        "/css.png)\"></div>"
        "<iframe src=\"" +
        to +
        "/frame\"></iframe>"
        "<iframe src=\"file:///etc/passwd\"></iframe>"
        "<iframe src=\"city.dat\"></iframe>"
        "<img src=\"image/..%2Fcity.dat\">"
        "<img "
        "src=\"data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7\">"
        "<object data=\"" +
        to +
        "/object\"></object>"
        "<link rel=\"stylesheet\" href=\"" +
        to +
        "/sheet.css\">"
        "<form action=\"" +
        to +
        "/form\"><input type=\"submit\" autofocus></form>"
        "<a href=\"" +
        to +
        "/link\">link</a>"
        "<script>document.location='" +
        to +
        "/script';</script>"
        "<img src=\"image/none.gif\" onerror=\"document.location='" +
        to +
        "/onerror'\">"
        "</td></tr></table>";
    LoopbackServer site;  // the page's own server: only the fetch goes there
    site.server.Get("/page", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content("加入收藏<b>远方</b>未来五天天气趋势预报未来五天天气趋势预报" + table,
                             "text/html");
    });
    site.Start();

    Open();
    ASSERT_TRUE(WaitForPage(1));
    QueryPage(site.Base() + "/page");
    ASSERT_TRUE(WaitForPage(2));
    EXPECT_EQ(LabelReadText(headingLabel), "远方");
    // A link followed and a form sent by keyboard as a user would: both are refused.
    UiFocusControl(browserView);
    UiPressKey("Return", false);
    UiPressKey("Tab", false);
    UiPressKey("Return", false);
    UiPumpEvents(1500);

    EXPECT_EQ(other.Seen(), std::vector<std::string>{});
    EXPECT_EQ(site.Seen(), std::vector<std::string>{"/page"});
    const std::string page = BrowserCurrentUri(browserView);
    EXPECT_EQ(page.rfind("file://", 0), 0u) << page;
    EXPECT_NE(page.find("/tmp.htm"), std::string::npos) << page;
    // What the view did load: the page and its picture from the image folder, nothing else.
    const std::string folder = page.substr(0, page.rfind('/') + 1);
    const auto loaded = BrowserLoadedResources(browserView);
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), folder + "image/b0.gif"), loaded.end())
        << testing::PrintToString(loaded);
    for (const std::string& uri : loaded) {
        EXPECT_TRUE(uri == page || uri.rfind(folder + "image/", 0) == 0) << uri;
    }
}

TEST_F(QueryRoad, MebibyteHeadingShowsItsFirstBytes) {
    LoopbackServer site;
    site.server.Get("/page", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(
            TextConcat("加入收藏<b>", Text(1 << 20, 'h'), "</b>未来五天天气趋势预报",
                       "未来五天天气趋势预报<table>t</table>"),
            "text/html");
    });
    site.Start();
    Open();
    ASSERT_TRUE(WaitForPage(1));
    QueryPage(site.Base() + "/page");
    ASSERT_TRUE(WaitForPage(2));
    EXPECT_EQ(LabelReadText(headingLabel), Text(MaxHeadingBytes, 'h'));
    std::lock_guard<std::mutex> hold(QueryStateLock());
    EXPECT_EQ(QueryState().cityTitle, Text(MaxHeadingBytes, 'h'));
}

// A full disk: the data root on a small tmpfs, mounted in a mount namespace of this test's own
// (the test runs itself again under unshare as root).
TEST(QueryRoadFullDisk, FilesAreWholeOrAbsent) {
    if (std::getenv("LANCHUAN_FULL_DISK") != nullptr) {
        GTEST_SKIP() << "inner run";
    }
    if (std::system("[ \"$(id -u)\" = 0 ] && command -v unshare >/dev/null") != 0) {
        GTEST_SKIP() << "needs root and unshare to mount a small tmpfs in a private namespace";
    }
    const std::string scratch = PlatformUseFreshDriveRoot();
    ASSERT_FALSE(scratch.empty());
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string log = scratch + "/inner.log";
    const std::string command = "LANCHUAN_FULL_DISK=1 unshare -m --propagation private '" + self +
                                "' --gtest_filter='FullDiskInner/*' >'" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    const std::string output{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 2 tests"), std::string::npos) << output;
    std::filesystem::remove_all(scratch);
}

struct FullDiskCase {
    const char* name;
    const char* size;  // of the tmpfs that holds drive D:
    bool cityTableFits;
    int pagesShown;  // by the first query
};

void PrintTo(const FullDiskCase& c, std::ostream* out) {
    *out << c.name;
}

class FullDisk : public QueryRoad, public testing::WithParamInterface<FullDiskCase> {
  protected:
    void SetUp() override {
        if (std::getenv("LANCHUAN_FULL_DISK") == nullptr) {
            GTEST_SKIP() << "runs inside QueryRoadFullDisk.FilesAreWholeOrAbsent";
        }
        QueryRoad::SetUp();
        const std::string drive = PlatformDiskPath("D:\\");  // makes the fresh root
        ASSERT_TRUE(std::filesystem::is_directory(drive));
        const std::string mount = "mount -t tmpfs -o size=" + std::string(GetParam().size) +
                                  " lanchuan-full-disk '" + drive + "'";
        ASSERT_EQ(std::system(mount.c_str()), 0);
    }

    // Every file of the data folder is whole: no temp file left, city.dat and pictures either
    // absent or complete.
    void ExpectOnlyWholeFiles() {
        const std::filesystem::path data = PlatformDiskPath(AppSettings().dataDir);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(data)) {
            EXPECT_NE(entry.path().filename().string().rfind(".~", 0), 0u) << entry.path();
        }
        const Bytes table = ReadDiskFile(CityTablePath());
        EXPECT_TRUE(table.empty() || table == Bytes(CityTableData)) << table.size();
        EXPECT_EQ(!table.empty(), GetParam().cityTableFits);
        for (const auto& entry : std::filesystem::directory_iterator(data / "image")) {
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>()};
            EXPECT_TRUE(bytes.rfind("GIF8", 0) == 0 && bytes.back() == ';') << entry.path();
        }
    }
};

TEST_P(FullDisk, NothingHalfIsKeptOrShown) {
    Open();
    auto queryEnded = [] { return ControlIsEnabled(provinceBox) && ControlIsEnabled(cityBox); };
    ASSERT_TRUE(PumpUntil(queryEnded));
    UiPumpEvents(1500);
    EXPECT_EQ(BrowserLoadsFinished(browserView), GetParam().pagesShown);
    ExpectOnlyWholeFiles();
    const Text heading = LabelReadText(headingLabel);
    const Bytes shownPage = ReadDiskFile(LocalPagePath());
    EXPECT_EQ(shownPage.empty(), GetParam().pagesShown == 0);

    // A page larger than the room left: it is not written, so it is not shown.
    LoopbackServer site;
    site.server.Get("/large", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content("加入收藏<b>大页</b>未来五天天气趋势预报未来五天天气趋势预报<table>" +
                                 std::string(MaxTableBytes, 'x') + "</table>",
                             "text/html");
    });
    site.Start();
    QueryPage(site.Base() + "/large");
    ASSERT_TRUE(PumpUntil([&] { return site.Seen().size() == 1; }));
    ASSERT_TRUE(PumpUntil(queryEnded));
    UiPumpEvents(1500);
    EXPECT_EQ(BrowserLoadsFinished(browserView), GetParam().pagesShown);
    EXPECT_EQ(LabelReadText(headingLabel), heading);
    EXPECT_EQ(ReadDiskFile(LocalPagePath()), shownPage);
    ExpectOnlyWholeFiles();
}

const FullDiskCase fullDiskCases[] = {
    // The pictures fill what city.dat left, so the first page does not fit either.
    {"NoRoomForTheCityTable", "96k", false, 0},
    {"RoomForTheTableNotForALargePage", "512k", true, 1},
};
INSTANTIATE_TEST_SUITE_P(FullDiskInner, FullDisk, testing::ValuesIn(fullDiskCases),
                         [](const testing::TestParamInfo<FullDiskCase>& info) {
                             return std::string(info.param.name);
                         });

struct FaultCase {
    const char* mode;
    bool sameHeading;  // the page still carries the city's heading
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.mode;
}

class SiteFault : public QueryRoad, public testing::WithParamInterface<FaultCase> {};

// Every fault leaves the program usable: boxes back, busy label gone, the next pick works.
TEST_P(SiteFault, LeavesProgramUsable) {
    SetHttpStallSeconds(2);
    Open();
    ASSERT_TRUE(WaitForPage(1));
    const Text heading = LabelReadText(headingLabel);
    ASSERT_TRUE(site.SetFault(GetParam().mode));

    ASSERT_TRUE(ComboPickEntry(cityBox, 0));
    ASSERT_TRUE(WaitForPage(2, 30000));
    EXPECT_FALSE(ControlIsVisible(busyLabel));
    if (GetParam().sameHeading) {
        EXPECT_EQ(LabelReadText(headingLabel), heading) << testing::PrintToString(site.Requests());
    }

    ASSERT_TRUE(site.SetFault("none"));
    ASSERT_TRUE(ComboPickEntry(cityBox, 0)) << testing::PrintToString(site.Requests());
    ASSERT_TRUE(WaitForPage(3));
    EXPECT_EQ(LabelReadText(headingLabel), heading);
}

const FaultCase faultCases[] = {
    {"404", false},      {"500", false},    {"empty", false},    {"nomarkers", false},
    {"uppercase", true}, {"nested", true},  {"onemarker", true}, {"zerobyte", false},
    {"huge", false},     {"trickle", true}, {"stall", false},    {"reset", false},
    {"redirect", false}, {"script", true},
};
INSTANTIATE_TEST_SUITE_P(QueryRoad, SiteFault, testing::ValuesIn(faultCases),
                         [](const testing::TestParamInfo<FaultCase>& info) {
                             return std::string(info.param.mode);
                         });

}  // namespace
