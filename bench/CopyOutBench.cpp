// Copy-out throughput: LZNT1 expansion of a compressible sample, and a large contiguous node
// copied from an image file, beside a plain read/write copy of the same bytes (what cp does)
// as the yardstick.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "BenchImage.h"
#include "OnePartitionSearcher.h"
#include "engine/IDataRecovery.h"
#include "engine/IFileReader.h"
#include "engine/IStorageDevice.h"
#include "engine/core/copyout/Lznt1.h"
#include "testkit/RunListNode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kChunk = 4096;
constexpr std::uint64_t kImageBytes = 256ull << 20;

Bytes CompressibleText(std::size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "line " + std::to_string(i) + ": recovered files keep their bytes, " + std::to_string(i * 7919 % 1000) +
                "\n";
    text.resize(size);
    return Bytes(text.begin(), text.end());
}

unsigned LengthBits(std::size_t position) {
    unsigned shift = 0;
    for (std::size_t reach = position > 0 ? position - 1 : 0; reach >= 0x10; reach >>= 1) ++shift;
    return 12 - shift;
}

/// A greedy LZNT1 encoder for one chunk of up to 4 KiB: one hashed candidate per position.
/// Falls back to a stored chunk when compression does not pay.
Bytes CompressChunk(std::span<std::uint8_t const> input) {
    Bytes out = {0, 0};
    std::array<int, 4096> lastSeen;
    lastSeen.fill(-1);
    auto hash = [&](std::size_t at) { return ((input[at] << 8) ^ (input[at + 1] << 4) ^ input[at + 2]) & 0xFFF; };
    std::size_t position = 0;
    while (position < input.size()) {
        std::size_t const flagIndex = out.size();
        out.push_back(0);
        for (int item = 0; item < 8 && position < input.size(); ++item) {
            unsigned const lengthBits = LengthBits(position);
            std::size_t const maxLength = (std::size_t{1} << lengthBits) + 2;
            std::size_t const maxDisplacement = std::size_t{1} << (16 - lengthBits);
            std::size_t length = 0;
            std::size_t candidate = 0;
            if (position + 3 <= input.size()) {
                int const seen = lastSeen[hash(position)];
                lastSeen[hash(position)] = static_cast<int>(position);
                if (seen >= 0 && position - static_cast<std::size_t>(seen) <= maxDisplacement) {
                    candidate = static_cast<std::size_t>(seen);
                    while (length < maxLength && position + length < input.size() &&
                           input[candidate + length] == input[position + length])
                        ++length;
                }
            }
            if (length >= 3) {
                auto const token =
                    static_cast<std::uint16_t>(((position - candidate - 1) << lengthBits) | (length - 3));
                out[flagIndex] |= static_cast<std::uint8_t>(1u << item);
                out.push_back(static_cast<std::uint8_t>(token));
                out.push_back(static_cast<std::uint8_t>(token >> 8));
                position += length;
            } else {
                out.push_back(input[position++]);
            }
        }
    }
    std::uint16_t header = 0;
    if (out.size() - 2 >= input.size()) {
        out.assign(2, 0);
        out.insert(out.end(), input.begin(), input.end());
        header = static_cast<std::uint16_t>(0x3000u | (input.size() - 1));
    } else {
        header = static_cast<std::uint16_t>(0xB000u | (out.size() - 3));
    }
    out[0] = static_cast<std::uint8_t>(header);
    out[1] = static_cast<std::uint8_t>(header >> 8);
    return out;
}

void BM_Lznt1Expand(benchmark::State& state) {
    Bytes const sample = CompressibleText(4 << 20);
    std::vector<Bytes> chunks;
    std::size_t compressedBytes = 0;
    for (std::size_t i = 0; i < sample.size(); i += kChunk) {
        chunks.push_back(CompressChunk(std::span(sample).subspan(i, std::min(kChunk, sample.size() - i))));
        compressedBytes += chunks.back().size();
    }
    Bytes output(kChunk);
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        std::size_t const produced = engine::DecompressBlock(chunks[i], output);
        if (produced != std::min(kChunk, sample.size() - i * kChunk) ||
            !std::equal(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(produced),
                        sample.begin() + static_cast<std::ptrdiff_t>(i * kChunk))) {
            state.SkipWithError("the sample does not expand to itself");
            return;
        }
    }
    for (auto _ : state) {
        for (Bytes const& chunk : chunks) benchmark::DoNotOptimize(engine::DecompressBlock(chunk, output));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.size()));
    state.counters["ratio"] = static_cast<double>(compressedBytes) / static_cast<double>(sample.size());
}
BENCHMARK(BM_Lznt1Expand)->Unit(benchmark::kMillisecond);

std::string const& ImagePath() {
    static CBenchImage const image("copyout", kImageBytes);
    return image.Path();
}

std::string TargetPath() { return (std::filesystem::temp_directory_path() / "quorin-copyout-bench.out").string(); }

void BM_CopyOutContiguousNode(benchmark::State& state) {
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(ImagePath().c_str()));
    if (!pDevice || !pDevice->Open()) {
        state.SkipWithError("cannot open the image");
        return;
    }
    CSearchedPartitionInfo partition;
    partition.m_u32SectorsPerCluster = 8;
    COnePartitionSearcher searcher(partition);
    CRunListNode node({{0, static_cast<long long>(kImageBytes / 4096)}}, static_cast<long long>(kImageBytes), false);
    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    if (Failed(pRecovery->Initialize(&searcher, pDevice.get()))) {
        state.SkipWithError("copy-out refused the partition");
        return;
    }
    ReleasePtr<IFileReader> pClone(pRecovery->SetRecoverNode(&node));
    std::string const target = TargetPath();
    // One untimed copy first: the page cache's first growth to twice the image is not copy-out's.
    pRecovery->RecoverTo(target.c_str(), nullptr, 0);
    for (auto _ : state) {
        if (pRecovery->RecoverTo(target.c_str(), nullptr, 0) != kResultSuccess) {
            state.SkipWithError("copy-out failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
    std::filesystem::remove(target);
}
BENCHMARK(BM_CopyOutContiguousNode)->Unit(benchmark::kMillisecond)->Iterations(3);

/// The yardstick: the same bytes read and written in 4 MiB steps, as cp does.
void BM_PlainFileCopy(benchmark::State& state) {
    std::string const target = TargetPath();
    Bytes buffer(4 << 20);
    for (auto _ : state) {
        int const source = ::open(ImagePath().c_str(), O_RDONLY | O_CLOEXEC);
        int const destination = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        for (ssize_t got; (got = ::read(source, buffer.data(), buffer.size())) > 0;)
            if (::write(destination, buffer.data(), static_cast<std::size_t>(got)) != got) break;
        ::close(source);
        ::close(destination);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
    std::filesystem::remove(target);
}
BENCHMARK(BM_PlainFileCopy)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
