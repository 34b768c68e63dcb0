// Throughput of the complete scan's read path: a disk image consumed through the read-ahead
// cache in 4 MiB blocks, each block read once through the cache as a searcher would. The image
// is read once before timing, so this measures the engine over the page cache, not the disk.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "BenchImage.h"
#include "engine/IStorageDevice.h"
#include "engine/core/cache/StorageDeviceWithCache.h"

namespace {

constexpr std::int64_t kImageBytes = 512LL * 1024 * 1024;
constexpr std::int64_t kBlockBytes = 4LL * 1024 * 1024;

void BM_CacheConsumeImage(benchmark::State& state) {
    CBenchImage const image("cache", kImageBytes);
    std::unique_ptr<IStorageDevice> pDevice(image.Path().empty() ? nullptr : CreateDiskDevice(image.Path().c_str()));
    if (!pDevice || !pDevice->Open()) {
        state.SkipWithError("cannot create or open the temporary image");
        return;
    }
    auto const s64BlockSectors = kBlockBytes / pDevice->GetSectorSize();
    std::int64_t const s64Total = pDevice->GetTotalSectors();
    std::int64_t const s64Blocks = (s64Total + s64BlockSectors - 1) / s64BlockSectors;
    std::vector<std::uint8_t> searcherView(static_cast<std::size_t>(kBlockBytes));
    for (auto _ : state) {
        CStorageDeviceWithCache cache(pDevice.get());
        cache.SetBlockSize(static_cast<unsigned>(s64BlockSectors));
        cache.BeginCache();
        for (std::int64_t i = 0; i < s64Blocks; ++i) {
            if (!cache.SetCurCacheBlock(i) ||
                !cache.ReadSector(searcherView.data(), i * s64BlockSectors, s64BlockSectors)) {
                state.SkipWithError("block not delivered");
                return;
            }
            benchmark::DoNotOptimize(searcherView.data());
        }
        cache.EndCache();
    }
    state.SetBytesProcessed(state.iterations() * kImageBytes);
}
BENCHMARK(BM_CacheConsumeImage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
