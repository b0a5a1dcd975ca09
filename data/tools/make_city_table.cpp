// Build tool: turns data/cities.tsv (UTF-8) and the site base into the GBK INI bytes of the city
// table, written as a C++ source that defines CityTableData; or, for the weather site, the same
// rows as a C++ source that defines SiteCityRows. The one reader of the city rows.
// Usage: make_city_table <cities.tsv> <site base> <output .cpp>
//        make_city_table --site-rows <cities.tsv> <output .cpp>
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "embedded/city_sections.h"

namespace {

struct CityRow {
    std::string name;  // GBK
    std::string page;
};

[[noreturn]] void Fail(const std::string& message) {
    std::cerr << "make_city_table: " << message << "\n";
    std::exit(1);
}

// UTF-8 to GBK; false when a character has no GBK form or the input is not UTF-8. Its own iconv
// on purpose: a build tool that runs before any library of the program is built.
bool Utf8ToGbk(const std::string& in, std::string& out) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string src = in;
    std::string dst(in.size() * 2 + 4, '\0');
    char* inPtr = src.data();
    size_t inLeft = src.size();
    char* outPtr = dst.data();
    size_t outLeft = dst.size();
    size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1) || inLeft != 0) {
        return false;
    }
    out.assign(dst.data(), dst.size() - outLeft);
    return true;
}

bool PageNameIsPlain(const std::string& page) {
    if (page.empty()) {
        return false;
    }
    for (char c : page) {
        bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Reads the rows and groups them by section; the sections must stand in the table's order.
std::vector<std::vector<CityRow>> ReadRows(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        Fail("cannot read " + path);
    }
    std::vector<std::vector<CityRow>> sections(CitySections.size());
    size_t current = 0;
    std::string line;
    int lineNo = 0;
    while (std::getline(file, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        std::string where = path + ":" + std::to_string(lineNo) + ": ";
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t')) {
            fields.push_back(field);
        }
        if (fields.size() != 3) {
            Fail(where + "expected province, city and page name");
        }
        std::string province, name;
        if (!Utf8ToGbk(fields[0], province) || !Utf8ToGbk(fields[1], name)) {
            Fail(where + "a name has no GBK form");
        }
        // Searching only forward also refuses a section that comes back after another one.
        while (current < CitySections.size() && CitySections[current].name != province) {
            ++current;
        }
        if (current == CitySections.size()) {
            Fail(where + "unknown province, or its section does not stand in the table's order");
        }
        size_t index = current;
        if (name.empty() || name.find_first_of(",=") != std::string::npos) {
            Fail(where + "empty city name, or one with ',' or '='");
        }
        if (!PageNameIsPlain(fields[2])) {
            Fail(where + "page name must be letters, digits and '-'");
        }
        sections[index].push_back({name, fields[2]});
    }
    for (size_t i = 0; i < sections.size(); ++i) {
        if (sections[i].empty()) {
            Fail(path + ": no cities for section " + std::string(CitySections[i].slug));
        }
    }
    return sections;
}

std::string TableBytes(const std::vector<std::vector<CityRow>>& sections,
                       const std::string& siteBase) {
    const std::string crlf = "\r\n";
    std::string out;
    for (size_t i = 0; i < sections.size(); ++i) {
        const CitySection& section = CitySections[i];
        out += "[" + std::string(section.name) + "]" + crlf;
        out += "所有城市=";
        for (const CityRow& row : sections[i]) {
            out += row.name + ",";
        }
        out += crlf;
        for (const CityRow& row : sections[i]) {
            out += row.name + "=" + siteBase + std::string(CityPageFolder) +
                   std::string(section.slug) + "/" + row.page + ".htm" + crlf;
        }
        out += crlf;
    }
    return out;
}

// Bytes as the inside of a string literal: outside printable ASCII as octal escapes, which end
// after three digits and so never swallow the next character.
std::string LiteralBody(const std::string& bytes) {
    std::string literal;
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\' || c == '?') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7f) {
            literal += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%03o", c);
            literal += escape;
        }
    }
    return literal;
}

// One string literal per INI line.
std::string CppSource(const std::string& bytes) {
    std::string out =
        "// Generated by make_city_table from data/cities.tsv at build time; do not edit.\n"
        "#include \"embedded/embedded.h\"\n\n"
        "namespace {\n"
        "constexpr char cityTableBytes[] =\n";
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        std::string line = bytes.substr(start, end - start);
        std::string tail;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            tail = "\\n";
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            tail = "\\r" + tail;
        }
        out += "    \"" + LiteralBody(line) + tail + "\"\n";
        start = end;
    }
    out += "    ;\n}  // namespace\n\n";
    out += "// The literal's own closing zero is not part of the table.\n";
    out +=
        "constexpr std::string_view CityTableData(cityTableBytes, sizeof(cityTableBytes) - 1);\n";
    return out;
}

// The rows for the weather site, names in GBK as the site's own literals are.
std::string SiteRowsSource(const std::vector<std::vector<CityRow>>& sections) {
    std::string out =
        "// Generated by make_city_table from the city rows at build time; do not edit.\n"
        "#include \"site_rows.h\"\n\n"
        "extern const SiteCityRow SiteCityRows[] = {\n";
    int count = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
        for (const CityRow& row : sections[i]) {
            out += "    {\"" + LiteralBody(std::string(CitySections[i].name)) + "\", \"" +
                   LiteralBody(row.name) + "\", \"" + LiteralBody(row.page) + "\"},\n";
            ++count;
        }
    }
    out += "};\nextern const int SiteCityRowCount = " + std::to_string(count) + ";\n";
    return out;
}

// Rewritten only when it changed, so an unchanged source compiles once.
void WriteSource(const std::string& path, const std::string& source) {
    std::ifstream old(path, std::ios::binary);
    std::stringstream oldText;
    oldText << old.rdbuf();
    if (old && oldText.str() == source) {
        return;
    }
    old.close();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << source;
    out.close();
    if (!out) {
        Fail("cannot write " + path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--site-rows") {
        WriteSource(argv[3], SiteRowsSource(ReadRows(argv[2])));
        return 0;
    }
    if (argc != 4) {
        Fail("usage: make_city_table <cities.tsv> <site base> <output .cpp>");
    }
    std::string siteBase = argv[2];
    while (!siteBase.empty() && siteBase.back() == '/') {
        siteBase.pop_back();
    }
    if (siteBase.empty() || siteBase.find_first_of(" \t\r\n\"") != std::string::npos) {
        Fail("the site base must be a scheme and host without spaces");
    }
    WriteSource(argv[3], CppSource(TableBytes(ReadRows(argv[1]), siteBase)));
    return 0;
}
