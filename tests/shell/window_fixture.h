// A fixture that opens the program's real main window on a fresh machine and closes it after.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/drives_testing.h"
#include "platform/ui.h"
#include "platform/ui_testing.h"
#include "platform/window.h"
#include "shell/shell.h"
#include "state/state.h"

class MainWindowFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch_ = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch_.empty());
        ASSERT_TRUE(UiInitialise()) << "no display: run under scripts/with-display";
        CreateSharedState();
    }
    void TearDown() override {
        UiCloseMainWindow();
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }

    // Creates the window (its creation handler runs), shows it and waits until it is mapped
    // and the window manager has given it its frame.
    void Open(const WindowLayout& layout) {
        ASSERT_TRUE(CreateMainWindow(layout));
        ShowMainWindow();
        UiPumpEvents(400);
    }

    // Pumps the UI thread until done() holds or about five seconds have passed (a busy machine
    // can keep the window manager waiting).
    template <typename Done>
    static bool PumpUntil(Done done) {
        for (int round = 0; round < 250 && !done(); ++round) {
            UiPumpEvents(20);
        }
        return done();
    }

    std::string scratch_;
};
