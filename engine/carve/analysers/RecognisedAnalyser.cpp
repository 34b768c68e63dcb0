#include "engine/carve/analysers/RecognisedAnalyser.h"

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;

class RecognisedAnalyser final : public IRawFileAnalyser {
public:
    explicit RecognisedAnalyser(RecognisedFormat const& format) : IRawFileAnalyser(format.eOwnType), m_format(format) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        return m_format.recognise(engine::ByteView(pBuffer, u32Readable), info) ? 1 : 0;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (m_format.sizer == nullptr) return 1;
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        int const iSectorSize = pDevice->GetSectorSize();
        std::uint32_t const u32SectorSize = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        std::optional<std::uint64_t> const size = m_format.sizer(reader, u32SectorSize, info);
        if (!size) return 0;
        info.m_u64Size = *size;
        return 1;
    }

private:
    RecognisedFormat m_format;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateRecognisedAnalyser(RecognisedFormat const& format) {
    return std::make_unique<RecognisedAnalyser>(format);
}
