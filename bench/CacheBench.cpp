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

#include "engine/IStorageDevice.h"
#include "engine/core/cache/StorageDeviceWithCache.h"

namespace {

constexpr std::int64_t kImageBytes = 512LL * 1024 * 1024;
constexpr std::int64_t kBlockBytes = 4LL * 1024 * 1024;

// A temporary image with data in every block (a sparse one would be served from the zero page).
class TempImage {
public:
    TempImage() {
        char const* pszDir = std::getenv("TMPDIR");
        std::string pattern = std::string(pszDir && *pszDir ? pszDir : "/tmp") + "/cachebenchXXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) return;
        m_path = pattern;
        std::vector<std::uint8_t> block(static_cast<std::size_t>(kBlockBytes));
        for (std::int64_t s64Offset = 0; s64Offset < kImageBytes; s64Offset += kBlockBytes) {
            for (std::size_t i = 0; i < block.size(); i += 4096) block[i] = static_cast<std::uint8_t>(s64Offset + i);
            if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
                ::unlink(m_path.c_str());
                m_path.clear();
                break;
            }
        }
        ::close(fd);
    }
    ~TempImage() {
        if (!m_path.empty()) ::unlink(m_path.c_str());
    }
    TempImage(TempImage const&) = delete;
    TempImage& operator=(TempImage const&) = delete;
    std::string const& Path() const { return m_path; }

private:
    std::string m_path;
};

void BM_CacheConsumeImage(benchmark::State& state) {
    TempImage image;
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
