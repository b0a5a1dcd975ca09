// The province and city boxes: filling them, restoring and saving the user's choices.
#include "platform/ui.h"
#include "query/query.h"
#include "state/state.h"
#include "storage/storage.h"

void LoadLists() {
    TextList provinces;
    RegexExtractAll(Text(ProvinceFragment), Text(ProvincePattern), provinces);
    for (const Text& province : provinces) {
        ComboAppendEntry(ProvinceBox, province);
    }
    ComboSetSelection(ProvinceBox,
                      ReadSavedInteger(Text(ProvinceSelectionKey), Text(SelectionDefault)));
    FillCityBox();
    ComboSetSelection(CityBox, ReadSavedInteger(Text(CitySelectionKey), Text(SelectionDefault)));
    StartQuery();
}

void FillCityBox() {
    ComboRemoveAllEntries(CityBox);
    const Text cities = IniRead(CityTablePath(), ComboReadText(ProvinceBox), "所有城市", "未知");
    for (const Text& city : TextSplit(cities, ",")) {
        ComboAppendEntry(CityBox, city);
    }
    ComboSetSelection(CityBox, 0);
}

void OnProvinceSelected() {
    WriteSavedInteger(Text(ProvinceSelectionKey), ComboReadSelection(ProvinceBox));
    FillCityBox();
}

void OnCitySelected() {
    WriteSavedInteger(Text(CitySelectionKey), ComboReadSelection(CityBox));
    StartQuery();
}
