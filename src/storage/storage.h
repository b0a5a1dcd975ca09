// Where the data root and the settings file lie (with their fallbacks), special folders, and the
// integer values saved in the settings file.
#pragma once

#include <string_view>

#include "text/text.h"

// The settings file: D:\Varnel\Rederizoza.p when the notice file can be written into
// D:\Varnel\, else the system folder's Harbwell.txt.
Text ResolveSettingsPath();
// The data root, ending with "\": D:\Varnel\ when its notice file can be written, else the
// fallback under Program Files. Rewrites the notice file at every call.
Text ResolveDataRoot();
// The Windows folder's drive letter with ":\Program Files\3d\", its two folders made.
Text FallbackDataRoot();
// The Windows system folder with "Harbwell.txt".
Text FallbackSettingsPath();
// A special folder by number (2 favourites, 3 desktop, 9 Windows folder, 10 system folder,
// 11 temporary files, any other number the shell's own), ending with "\"; empty when the
// platform cannot give it.
Text SpecialFolderPath(int number);
// The folder for temporary files, ending with "\"; empty when the platform cannot give it.
Text TempFolderPath();
// The path with a "\" at its end, unless its last byte is one already; "" becomes "\".
Text WithTrailingBackslash(const Text& path);

// The notice left in the first-choice data root, and its file name there.
inline constexpr std::string_view NoticeFileName = "用户注意.txt";
inline constexpr std::string_view NoticeText =
    "本目录为数据保存目录,用户请勿手动修改或删除本目录下任何文件,以免相应的软件运行出错\r\n";

// Keys of the settings file's one section (named by AppSettings().appName).
inline constexpr std::string_view ProvinceSelectionKey = "组合框1.现行选中项";
inline constexpr std::string_view CitySelectionKey = "组合框2.现行选中项";
inline constexpr std::string_view DisplayStateKey = "位置";
// Default of the two selection keys; the display state has none (a missing key reads as 0).
inline constexpr std::string_view SelectionDefault = "0";

// The integer saved under key in AppSettings().settingsPath, section AppSettings().appName:
// the default's value when the file, section or key is missing, 0 when it holds no number,
// fractions cut toward zero.
int ReadSavedInteger(const Text& key, const Text& defaultValue);
// Saves value as decimal text; false when the file cannot be written.
bool WriteSavedInteger(const Text& key, int value);
