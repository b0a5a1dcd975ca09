// The program as the start-up benchmark launches it: the same ProgramMain, with the testing
// library's report of the first frame on stdout.
#include "platform/ui_testing.h"
#include "shell/shell.h"

int main() {
    if (UiInitialise()) {
        UiReportFirstFrame();
    }
    return ProgramMain();
}
