// Province and city lists, the query start, the page fetch, and the forecast cut and local page.
#pragma once

#include <string_view>

#include "text/text.h"

// The province links the program carries, and the pattern that takes their names out.
extern const std::string_view ProvinceFragment;
extern const std::string_view ProvincePattern;

// Fills list with capture group 1 of every match of a Perl pattern (case-insensitive), each with
// the removal texts deleted. Always true; a pattern that does not compile gives an empty list.
bool RegexExtractAll(const Text& text, const Text& pattern, TextList& list,
                     const Text& removal1 = Text(), const Text& removal2 = Text(),
                     const Text& removal3 = Text());

// The local page wrapped around the forecast table.
extern const std::string_view PageHead;
extern const std::string_view PageTail;

// What a fetched page gives: the city heading and the local page around its forecast table.
struct ForecastCut {
    Text cityTitle;
    Text localPage;
};
// Cuts a page's text (already ended at its first zero byte) by the fixed markers.
ForecastCut CutForecast(const Text& pageText);

Bytes FetchUrlBytes(const Text& url);

// Handlers and thread bodies of the query road.
void LoadLists();
void FillCityBox();
void OnProvinceSelected();
void OnCitySelected();
void StartQuery();
void RunQuery();
