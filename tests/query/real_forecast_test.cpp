// End to end with real forecasts: the program's own window against the weather site, which takes
// its forecasts from a fake of the forecast service on loopback. The view must show the service's
// numbers and its attribution, never the marked sample.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fake_upstream.h"
#include "layout/layout.h"
#include "platform/drives_testing.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "platform/ui_testing.h"
#include "shell/shell.h"
#include "site_process.h"
#include "state/state.h"
#include "storage/storage.h"

namespace {

const Text provinceBox = "组合框1";
const Text cityBox = "组合框2";
const Text headingLabel = "透明标签4";
const Text browserView = "超文本浏览框1";

std::string U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

Bytes ReadDiskFile(const Text& path) {
    std::ifstream file(PlatformDiskPath(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class RealForecast : public testing::Test {
  protected:
    void SetUp() override {
        scratch = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch.empty());
        ASSERT_FALSE(upstream.Base().empty()) << "the fake forecast service did not listen";
        upstream.SetGeocoding(
            {200, GeocodingJson({{U8(u8"昌平区"), U8(u8"北京市"), 40.2206, 116.2312}})});
        upstream.SetForecast({200, ForecastJson({
                                       {"2025-01-15", 2, 0, 2.5, -3.5, 0, 11.5, 0},
                                       {"2025-01-16", 3, 3, -0.4, -10.6, 0, 5, 90},
                                       {"2025-01-17", 61, 71, 4.5, -0.5, 12.3, 30, 225},
                                       {"2025-01-18", 95, 80, 25.49, 18.51, 30, 20, 135},
                                       {"2025-01-19", 45, 45, 1, -1, 0, 62, 300},
                                   })});
        const std::string service = upstream.Base();
        ASSERT_TRUE(site.Start(scratch + "/site.log",
                               "--source openmeteo --upstream-timeout 5 --forecast-api '" +
                                   service + "' --geocoding-api '" + service + "' --cache-dir '" +
                                   scratch + "/site-cache'"))
            << "weather site did not start";
        ASSERT_TRUE(UiInitialise()) << "no display: run under scripts/with-display";
        CreateSharedState();
        CreateAnchorRegistries();
    }
    void TearDown() override {
        UiCloseMainWindow();
        UiPumpEvents(50);
        site.Stop();
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    std::string scratch;
    FakeUpstream upstream;
    SiteProcess site;
};

TEST_F(RealForecast, ViewShowsTheServicesNumbers) {
    ASSERT_TRUE(CreateMainWindow(MainWindowLayout()));
    ShowMainWindow();
    bool shown = false;
    for (int waited = 0; waited < 15000 && !shown; waited += 20) {
        UiPumpEvents(20);
        shown = BrowserLoadsFinished(browserView) >= 1 && ControlIsEnabled(provinceBox) &&
                ControlIsEnabled(cityBox);
    }
    ASSERT_TRUE(shown) << "no page was shown";
    EXPECT_EQ(LabelReadText(headingLabel), "北京 昌平");
    EXPECT_NE(BrowserCurrentUri(browserView).find("tmp.htm"), std::string::npos);

    const Text page = BytesToText(ReadDiskFile(TextConcat(AppSettings().dataDir, "\\tmp.htm")));
    for (const char* cell : {"1月15日", "多云转晴", "3℃ ~ -4℃", "北风3-4级", "阴", "0℃ ~ -11℃",
                             "中雨转小雪", "西南风5-6级", "雷阵雨转阵雨", "25℃ ~ 19℃", "雾",
                             "西北风8-9级", "天气数据：Open-Meteo.com（CC BY 4.0），更新于 "}) {
        EXPECT_NE(page.find(cell), Text::npos) << "missing from the shown page: " << cell;
    }
    EXPECT_EQ(page.find("示例数据"), Text::npos)
        << "a real forecast must not carry the sample mark";
    EXPECT_EQ(upstream.Forecasts(), 1);
    EXPECT_EQ(upstream.Geocodings(), 1);
}

}  // namespace
