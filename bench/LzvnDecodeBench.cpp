// lzvn_decode: the project's LZVN decoder over a 64 MiB stream of text-like data, beside zlib
// inflating the same data, and the copy of a 256 MiB type-8 compressed file through its reader
// in copy-out's 4 MiB steps, counting the chunks read (each must be decoded once). The last line
// is "RESULT mode=lzvn_decode bytes=... seconds=... mbps=...", the decoder's rate.
#include <zlib.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/hfsplus/HfsPlusCompressFileReader.h"
#include "engine/hfsplus/decmpfs/DecmpfsHeader.h"
#include "engine/hfsplus/decmpfs/LzvnDecode.h"
#include "testkit/LzvnEncoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kStreamSize = 64u << 20;
constexpr std::size_t kFileSize = 256u << 20;
constexpr std::size_t kCopyStep = 4u << 20;

Bytes const& Data() {
    static Bytes const data = testkit::TextLike(kStreamSize);
    return data;
}
Bytes const& LzvnStream() {
    static Bytes const stream = testkit::LzvnEncode(Data());
    return stream;
}
Bytes const& ZlibStream() {
    static Bytes const stream = [] {
        uLongf size = compressBound(static_cast<uLong>(Data().size()));
        Bytes out(size);
        if (compress2(out.data(), &size, Data().data(), static_cast<uLong>(Data().size()), 6) != Z_OK) out.clear();
        out.resize(size);
        return out;
    }();
    return stream;
}

struct Rate {
    std::uint64_t u64Bytes = 0;
    double dSeconds = 0;
};
Rate g_lzvn;

void LzvnDecode(benchmark::State& state) {
    Bytes output(kStreamSize);
    Bytes const& stream = LzvnStream();
    for (auto _ : state) {
        auto const start = std::chrono::steady_clock::now();
        hfsplus::LzvnResult const result = hfsplus::lzvn_decode(stream, output);
        g_lzvn.dSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        g_lzvn.u64Bytes += result.produced;
        if (result.produced != kStreamSize) state.SkipWithError("the stream did not decode whole");
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamSize));
}
BENCHMARK(LzvnDecode)->Unit(benchmark::kMillisecond);

void ZlibInflate(benchmark::State& state) {
    Bytes output(kStreamSize);
    Bytes const& stream = ZlibStream();
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(output.size());
        if (uncompress(output.data(), &size, stream.data(), static_cast<uLong>(stream.size())) != Z_OK ||
            size != kStreamSize)
            state.SkipWithError("zlib did not inflate whole");
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamSize));
}
BENCHMARK(ZlibInflate)->Unit(benchmark::kMillisecond);

/// A 256 MiB type-8 file: its attribute and a fork of 4096 copies of one LZVN chunk.
struct Type8File {
    Bytes attribute;
    Bytes table;  // chunk offsets, one more than the chunks
    Bytes chunk;
};
Type8File const& BigFile() {
    static Type8File const file = [] {
        Type8File made;
        made.chunk = testkit::LzvnEncode(Bytes(Data().begin(), Data().begin() + hfsplus::kDecmpfsBlockSize));
        std::size_t const chunks = kFileSize / hfsplus::kDecmpfsBlockSize;
        auto const put32 = [](Bytes& bytes, std::uint32_t value) {
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        };
        made.attribute = {'f', 'p', 'm', 'c'};
        put32(made.attribute, 8);
        put32(made.attribute, static_cast<std::uint32_t>(kFileSize));
        put32(made.attribute, 0);
        for (std::size_t i = 0; i <= chunks; ++i)
            put32(made.table, static_cast<std::uint32_t>(4 * (chunks + 1) + i * made.chunk.size()));
        return made;
    }();
    return file;
}

void Type8Copy(benchmark::State& state) {
    Type8File const& file = BigFile();
    std::uint64_t const u64ForkSize = file.table.size() + (kFileSize / hfsplus::kDecmpfsBlockSize) * file.chunk.size();
    std::uint64_t u64ChunkReads = 0;
    // Reads at or past the table are chunk reads: the fork is the table, then the chunks.
    auto const readFork = [&](std::uint64_t u64Offset, std::uint8_t* pBuffer,
                              std::uint64_t u64Length) -> std::uint64_t {
        for (std::uint64_t u64Done = 0; u64Done < u64Length; ++u64Done) {
            std::uint64_t const u64At = u64Offset + u64Done;
            pBuffer[u64Done] = u64At < file.table.size() ? file.table[u64At]
                                                         : file.chunk[(u64At - file.table.size()) % file.chunk.size()];
        }
        if (u64Offset >= file.table.size()) ++u64ChunkReads;
        return u64Length;
    };
    Bytes buffer(kCopyStep);
    for (auto _ : state) {
        std::unique_ptr<hfsplus::CHFSPlusCompressFileReader, void (*)(hfsplus::CHFSPlusCompressFileReader*)> pReader(
            hfsplus::CHFSPlusCompressFileReader::Open(file.attribute, readFork, u64ForkSize), [](auto* p) {
                if (p) p->Release();
            });
        if (!pReader) {
            state.SkipWithError("the reader did not open");
            return;
        }
        for (std::size_t done = 0; done < kFileSize; done += kCopyStep)
            if (pReader->ReadData(static_cast<long long>(done), reinterpret_cast<char*>(buffer.data()), kCopyStep) !=
                kCopyStep)
                state.SkipWithError("a read fell short");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
    state.counters["chunk_reads_per_copy"] =
        static_cast<double>(u64ChunkReads) / static_cast<double>(state.iterations());
    state.counters["chunks"] = static_cast<double>(kFileSize / hfsplus::kDecmpfsBlockSize);
}
BENCHMARK(Type8Copy)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    double const dMbps = g_lzvn.dSeconds > 0 ? static_cast<double>(g_lzvn.u64Bytes) / 1e6 / g_lzvn.dSeconds : 0.0;
    std::printf("RESULT mode=lzvn_decode bytes=%llu seconds=%.3f mbps=%.0f\n",
                static_cast<unsigned long long>(g_lzvn.u64Bytes), g_lzvn.dSeconds, dMbps);
    return 0;
}
