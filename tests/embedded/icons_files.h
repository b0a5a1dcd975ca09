// The committed icon files of data/icons, read for comparison with what the program carries.
#pragma once

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace icons_test {

// The archive's record order: b26, b27, b0 to b25, b28 to b31.
inline std::vector<std::string> ArchiveOrder() {
    std::vector<std::string> names = {"b26.gif", "b27.gif"};
    for (int code = 0; code <= 25; ++code) {
        names.push_back("b" + std::to_string(code) + ".gif");
    }
    for (int code = 28; code <= 31; ++code) {
        names.push_back("b" + std::to_string(code) + ".gif");
    }
    return names;
}

inline std::optional<std::string> ReadDiskFile(const std::string& diskPath) {
    std::ifstream in(diskPath, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string SourceIcon(const std::string& name) {
    return ReadDiskFile(std::string(LANCHUAN_ICON_FOLDER) + "/" + name).value_or("");
}

}  // namespace icons_test
