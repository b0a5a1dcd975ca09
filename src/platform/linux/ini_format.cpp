// Line-level reading and in-place editing of INI bytes.
#include "platform/linux/ini_format.h"

#include <cstring>

namespace {

struct Line {
    std::size_t start;  // first byte
    std::size_t end;    // behind the last byte before CR LF or LF
    std::size_t next;   // first byte of the next line
};

// The line that begins at start; start must lie inside the content.
Line LineAt(std::string_view content, std::size_t start) {
    const void* feed = std::memchr(content.data() + start, '\n', content.size() - start);
    std::size_t lineFeed =
        feed == nullptr ? content.size() : static_cast<const char*>(feed) - content.data();
    std::size_t end = lineFeed;
    if (end > start && content[end - 1] == '\r') {
        --end;
    }
    return Line{start, end, feed == nullptr ? content.size() : lineFeed + 1};
}

bool EndsWithLineFeed(std::string_view content, const Line& line) {
    return line.next > line.start && content[line.next - 1] == '\n';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// ASCII letters fold only in one-byte characters; both bytes of a GBK character must be equal.
bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80) {
            if (x != y || (i + 1 < a.size() && a[i + 1] != b[i + 1])) {
                return false;
            }
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<unsigned char>(x + 0x20);
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<unsigned char>(y + 0x20);
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// The name of a section line "[name]", or nothing. The last "]" closes it, so a GBK trail byte
// 0x5D inside the name does not.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimIniBlanks(line);
    if (line.empty() || line[0] != '[') {
        return std::nullopt;
    }
    std::size_t close = line.rfind(']');
    if (close == 0 || close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimIniBlanks(line.substr(1, close - 1));
}

bool IsComment(std::string_view trimmedLine) {
    return !trimmedLine.empty() && (trimmedLine[0] == ';' || trimmedLine[0] == '#');
}

// Where the "=" of a key line stands ("=" is never a GBK trail byte), or npos.
std::size_t EqualsOf(std::string_view line) {
    if (IsComment(TrimIniBlanks(line))) {
        return std::string_view::npos;
    }
    return line.find('=');
}

struct Located {
    bool sectionFound = false;
    std::size_t keyLine = std::string_view::npos;  // start of the key's line
    std::size_t insertAt = 0;                      // where a new key line of the section goes
    bool insertNeedsBreak = false;                 // the line before insertAt has no line break
};

Located Locate(std::string_view content, std::string_view section, std::string_view key) {
    Located found;
    section = TrimIniBlanks(section);
    key = TrimIniBlanks(key);
    bool inSection = false;
    for (std::size_t start = 0; start < content.size();) {
        Line line = LineAt(content, start);
        std::string_view text = content.substr(line.start, line.end - line.start);
        start = line.next;
        // Only lines that begin with "[" need a closer look outside the wanted section.
        std::size_t first = 0;
        while (first < text.size() && IsBlank(text[first])) {
            ++first;
        }
        if (first < text.size() && text[first] == '[') {
            std::optional<std::string_view> name = SectionName(text);
            if (name) {
                if (inSection) {
                    return found;
                }
                if (NamesEqual(*name, section)) {
                    inSection = true;
                    found.sectionFound = true;
                    found.insertAt = line.next;
                    found.insertNeedsBreak = !EndsWithLineFeed(content, line);
                }
                continue;
            }
        }
        if (!inSection) {
            continue;
        }
        std::size_t equals = EqualsOf(text);
        if (equals != std::string_view::npos &&
            NamesEqual(TrimIniBlanks(text.substr(0, equals)), key)) {
            found.keyLine = line.start;
            return found;
        }
        if (first < text.size() && !IsComment(text.substr(first))) {
            found.insertAt = line.next;
            found.insertNeedsBreak = !EndsWithLineFeed(content, line);
        }
    }
    return found;
}

}  // namespace

std::string_view TrimIniBlanks(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) {
        ++first;
    }
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

std::optional<std::string> FindIniValue(std::string_view content, std::string_view section,
                                        std::string_view key) {
    Located found = Locate(content, section, key);
    if (found.keyLine == std::string_view::npos) {
        return std::nullopt;
    }
    Line line = LineAt(content, found.keyLine);
    std::string_view text = content.substr(line.start, line.end - line.start);
    std::string_view value = TrimIniBlanks(text.substr(EqualsOf(text) + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, value.find('\0')));
}

std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value) {
    section = TrimIniBlanks(section);
    key = TrimIniBlanks(key);
    Located found = Locate(content, section, key);
    std::string result;
    result.reserve(content.size() + section.size() + key.size() + value.size() + 8);
    if (found.keyLine != std::string_view::npos) {
        Line line = LineAt(content, found.keyLine);
        std::size_t valueStart =
            line.start + EqualsOf(content.substr(line.start, line.end - line.start)) + 1;
        result.append(content.substr(0, valueStart));
        result.append(value);
        result.append(content.substr(line.end));
        return result;
    }
    if (found.sectionFound) {
        result.append(content.substr(0, found.insertAt));
        if (found.insertNeedsBreak) {
            result.append("\r\n");
        }
        result.append(key).append("=").append(value).append("\r\n");
        result.append(content.substr(found.insertAt));
        return result;
    }
    result.append(content);
    if (!result.empty() && result.back() != '\n') {
        result.append("\r\n");
    }
    result.append("[").append(section).append("]\r\n");
    result.append(key).append("=").append(value).append("\r\n");
    return result;
}

bool IniNamesWritable(std::string_view section, std::string_view key, std::string_view value) {
    auto hasBreak = [](std::string_view text) {
        return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    section = TrimIniBlanks(section);
    key = TrimIniBlanks(key);
    if (section.empty() || key.empty() || hasBreak(section) || hasBreak(key) || hasBreak(value)) {
        return false;
    }
    return key.find('=') == std::string_view::npos && key[0] != '[' && !IsComment(key);
}
