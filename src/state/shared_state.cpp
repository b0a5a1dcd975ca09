// The shared records live in storage that is never destroyed (see state.h).
#include "state/state.h"

namespace {

struct SharedState {
    AppSettingsRecord appSettings;
    Text imageDir;
    Text cityTablePath;
    QueryStateRecord queryState;
    std::mutex queryStateLock;
};

SharedState& State() {
    static SharedState* state = new SharedState();
    return *state;
}

}  // namespace

AppSettingsRecord& AppSettings() {
    return State().appSettings;
}
Text& ImageDir() {
    return State().imageDir;
}
Text& CityTablePath() {
    return State().cityTablePath;
}
QueryStateRecord& QueryState() {
    return State().queryState;
}
std::mutex& QueryStateLock() {
    return State().queryStateLock;
}

void CreateSharedState() {
    SharedState& state = State();
    state.appSettings = AppSettingsRecord{};
    state.imageDir.clear();
    state.cityTablePath.clear();
    std::lock_guard<std::mutex> hold(state.queryStateLock);
    state.queryState = QueryStateRecord{};
}

// Values stay readable for workers that outlive the message loop; their memory goes with the
// process, which is about to end.
void ReleaseSharedState() {}
