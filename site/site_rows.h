// The data compiled into the site: the city rows and the weather pictures.
#pragma once

#include <cstddef>

// Names in GBK (the compiler's execution charset), page names in ASCII.
struct SiteCityRow {
    const char* province;
    const char* city;
    const char* pageName;
};
extern const SiteCityRow SiteCityRows[];
extern const int SiteCityRowCount;

struct SiteIconBytes {
    const char* data;
    std::size_t size;
};
extern const SiteIconBytes SiteIconData[32];
