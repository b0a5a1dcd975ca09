// What the program makes of a forecast page, and the cells of its table, for the site's tests.
#pragma once

#include <string>
#include <vector>

#include "query/query.h"

struct CutPage {
    std::string heading;
    std::string table;  // the local page without its frame
};

inline CutPage CutOf(const std::string& body) {
    ForecastCut cut = CutForecast(BytesToText(body));
    std::string table = cut.localPage;
    if (table.size() >= PageHead.size() + PageTail.size()) {
        table = table.substr(PageHead.size(), table.size() - PageHead.size() - PageTail.size());
    }
    return {cut.cityTitle, table};
}

// The text of every <td ...> cell in order, tags inside it included.
inline std::vector<std::string> CellsOf(const std::string& table) {
    std::vector<std::string> cells;
    for (std::size_t at = table.find("<td"); at != std::string::npos;
         at = table.find("<td", at + 1)) {
        std::size_t open = table.find('>', at);
        std::size_t close = table.find("</td>", open);
        if (open == std::string::npos || close == std::string::npos) {
            break;
        }
        cells.push_back(table.substr(open + 1, close - open - 1));
    }
    return cells;
}

inline int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}
