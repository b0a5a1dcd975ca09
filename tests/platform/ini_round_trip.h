// The INI write property shared by the random round-trip test and the INI fuzz target: a written
// value reads back, and every other key of the file reads as before.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/linux/ini_format.h"

namespace ini_round_trip {

// Names as the format matches them at most: blanks cut, every ASCII letter folded (even GBK
// second bytes, so this treats a few more pairs as the same key than the format does).
inline std::string Loose(std::string_view name) {
    std::string folded(TrimIniBlanks(name));
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 0x20);
        }
    }
    return folded;
}

// Values that read back as written: outer blanks and outer quotes are dropped by any read.
inline bool ReadsBackAsWritten(std::string_view value) {
    if (value != TrimIniBlanks(value)) {
        return false;
    }
    return !(value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
             value.back() == value[0]);
}

// Every section name and key the file might hold, taken loosely from its lines: a probe that
// names nothing reads as missing before and after, which is fine.
inline void Probes(std::string_view content, std::set<std::string>* sections,
                   std::set<std::string>* keys) {
    std::size_t start = 0;
    while (start <= content.size() && sections->size() + keys->size() < 64) {
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = content.size();
        }
        std::string_view line = TrimIniBlanks(content.substr(start, end - start));
        if (!line.empty() && line[0] == '[') {
            std::size_t close = line.rfind(']');
            sections->insert(std::string(line.substr(1, close == 0 ? 0 : close - 1)));
            sections->insert(std::string(line.substr(1)));
        }
        std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            keys->insert(std::string(line.substr(0, equals)));
        }
        start = end + 1;
    }
}

// What went wrong when value is written to key in section of content; empty when nothing did
// (or when the names or value are not ones that read back).
inline std::string Fault(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value) {
    if (!IniNamesWritable(section, key, value) || !ReadsBackAsWritten(value)) {
        return std::string();
    }
    const std::string after = SetIniValue(content, section, key, value);
    std::optional<std::string> read = FindIniValue(after, section, key);
    if (read != std::optional<std::string>(std::string(value))) {
        return "the written value reads back as " + (read ? "\"" + *read + "\"" : "missing");
    }
    std::set<std::string> sections{std::string(section)};
    std::set<std::string> keys{std::string(key)};
    Probes(content, &sections, &keys);
    for (const std::string& probeSection : sections) {
        for (const std::string& probeKey : keys) {
            if (Loose(probeSection) == Loose(section) && Loose(probeKey) == Loose(key)) {
                continue;
            }
            std::optional<std::string> before = FindIniValue(content, probeSection, probeKey);
            std::optional<std::string> now = FindIniValue(after, probeSection, probeKey);
            if (before != now) {
                return "[" + probeSection + "] " + probeKey + " changed from " +
                       (before ? "\"" + *before + "\"" : "missing") + " to " +
                       (now ? "\"" + *now + "\"" : "missing");
            }
        }
    }
    return std::string();
}

}  // namespace ini_round_trip
