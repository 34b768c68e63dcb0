// Throughput of reading a disk image in complete-scan blocks through CDiskDevice. The image is
// read once before timing, so this measures the engine's path over the page cache, not the disk.
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

namespace {

constexpr std::int64_t kImageBytes = 256LL * 1024 * 1024;
constexpr std::int64_t kBlockBytes = 4LL * 1024 * 1024;
constexpr std::int64_t kSectorSize = 512;

void BM_DiskDeviceSequentialRead(benchmark::State& state) {
    CBenchImage const image("device-read", kImageBytes);
    std::unique_ptr<IStorageDevice> pDevice(image.Path().empty() ? nullptr : CreateDiskDevice(image.Path().c_str()));
    if (!pDevice || !pDevice->Open()) {
        state.SkipWithError("cannot create or open the temporary image");
        return;
    }
    constexpr std::int64_t kBlockSectors = kBlockBytes / kSectorSize;
    std::int64_t const s64Total = pDevice->GetTotalSectors();
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kBlockBytes));
    for (auto _ : state) {
        for (std::int64_t s64First = 0; s64First < s64Total; s64First += kBlockSectors) {
            if (!pDevice->ReadSector(buffer.data(), s64First, kBlockSectors)) {
                state.SkipWithError("read failed");
                return;
            }
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * kImageBytes);
}
BENCHMARK(BM_DiskDeviceSequentialRead)->Unit(benchmark::kMillisecond);

}  // namespace
