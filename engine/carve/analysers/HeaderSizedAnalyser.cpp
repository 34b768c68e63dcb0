#include "engine/carve/analysers/HeaderSizedAnalyser.h"

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/core/util/EngineAssert.h"

namespace {

class HeaderSizedAnalyser final : public IRawFileAnalyser {
public:
    HeaderSizedAnalyser(RAW_FILE_TYPE eOwnType, HeaderCheck check) : IRawFileAnalyser(eOwnType), m_check(check) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        return m_check(engine::ByteView(pBuffer, u32Readable), info) ? 1 : 0;
    }

private:
    HeaderCheck m_check;
};

}  // namespace

std::unique_ptr<IRawFileAnalyser> CreateHeaderSizedAnalyser(RAW_FILE_TYPE eOwnType, HeaderCheck check) {
    return std::make_unique<HeaderSizedAnalyser>(eOwnType, check);
}
