// Text from one encoding to another through iconv: the backend's one converter.
#include "platform/linux/charset.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

std::optional<std::string> ConvertText(std::string_view in, const char* to, const char* from,
                                       bool replaceUnknown) {
    iconv_t descriptor = iconv_open(to, from);
    if (descriptor == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out(in.size() * 2 + 16, '\0');
    char* inAt = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t outUsed = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outAt = out.data() + outUsed;
        std::size_t outLeft = out.size() - outUsed;
        std::size_t done = iconv(descriptor, &inAt, &inLeft, &outAt, &outLeft);
        outUsed = out.size() - outLeft;
        if (done != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if (errno == EILSEQ && replaceUnknown) {
            // Only reached from UTF-8: skip the whole character the target lacks.
            std::size_t length = 1;
            while (length < inLeft && (static_cast<unsigned char>(inAt[length]) & 0xC0) == 0x80) {
                ++length;
            }
            inAt += length;
            inLeft -= length;
            out.resize(std::max(out.size(), outUsed + 1));
            out[outUsed++] = '?';
        } else {
            ok = false;
            break;
        }
    }
    iconv_close(descriptor);
    if (!ok) {
        return std::nullopt;
    }
    out.resize(outUsed);
    return out;
}
