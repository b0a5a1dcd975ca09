// Line-level reading and in-place editing of INI bytes.
#include "platform/linux/ini_format.h"

namespace {

struct Line {
    std::size_t start;  // first byte
    std::size_t end;    // behind the last byte before the line end
    std::size_t next;   // first byte of the next line
};

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The line that begins at start; start must lie inside the content. CR LF is one line end, and
// so is a CR or an LF alone, as a file saved by any editor may end its lines.
Line LineAt(std::string_view content, std::size_t start) {
    std::size_t end = start;
    while (end < content.size() && !IsLineEnd(content[end])) {
        ++end;
    }
    std::size_t next = end;
    if (next < content.size()) {
        next +=
            content[next] == '\r' && next + 1 < content.size() && content[next + 1] == '\n' ? 2 : 1;
    }
    return Line{start, end, next};
}

// The line end that new lines get: the file's first one, CRLF for a file without any. CR CR LF
// is a CRLF file converted twice: its lines were meant to end in CRLF.
std::string_view LineEndOf(std::string_view content) {
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\n') {
            return "\n";
        }
        if (content[i] == '\r') {
            std::string_view rest = content.substr(i + 1);
            return rest.starts_with("\n") || rest.starts_with("\r\n") ? "\r\n" : "\r";
        }
    }
    return "\r\n";
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// 2 for a GBK first byte followed by a byte that can follow it, else 1. A first byte before a
// byte that cannot be a second byte (a line end, say) stands alone, so it never hides one.
std::size_t CharLength(std::string_view text, std::size_t at, IniCharset charset) {
    if (charset == IniCharset::kUtf8 || at + 1 >= text.size()) {
        return 1;
    }
    unsigned char lead = static_cast<unsigned char>(text[at]);
    unsigned char trail = static_cast<unsigned char>(text[at + 1]);
    bool isLead = lead >= 0x81 && lead <= 0xFE;
    bool isTrail = trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
    return isLead && isTrail ? 2 : 1;
}

// The first (or last) place where a character is the structural byte c, or npos.
std::size_t FindStructural(std::string_view text, char c, IniCharset charset, bool last = false) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i, charset)) {
        if (text[i] == c) {
            found = i;
            if (!last) {
                break;
            }
        }
    }
    return found;
}

// ASCII letters fold only in one-byte characters; both bytes of a GBK character must be equal.
bool NamesEqual(std::string_view a, std::string_view b, IniCharset charset) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size();) {
        std::size_t length = CharLength(a, i, charset);
        if (length == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            i += 2;
            continue;
        }
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<unsigned char>(x + 0x20);
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<unsigned char>(y + 0x20);
        }
        if (x != y) {
            return false;
        }
        ++i;
    }
    return true;
}

// The name of a section line "[name]", or nothing. The last "]" closes it, so "[a] ; note" and
// "[a]b]" both work; a line with no "]" at a character start is no section.
std::optional<std::string_view> SectionName(std::string_view line, IniCharset charset) {
    line = TrimIniBlanks(line);
    if (line.empty() || line[0] != '[') {
        return std::nullopt;
    }
    std::size_t close = FindStructural(line, ']', charset, true);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimIniBlanks(line.substr(1, close - 1));
}

bool IsComment(std::string_view trimmedLine) {
    return !trimmedLine.empty() && (trimmedLine[0] == ';' || trimmedLine[0] == '#');
}

// Where the "=" of a key line stands, or npos.
std::size_t EqualsOf(std::string_view line, IniCharset charset) {
    if (IsComment(TrimIniBlanks(line))) {
        return std::string_view::npos;
    }
    return FindStructural(line, '=', charset);
}

struct Located {
    bool sectionFound = false;
    std::size_t keyLine = std::string_view::npos;  // start of the key's line
    std::size_t insertAt = 0;                      // where a new key line of the section goes
    bool insertNeedsBreak = false;                 // the line before insertAt has no line end
};

Located Locate(std::string_view content, std::string_view section, std::string_view key,
               IniCharset charset) {
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
            std::optional<std::string_view> name = SectionName(text, charset);
            if (name) {
                if (inSection) {
                    return found;
                }
                if (NamesEqual(*name, section, charset)) {
                    inSection = true;
                    found.sectionFound = true;
                    found.insertAt = line.next;
                    found.insertNeedsBreak = line.next == line.end;
                }
                continue;
            }
        }
        if (!inSection) {
            continue;
        }
        std::size_t equals = EqualsOf(text, charset);
        if (equals != std::string_view::npos &&
            NamesEqual(TrimIniBlanks(text.substr(0, equals)), key, charset)) {
            found.keyLine = line.start;
            return found;
        }
        if (first < text.size() && !IsComment(text.substr(first))) {
            found.insertAt = line.next;
            found.insertNeedsBreak = line.next == line.end;
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
                                        std::string_view key, IniCharset charset) {
    Located found = Locate(content, section, key, charset);
    if (found.keyLine == std::string_view::npos) {
        return std::nullopt;
    }
    Line line = LineAt(content, found.keyLine);
    std::string_view text = content.substr(line.start, line.end - line.start);
    std::string_view value = TrimIniBlanks(text.substr(EqualsOf(text, charset) + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, value.find('\0')));
}

std::string SetIniValue(std::string_view content, std::string_view section, std::string_view key,
                        std::string_view value, IniCharset charset) {
    section = TrimIniBlanks(section);
    key = TrimIniBlanks(key);
    Located found = Locate(content, section, key, charset);
    std::string_view lineEnd = LineEndOf(content);
    std::string result;
    result.reserve(content.size() + section.size() + key.size() + value.size() + 8);
    if (found.keyLine != std::string_view::npos) {
        Line line = LineAt(content, found.keyLine);
        std::size_t valueStart =
            line.start + EqualsOf(content.substr(line.start, line.end - line.start), charset) + 1;
        result.append(content.substr(0, valueStart));
        result.append(value);
        result.append(content.substr(line.end));
        return result;
    }
    if (found.sectionFound) {
        result.append(content.substr(0, found.insertAt));
        if (found.insertNeedsBreak) {
            result.append(lineEnd);
        }
        result.append(key).append("=").append(value);
        // A lone CR before an LF that follows would join it into one line end and lose a line.
        bool lfFollows = found.insertAt < content.size() && content[found.insertAt] == '\n';
        result.append(lineEnd == "\r" && lfFollows ? std::string_view("\r\n") : lineEnd);
        result.append(content.substr(found.insertAt));
        return result;
    }
    result.append(content);
    if (!result.empty() && !IsLineEnd(result.back())) {
        result.append(lineEnd);
    }
    result.append("[").append(section).append("]").append(lineEnd);
    result.append(key).append("=").append(value).append(lineEnd);
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
    std::string header = "[" + std::string(section) + "]";
    if (FindStructural(header, ']', IniCharset::kGbk, true) != header.size() - 1) {
        return false;
    }
    return key.find('=') == std::string_view::npos && key[0] != '[' && !IsComment(key);
}

std::size_t GbkCutLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t at = 0;
    while (at < limit) {
        std::size_t length = CharLength(text, at, IniCharset::kGbk);
        if (at + length > limit) {
            break;
        }
        at += length;
    }
    return at;
}
