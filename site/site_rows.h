// The data compiled into the site: the city rows and the weather pictures.
#pragma once

#include <string_view>

// Names in GBK (make_city_table writes their bytes), page names in ASCII.
struct SiteCityRow {
    const char* province;
    const char* city;
    const char* pageName;
};
extern const SiteCityRow SiteCityRows[];
extern const int SiteCityRowCount;

// The pictures b0.gif to b31.gif, packed as the program packs its own: each record the
// picture's bytes, "/varnel_name/", its file name, "/varnel_end/".
extern const std::string_view SiteIconArchive;
