// Start-up and close of the main window: the creation and about-to-be-destroyed handlers.
#include "embedded/embedded.h"
#include "layout/layout.h"
#include "query/query.h"
#include "shell/shell.h"
#include "state/state.h"
#include "storage/storage.h"

namespace {

void LoadListsThread(std::uintptr_t) {
    LoadLists();
}

}  // namespace

void OnMainWindowCreated() {
    AppSettingsRecord& settings = AppSettings();
    settings.appName = "岚川天气助手";
    settings.version = LANCHUAN_VERSION;
    settings.settingsPath = ResolveSettingsPath();
    settings.dataDir = TextConcat(ResolveDataRoot(), settings.appName);
    ImageDir() = TextConcat(ResolveDataRoot(), settings.appName, "\\image\\");
    CreateFolder(settings.dataDir);
    CreateFolder(ImageDir());
    CityTablePath() = TextConcat(settings.dataDir, "\\city.dat");
    WriteFileBytes(CityTablePath(), Bytes(CityTableData));
    UnpackIcons();
    SetCaption(TextConcat(settings.appName, " v", settings.version));
    AnchorChild(ControlHandle(BrowserView), 1);
    SetDisplayState(ReadSavedInteger(Text(DisplayStateKey), Text()));
    StartWorker(LoadListsThread, 0, false);
}

void OnMainWindowDestroying() {
    DeleteFileAt(CityTablePath());
    WriteSavedInteger(Text(DisplayStateKey), ReadDisplayState());
}
