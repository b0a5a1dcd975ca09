// The cost of unpacking the icon archive at start: split, then 32 files written over old ones.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "embedded/embedded.h"
#include "platform/drives_testing.h"

namespace {

void BM_UnpackIcons(benchmark::State& state) {
    const std::string scratch = PlatformUseFreshDriveRoot();
    const Text imageDir = "D:\\image\\";
    CreateFolder("D:\\image");
    for (auto _ : state) {
        UnpackIconArchive(IconArchive, imageDir);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(IconArchive.size()));
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}
BENCHMARK(BM_UnpackIcons)->Unit(benchmark::kMicrosecond);

}  // namespace
