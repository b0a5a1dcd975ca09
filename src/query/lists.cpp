// The province and city boxes: filling them, restoring and saving the user's choices.
// Controls are named by literals rather than the shell's constants: a query thread may still run
// while the program's static values are destroyed at exit.
#include "platform/ui.h"
#include "query/query.h"
#include "shell/shared_state.h"
#include "storage/storage.h"

void LoadLists() {
    TextList provinces;
    RegexExtractAll(Text(ProvinceFragment), Text(ProvincePattern), provinces);
    for (const Text& province : provinces) {
        ComboAppendEntry("组合框1", province);
    }
    ComboSetSelection("组合框1",
                      ReadSavedInteger(Text(ProvinceSelectionKey), Text(SelectionDefault)));
    FillCityBox();
    ComboSetSelection("组合框2", ReadSavedInteger(Text(CitySelectionKey), Text(SelectionDefault)));
    StartQuery();
}

void FillCityBox() {
    ComboRemoveAllEntries("组合框2");
    const Text cities = IniRead(CityTablePath(), ComboReadText("组合框1"), "所有城市", "未知");
    for (const Text& city : TextSplit(cities, ",")) {
        ComboAppendEntry("组合框2", city);
    }
    ComboSetSelection("组合框2", 0);
}

void OnProvinceSelected() {
    WriteSavedInteger(Text(ProvinceSelectionKey), ComboReadSelection("组合框1"));
    FillCityBox();
}

void OnCitySelected() {
    WriteSavedInteger(Text(CitySelectionKey), ComboReadSelection("组合框2"));
    StartQuery();
}
