// The city table and the icon archive the program carries, and writing the icons out.
#pragma once

#include <string_view>

#include "text/text.h"

// The city table as the GBK INI bytes written to city.dat (no BOM, CRLF lines, no final zero).
extern const std::string_view CityTableData;
// 32 records: picture bytes, "/varnel_name/", file name, "/varnel_end/".
extern const std::string_view IconArchive;

// Writes every named record of the archive into imageDir (which ends with a backslash).
void UnpackIconArchive(std::string_view archive, const Text& imageDir);
// Writes the program's icons into the shared imageDir.
void UnpackIcons();
