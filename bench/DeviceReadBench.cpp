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

#include "engine/IStorageDevice.h"

namespace {

constexpr std::int64_t kImageBytes = 256LL * 1024 * 1024;
constexpr std::int64_t kBlockBytes = 4LL * 1024 * 1024;
constexpr std::int64_t kSectorSize = 512;

// A sparse temporary image, removed when the benchmark ends.
class TempImage {
public:
    TempImage() {
        char const* pszDir = std::getenv("TMPDIR");
        std::string pattern = std::string(pszDir && *pszDir ? pszDir : "/tmp") + "/devicereadXXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) return;
        if (::ftruncate(fd, kImageBytes) == 0) m_path = pattern;
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

void BM_DiskDeviceSequentialRead(benchmark::State& state) {
    TempImage image;
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
