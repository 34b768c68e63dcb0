#include "TestAnalyser.h"

#include <cstring>

#include "engine/ByteView.h"
#include "engine/ByteWriter.h"
#include "engine/IStorageDevice.h"
#include "engine/carve/RawFileBuffer.h"

namespace carvetest {

namespace {
constexpr std::size_t kPrefixOffset = 16;
constexpr std::size_t kPrefixMax = 64;

std::vector<std::uint8_t> Header(char chMode, std::uint16_t u16Type, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 7));
    std::memcpy(bytes.data(), "QTST", 4);
    bytes[4] = static_cast<std::uint8_t>(chMode);
    bytes[5] = 0;
    bytes[6] = static_cast<std::uint8_t>(u16Type);
    bytes[7] = static_cast<std::uint8_t>(u16Type >> 8);
    std::memset(bytes.data() + kPrefixOffset, 0, std::min(size, kPrefixOffset + kPrefixMax) - kPrefixOffset);
    return bytes;
}
}  // namespace

int CTestAnalyser::AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) {
    engine::ByteView const sector(pBuffer, u32Readable);
    if (!sector.Equals(0, "QTST") || !sector.Has(0, kPrefixOffset + kPrefixMax)) return 0;
    info.m_u32Type = sector.Le16(6);
    std::string prefix;
    for (std::size_t i = kPrefixOffset; i < kPrefixOffset + kPrefixMax && sector.U8(i) != 0; ++i)
        prefix.push_back(static_cast<char>(sector.U8(i)));
    info.SetRawFileName(prefix);
    if (sector.U8(4) == 'A') info.m_u64Size = sector.Le32(8);
    return 1;
}

int CTestAnalyser::GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) {
    RawFileBuffer reader(pDevice, info.m_u64StartSector);
    engine::ByteView const header = reader.Read(0, 12);
    if (!header.Empty() && header.U8(4) == 'E') {
        info.m_u64Size = header.Le32(8);
        return 0;
    }
    if (header.Empty() || header.U8(4) != 'W') return 0;
    std::uint32_t const u32SectorSize = static_cast<std::uint32_t>(pDevice->GetSectorSize());
    for (std::uint64_t u64Offset = u32SectorSize; u64Offset < kWalkLimit; u64Offset += u32SectorSize) {
        engine::ByteView const mark = reader.Read(u64Offset, 4);
        if (mark.Empty()) return 0;
        if (mark.Equals(0, "QEND")) {
            info.m_u64Size = u64Offset + 16;
            return 1;
        }
    }
    return 0;
}

std::vector<std::uint8_t> MakeSizedFile(std::uint32_t u32Size, std::uint16_t u16Type, std::string const& prefix) {
    std::vector<std::uint8_t> bytes = Header('A', u16Type, std::max<std::size_t>(u32Size, kPrefixOffset + kPrefixMax));
    bytes.resize(std::max<std::size_t>(u32Size, kPrefixOffset + kPrefixMax));
    bytes[8] = static_cast<std::uint8_t>(u32Size);
    bytes[9] = static_cast<std::uint8_t>(u32Size >> 8);
    bytes[10] = static_cast<std::uint8_t>(u32Size >> 16);
    bytes[11] = static_cast<std::uint8_t>(u32Size >> 24);
    std::memcpy(bytes.data() + kPrefixOffset, prefix.data(), std::min(prefix.size(), kPrefixMax - 1));
    return bytes;
}

std::vector<std::uint8_t> MakeWalkedFile(std::uint64_t u64Sectors, std::uint32_t u32SectorSize, std::uint16_t u16Type) {
    std::size_t const size = static_cast<std::size_t>(u64Sectors * u32SectorSize + 16);
    std::vector<std::uint8_t> bytes = Header('W', u16Type, size);
    std::memcpy(bytes.data() + size - 16, "QEND", 4);
    return bytes;
}

std::vector<std::uint8_t> MakeUnsizableFile() { return Header('N', RAW_FILE_TYPE_PNG, 512); }

std::vector<std::uint8_t> MakeSizedButFailingFile(std::uint32_t u32Size) {
    std::vector<std::uint8_t> bytes = Header('E', RAW_FILE_TYPE_PNG, 512);
    engine::ByteWriter(bytes).Le32(8, u32Size);
    return bytes;
}

TestAnalyserScope::TestAnalyserScope() {
    CRawFileAnalyserListSingle::SetExtraAnalysers({{kTestKey, [] { return std::make_unique<CTestAnalyser>(); }}});
}

TestAnalyserScope::~TestAnalyserScope() { CRawFileAnalyserListSingle::SetExtraAnalysers({}); }

}  // namespace carvetest
