// Every picture analyser over the input: AnalyseBuffer on exactly the input's first sector,
// then GetRawFileSize through the windowed reader over the input as a device, whatever the
// header said, so that the walks meet hostile lengths, loops and the device's end.
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

/// The input as a device: whole sectors, the last one zero-filled past the input.
class FuzzDevice final : public IStorageDevice {
public:
    FuzzDevice(std::uint8_t const* pData, std::size_t size, std::uint32_t u32SectorSize)
        : m_bytes(pData, pData + size), m_u32SectorSize(u32SectorSize) {}
    int Open() override { return 1; }
    int Close() override { return 1; }
    int ReadSector(void* pBuffer, long long s64First, long long s64Count) override {
        if (pBuffer == nullptr || s64First < 0 || s64Count <= 0 || s64First + s64Count > GetTotalSectors()) return 0;
        std::size_t const length = static_cast<std::size_t>(s64Count) * m_u32SectorSize;
        std::size_t const offset = static_cast<std::size_t>(s64First) * m_u32SectorSize;
        auto* pOut = static_cast<std::uint8_t*>(pBuffer);
        std::memset(pOut, 0, length);
        std::memcpy(pOut, m_bytes.data() + offset, std::min(length, m_bytes.size() - offset));
        return 1;
    }
    int GetSectorSize() override { return static_cast<int>(m_u32SectorSize); }
    long long GetTotalSectors() override { return static_cast<long long>((m_bytes.size() + m_u32SectorSize - 1) / m_u32SectorSize); }
    int IOCtl(unsigned long long, void*) override { return 0; }
    IStorageDeviceData* GetPrivateData() override { return nullptr; }
    void SetPrivateData(IStorageDeviceData*) override {}
    int GetType() override { return 0; }
    RESULT GetLastError() override { return 0; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint32_t m_u32SectorSize;
};

constexpr RawFileAnalyserFactory kPictureAnalysers[] = {
    &CreateFileBMPAnalyser, &CreateFileEMFAnalyser, &CreateFileWMFAnalyser, &CreateFileICOAnalyser,
    &CreateFileGIFAnalyser, &CreateFilePNGAnalyser, &CreateFilePSDAnalyser, &CreateFilePSPAnalyser,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 2 || size > (1 << 20)) return 0;
    // Byte 0 picks the sector size; the device is the rest.
    std::uint32_t const u32SectorSize = (pData[0] & 0x80) != 0 ? 4096 : 512;
    FuzzDevice device(pData + 1, size - 1, u32SectorSize);
    // Exactly the readable bytes, on the heap: a read past them is an overflow the fuzzer sees.
    std::size_t const readable = std::min<std::size_t>(size - 1, u32SectorSize);
    std::vector<std::uint8_t> const sector(pData + 1, pData + 1 + readable);

    for (RawFileAnalyserFactory const factory : kPictureAnalysers) {
        std::unique_ptr<IRawFileAnalyser> const pAnalyser = factory();
        CRawFileInfo info;
        (void)pAnalyser->AnalyseBuffer(sector.data(), info, static_cast<std::uint32_t>(sector.size()));
        CRawFileInfo sized;
        sized.m_u32Type = info.m_u32Type;
        (void)pAnalyser->GetRawFileSize(sized, &device);
    }
    return 0;
}
