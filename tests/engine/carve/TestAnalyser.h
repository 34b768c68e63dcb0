#pragma once
// A made-up format for driving the signature search without real pictures. A file starts with
// "QTST" at a sector start; byte 4 says how it is sized: 'A' by its header (the u32 at 8),
// 'W' by a walk to the sector that starts with "QEND" (the file ends 16 bytes into it), 'N'
// never, 'E' by the sizing call, which sets the u32 at 8 as the size yet answers 0. The u16 at 6 is the type id it reports; a zero-terminated name prefix starts at 16.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileAnalyserListSingle.h"

namespace carvetest {

constexpr std::uint32_t kTestKey = 'Q' | 'T' << 8 | 'S' << 16 | std::uint32_t{'T'} << 24;
/// The walk gives up after this many bytes.
constexpr std::uint64_t kWalkLimit = std::uint64_t{512} << 20;

class CTestAnalyser final : public IRawFileAnalyser {
public:
    CTestAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_PNG) {}
    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override;
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override;
};

/// A file sized by its header: `u32Size` bytes.
std::vector<std::uint8_t> MakeSizedFile(std::uint32_t u32Size, std::uint16_t u16Type = RAW_FILE_TYPE_PNG,
                                        std::string const& prefix = {});
/// A file sized by the walk: `u64Sectors` whole sectors, then the 16-byte "QEND" tail.
std::vector<std::uint8_t> MakeWalkedFile(std::uint64_t u64Sectors, std::uint32_t u32SectorSize,
                                         std::uint16_t u16Type = RAW_FILE_TYPE_PNG);
/// A file no walk can size.
std::vector<std::uint8_t> MakeUnsizableFile();
/// A file whose sizing sets `u32Size` but answers failure.
std::vector<std::uint8_t> MakeSizedButFailingFile(std::uint32_t u32Size);

/// Puts the test analyser under its key for the scope's life.
class TestAnalyserScope {
public:
    TestAnalyserScope();
    ~TestAnalyserScope();
    TestAnalyserScope(TestAnalyserScope const&) = delete;
    TestAnalyserScope& operator=(TestAnalyserScope const&) = delete;
};

}  // namespace carvetest
