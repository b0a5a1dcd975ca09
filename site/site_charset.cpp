// GBK and UTF-8 both ways, for the forecast service's names and queries. Its own iconv on
// purpose: the site is a program of its own and links nothing of the platform layer.
#include <iconv.h>

#include <string>

#include "site.h"

namespace {

std::string Convert(std::string_view text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string();
    }
    std::string out(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outAt = out.data();
    std::size_t outLeft = out.size();
    // Two bytes of GBK are at most three of UTF-8 and the reverse never grows: one pass fits.
    std::size_t r = iconv(cd, &in, &inLeft, &outAt, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::string();
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
    return Convert(gbk, "UTF-8", "GBK");
}

std::string Utf8ToGbk(std::string_view utf8) {
    return Convert(utf8, "GBK", "UTF-8");
}
