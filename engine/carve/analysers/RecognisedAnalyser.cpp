#include "engine/carve/analysers/RecognisedAnalyser.h"

#include <utility>

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;

std::uint32_t SectorSizeOf(IStorageDevice& device) {
    int const iSectorSize = device.GetSectorSize();
    return iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
}

class RowAnalyser final : public IRawFileAnalyser {
public:
    explicit RowAnalyser(AnalyserRow row) : IRawFileAnalyser(row.eOwnType), m_row(std::move(row)) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        return m_row.recognise(engine::ByteView(pBuffer, u32Readable), info) ? 1 : 0;
    }

    std::optional<RawLandmark> GetLandmark() const override { return m_row.landmark; }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!m_row.size && !m_row.walkingSize) return 1;
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        std::uint32_t const u32SectorSize = SectorSizeOf(*pDevice);
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        if (!m_row.walkingSize) return m_row.size(reader, u32SectorSize, info) ? 1 : 0;
        Sizing sizing = m_row.walkingSize(reader, u32SectorSize, info);
        if (!sizing.walk) return ApplyWalkAnswer(info, sizing.size) ? 1 : 0;
        RunWalk(*sizing.walk, reader);
        return ApplyWalkAnswer(info, *sizing.walk) ? 1 : 0;
    }

    std::unique_ptr<SectorWalk> BeginRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!m_row.walkingSize) {
            GetRawFileSize(info, pDevice);
            return nullptr;
        }
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return nullptr;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        Sizing sizing = m_row.walkingSize(reader, SectorSizeOf(*pDevice), info);
        if (sizing.walk) return std::move(sizing.walk);
        ApplyWalkAnswer(info, sizing.size);
        return nullptr;
    }

private:
    AnalyserRow m_row;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateRowAnalyser(AnalyserRow row) {
    return std::make_unique<RowAnalyser>(std::move(row));
}

std::unique_ptr<IRawFileAnalyser> CreateRecognisedAnalyser(RecognisedFormat const& format) {
    AnalyserRow row{format.eOwnType, format.recognise, {}, format.landmark};
    if (format.walkingSizer != nullptr) {
        row.walkingSize = format.walkingSizer;
    } else if (RecognisedSizer const sizer = format.sizer; sizer != nullptr) {
        row.size = [sizer](RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info) {
            std::optional<std::uint64_t> const size = sizer(reader, u32SectorSize, info);
            if (size) info.m_u64Size = *size;
            return size.has_value();
        };
    }
    return CreateRowAnalyser(std::move(row));
}
