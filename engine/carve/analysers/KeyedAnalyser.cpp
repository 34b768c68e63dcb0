#include "engine/carve/analysers/KeyedAnalyser.h"

#include <string>

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/core/bytes/ByteView.h"
#include "engine/core/util/EngineAssert.h"

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;
/// Room for the number and extension within a file name's 255 bytes.
constexpr std::size_t kMaxNameBytes = 200;

/// A stored name fit for a file name: control characters replaced, cut at a character boundary.
std::string CarvedName(std::string name) {
    if (name.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // a UTF-8 continuation
        name.resize(cut);
    }
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    return name;
}

class KeyedAnalyser final : public IRawFileAnalyser {
public:
    explicit KeyedAnalyser(KeyedFormat const& format) : IRawFileAnalyser(format.eType), m_format(format) {}

    int AnalyseBuffer(unsigned char const* pBuffer, CRawFileInfo& info, std::uint32_t u32Readable) override {
        if (!ENGINE_PRECONDITION(nullptr != pBuffer)) return 0;
        engine::ByteView const bytes(pBuffer, u32Readable);
        if (!m_format.keys.empty() && !StartsWithAnyOf(bytes, m_format.keys)) return 0;
        if (m_format.probe != nullptr && !m_format.probe(bytes)) return 0;
        info.m_u32Type = m_format.eType;
        return 1;
    }

    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) override {
        if (!ENGINE_PRECONDITION(nullptr != pDevice)) return 0;
        int const iSectorSize = pDevice->GetSectorSize();
        std::uint32_t const u32SectorSize = iSectorSize > 0 ? static_cast<std::uint32_t>(iSectorSize) : kDefaultSectorSize;
        RawFileBuffer reader(pDevice, info.m_u64StartSector);
        if (m_format.describe != nullptr) {
            std::optional<KeyedFile> const file = m_format.describe(reader, u32SectorSize);
            if (!file) return 0;
            info.m_u64Size = file->u64Size;
            info.m_u32Type = file->eType;
            info.SetRawFileName(CarvedName(file->name));
            return 1;
        }
        std::optional<std::uint64_t> const size = m_format.sizer(reader, u32SectorSize);
        if (!size) return 0;
        info.m_u64Size = *size;
        info.m_u32Type = m_format.eType;
        return 1;
    }

private:
    KeyedFormat m_format;
};

}  // namespace

bool StartsWithAnyOf(engine::ByteView bytes, std::span<std::string_view const> keys) {
    for (std::string_view const key : keys)
        if (bytes.Equals(0, key)) return true;
    return false;
}

std::unique_ptr<IRawFileAnalyser> CreateKeyedAnalyser(KeyedFormat const& format) {
    return std::make_unique<KeyedAnalyser>(format);
}
