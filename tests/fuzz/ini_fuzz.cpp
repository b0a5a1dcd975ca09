// libFuzzer target for the INI format: any file bytes (any line ends, any GBK or broken pairs),
// one write, and the round-trip property: the value reads back, every other key is unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/ini_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(12);
    const std::string key = input.ConsumeRandomLengthString(12);
    const std::string value = input.ConsumeRandomLengthString(24);
    const std::size_t cap = input.ConsumeIntegralInRange<std::size_t>(0, 64);
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::string fault = ini_round_trip::Fault(content, section, key, value);
    if (!fault.empty()) {
        std::fprintf(stderr, "INI round trip: %s\n", fault.c_str());
        std::abort();
    }
    // The same bytes read as UTF-8 (a file with a mark) must not trip anything either.
    FindIniValue(content, section, key, IniCharset::kUtf8);
    SetIniValue(content, section, key, value, IniCharset::kUtf8);

    // A read cap drops at most the first byte of a character it would split, and what it keeps
    // ends on a character boundary: cutting it again keeps all of it.
    const std::size_t most = std::min(cap, content.size());
    const std::size_t cut = GbkCutLength(content, cap);
    if (cut > most || cut + 1 < most || GbkCutLength(content.substr(0, cut), cut) != cut) {
        std::abort();
    }
    return 0;
}
