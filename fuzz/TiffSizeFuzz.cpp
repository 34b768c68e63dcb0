// TIFF sizing over the input as a device of 512-byte sectors: the TIFF analyser's recognition
// of the first sector and its walk of the directories, sub-directories, strips and tiles; the
// JPEG, CRW and X3F walks over the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"

namespace {

constexpr std::uint32_t kSectorSize = 512;

class MemoryDevice final : public IStorageDevice {
public:
    MemoryDevice(std::uint8_t const* pData, std::size_t size) : m_bytes(pData, pData + size) {}
    int Open() override { return 1; }
    int Close() override { return 1; }
    int ReadSector(void* pBuffer, long long s64First, long long s64Count) override {
        if (pBuffer == nullptr || s64First < 0 || s64Count <= 0 || s64Count > (1 << 20)) return 0;
        std::size_t const length = static_cast<std::size_t>(s64Count) * kSectorSize;
        std::uint64_t const u64Offset = static_cast<std::uint64_t>(s64First) * kSectorSize;
        auto* pOut = static_cast<std::uint8_t*>(pBuffer);
        std::memset(pOut, 0, length);
        if (u64Offset < m_bytes.size())
            std::memcpy(pOut, m_bytes.data() + u64Offset, std::min<std::size_t>(length, m_bytes.size() - u64Offset));
        return 1;
    }
    int GetSectorSize() override { return kSectorSize; }
    long long GetTotalSectors() override { return static_cast<long long>((m_bytes.size() + kSectorSize - 1) / kSectorSize); }
    int IOCtl(unsigned long long, void*) override { return 0; }
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return 0; }
    RESULT GetLastError() override { return 0; }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 8) return 0;
    MemoryDevice device(pData, size);
    std::vector<std::uint8_t> sector(kSectorSize, 0);
    std::memcpy(sector.data(), pData, std::min<std::size_t>(size, kSectorSize));
    for (auto pCreate : {&CreateFileTIFAnalyser, &CreateFileJPGAnalyser, &CreateFileCRWAnalyser, &CreateFileX3FAnalyser}) {
        std::unique_ptr<IRawFileAnalyser> const pAnalyser = pCreate();
        CRawFileInfo info;
        // Sized whether or not the first sector is accepted: the walks must stand any bytes.
        (void)pAnalyser->AnalyseBuffer(sector.data(), info, kSectorSize);
        (void)pAnalyser->GetRawFileSize(info, &device);
        (void)info.GetRawFileName();
    }
    return 0;
}
