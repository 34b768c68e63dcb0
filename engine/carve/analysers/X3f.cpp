// Sigma X3F: bytes 0-3 "FOVb", then the header; the file ends with its section directory,
// "SECd", a version, an entry count and the entries. The directory stands at the file's end,
// so the walk looks for "SECd" in the sector that ends the file (one whose last bytes are zero,
// or that ends in the signature itself).
#include <string_view>

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/RawFileType.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/bytes/ByteView.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint8_t kKey[] = {0x46, 0x4F, 0x56, 0x62};
constexpr std::string_view kDirectory = "SECd";
constexpr std::uint64_t kEndAfterDirectory = 76;
constexpr std::uint64_t kWalkLimit = 0x6800001;
constexpr std::uint32_t kDefaultSectorSize = 512;

/// The position of the first "SECd" in `bytes`, or `bytes.Size()` when there is none.
std::size_t FindDirectory(engine::ByteView bytes) {
    for (std::size_t i = 0; i + kDirectory.size() <= bytes.Size(); ++i)
        if (bytes.Equals(i, kDirectory)) return i;
    return bytes.Size();
}

class FileX3FAnalyser final : public IRawFileAnalyser {
public:
    FileX3FAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_X3F) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        if (!engine::ByteView(pBuffer, u32Readable).Equals(0, kKey)) return 0;
        info.m_u32Type = RAW_FILE_TYPE_X3F;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (pDevice == nullptr) return 0;
        info.m_u64Size = Walk(info, pDevice);
        info.m_u32Type = RAW_FILE_TYPE_X3F;
        return 1;
    }

private:
    /// Where the file ends: past its directory, or where the walk had to stop.
    static std::uint64_t Walk(CRawFileInfo const& info, IStorageDevice* pDevice) {
        int const iSectorSize = pDevice->GetSectorSize();
        std::uint32_t const u32Sector = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::uint64_t u64At = 0;
        for (; u64At < kWalkLimit; u64At += u32Sector) {
            engine::ByteView const sector = reader.Read(u64At, u32Sector);
            if (sector.Empty()) return u64At;
            std::size_t const last = u32Sector - kDirectory.size();
            if (sector.Equals(last, kDirectory)) return u64At + u32Sector + kEndAfterDirectory;
            if (sector.Be32(last) != 0) continue;
            std::size_t const inSector = FindDirectory(sector);
            if (inSector != sector.Size()) return u64At + inSector + kEndAfterDirectory;
            // The directory may straddle the boundary with the previous sector.
            std::uint64_t const u64From = u64At >= u32Sector ? u64At - u32Sector : u64At;
            engine::ByteView const span = reader.Read(u64From, static_cast<std::uint32_t>(u64At + u32Sector - u64From));
            if (span.Empty()) return u64At;
            std::size_t const found = FindDirectory(span);
            if (found != span.Size()) return u64From + found + kEndAfterDirectory;
        }
        return u64At;
    }
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateFileX3FAnalyser() { return std::make_unique<FileX3FAnalyser>(); }
