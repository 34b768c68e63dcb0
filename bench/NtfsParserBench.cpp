// The per-sector NTFS tests the deep search runs on every sector of a disk (boot sector, FILE
// header, INDX and RCRD), over 64 MiB of random sectors where nearly all must reject on their
// first bytes; and FILE records parsed whole from the MFT of a volume mkntfs makes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/ondisk/IndexRecord.h"
#include "engine/ntfs/ondisk/NTFSDBR.h"
#include "engine/ntfs/ondisk/NTFSFileRecord.h"
#include "engine/ntfs/ondisk/RCRDRecord.h"

namespace {

constexpr std::size_t kSector = 512;
constexpr std::size_t kRandomBytes = 64u << 20;

std::vector<std::uint8_t> const& RandomSectors() {
    static std::vector<std::uint8_t> const bytes = [] {
        std::vector<std::uint8_t> out(kRandomBytes);
        std::mt19937_64 random(12);
        for (std::size_t i = 0; i < out.size(); i += 8) {
            std::uint64_t const value = random();
            for (int b = 0; b < 8; ++b) out[i + b] = static_cast<std::uint8_t>(value >> (8 * b));
        }
        return out;
    }();
    return bytes;
}

void BM_NtfsSectorTestsOnRandom(benchmark::State& state) {
    auto const& bytes = RandomSectors();
    for (auto _ : state) {
        std::size_t hits = 0;
        for (std::size_t at = 0; at + kSector <= bytes.size(); at += kSector) {
            engine::ByteView const sector(bytes.data() + at, kSector);
            hits += CNTFSDBR::IsFullValidDBR(sector) + CNTFSFileRecordHeader::IsValid(sector) +
                    CStandardIndexHeader::IsValid(sector) + CRCRDRecord::IsValidRCRDRecordFirstSector(sector);
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(bytes.size()));
}
BENCHMARK(BM_NtfsSectorTestsOnRandom)->Unit(benchmark::kMillisecond);

void BM_NtfsRecordsOfAnMft(benchmark::State& state) {
    std::string const image = "/tmp/quorin-ntfs-bench-" + std::to_string(getpid()) + ".img";
    std::string const command = "truncate -s 64M " + image + " && mkntfs -F -Q " + image + " >/dev/null 2>&1";
    bool const made = std::system(command.c_str()) == 0;
    std::unique_ptr<IStorageDevice> pDevice(made ? CreateDiskDevice(image.c_str()) : nullptr);
    std::optional<CNTFSMftReader> mft;
    if (pDevice && pDevice->Open()) mft = CNTFSMftReader::Open(*pDevice, 0);
    std::vector<std::vector<std::uint8_t>> records;
    for (std::uint64_t n = 0; mft && n < mft->RecordCount(); ++n)
        if (auto raw = mft->ReadRecord(n)) records.push_back(std::move(*raw));
    std::remove(image.c_str());
    if (records.empty()) {
        state.SkipWithError("mkntfs is missing or its volume has no readable MFT");
        return;
    }
    std::size_t bytes = 0;
    for (auto const& record : records) bytes += record.size();
    for (auto _ : state) {
        std::size_t valid = 0;
        for (auto const& record : records)
            valid += CNTFSFileRecord(engine::ByteView(record.data(), record.size())).IsValid();
        benchmark::DoNotOptimize(valid);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(bytes));
    state.SetItemsProcessed(static_cast<long long>(state.iterations()) * static_cast<long long>(records.size()));
}
BENCHMARK(BM_NtfsRecordsOfAnMft);

}  // namespace
