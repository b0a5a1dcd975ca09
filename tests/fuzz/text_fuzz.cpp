// libFuzzer target for the text primitives: find, before/after, replace, split and numbers on any
// bytes, with the properties a caller relies on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "text/text.h"

namespace {

// Pieces joined by the separator give the text back, less at most one trailing separator.
void CheckJoin(const std::string& text, const std::vector<std::string>& pieces,
               const std::string& separator) {
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        joined += (i == 0 ? "" : separator) + pieces[i];
    }
    if (joined != text && joined + separator != text) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool ignoreCase = input.ConsumeBool();
    const Text marker = input.ConsumeRandomLengthString(16);
    const Text replacement = input.ConsumeRandomLengthString(16);
    const Text text = input.ConsumeRemainingBytesAsString();

    const long long at = TextFind(text, marker, ignoreCase);
    if (at != -1 && (at < 1 || static_cast<std::size_t>(at) - 1 + marker.size() > text.size() ||
                     (!ignoreCase && text.compare(at - 1, marker.size(), marker) != 0))) {
        std::abort();
    }
    TextBefore(text, marker);
    TextAfter(text, marker);
    TextReplace(text, marker, replacement, ignoreCase);
    TextLeft(text, static_cast<long long>(marker.size()) - 4);
    TextRight(text, static_cast<long long>(replacement.size()) - 4);
    if (!marker.empty()) {
        CheckJoin(text, BytesSplit(text, marker), marker);
        if (!text.empty()) {
            CheckJoin(text, TextSplit(text, marker), marker);
        }
    }
    NumberToInteger(TextToNumber(text));
    return 0;
}
