// Integers saved in the settings file's one section, and the display state's range.
#include "state/state.h"
#include "storage/storage.h"

int ReadSavedInteger(const Text& key, const Text& defaultValue) {
    const AppSettingsRecord& settings = AppSettings();
    return NumberToInteger(
        TextToNumber(IniRead(settings.settingsPath, settings.appName, key, defaultValue)));
}

bool WriteSavedInteger(const Text& key, int value) {
    const AppSettingsRecord& settings = AppSettings();
    return IniWrite(settings.settingsPath, settings.appName, key, NumberToText(value));
}

int ClampDisplayState(int value) {
    if (value < 0) {
        return 0;
    }
    return value > 3 ? 3 : value;
}

int ReadSavedDisplayState() {
    return ClampDisplayState(ReadSavedInteger(Text(DisplayStateKey), Text()));
}
