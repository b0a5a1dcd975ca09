// ProgramMain: shared state, the main window, the message loop.
#include <cstdlib>

#include "layout/layout.h"
#include "shell/shell.h"
#include "state/state.h"

namespace {

void ReleaseAtExit() {
    ReleaseSharedState();
}

}  // namespace

int ProgramMain() {
    if (!UiInitialise()) {
        return 1;
    }
    CreateSharedState();
    CreateAnchorRegistries();
    std::atexit(ReleaseAtExit);
    if (!CreateMainWindow(MainWindowLayout())) {
        return 1;
    }
    ShowMainWindow();
    RunMessageLoop();
    return 0;
}
