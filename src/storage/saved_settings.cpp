// Integers saved in the settings file's one section.
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
