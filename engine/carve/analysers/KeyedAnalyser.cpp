#include "engine/carve/analysers/KeyedAnalyser.h"

#include <string>

#include "engine/ByteView.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileBuffer.h"
#include "engine/carve/analysers/RecognisedAnalyser.h"
#include "engine/core/util/EngineAssert.h"

namespace {

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

/// The size step of a keyed row: its describer when it has one, else its sizer.
bool SizeKeyedFile(KeyedFormat const& format, RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info) {
    if (format.describe != nullptr) {
        std::optional<KeyedFile> const file = format.describe(reader, u32SectorSize);
        if (!file) return false;
        info.m_u64Size = file->u64Size;
        info.m_u32Type = file->eType;
        info.SetRawFileName(CarvedName(file->name));
        info.m_bSizeGuessed = file->bGuessed;
        info.m_u64Borne = file->u64Borne;
        info.m_bCutToBorne = file->bCutToBorne;
        info.m_memberStarts = file->memberStarts;
        return true;
    }
    if (!ENGINE_PRECONDITION(nullptr != format.sizer)) return false;
    std::optional<std::uint64_t> const size = format.sizer(reader, u32SectorSize);
    if (!size) return false;
    info.m_u64Size = *size;
    info.m_u32Type = format.eType;
    return true;
}

}  // namespace

bool StartsWithAnyOf(engine::ByteView bytes, std::span<std::string_view const> keys) {
    for (std::string_view const key : keys)
        if (bytes.Equals(0, key)) return true;
    return false;
}

std::unique_ptr<IRawFileAnalyser> CreateKeyedAnalyser(KeyedFormat const& format) {
    auto const recognise = [format](engine::ByteView bytes, CRawFileInfo& info) {
        if (!format.keys.empty() && !StartsWithAnyOf(bytes, format.keys)) return false;
        if (format.probe != nullptr && !format.probe(bytes)) return false;
        info.m_u32Type = format.eType;
        return true;
    };
    auto const size = [format](RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info) {
        return SizeKeyedFile(format, reader, u32SectorSize, info);
    };
    if (format.walkingSizer != nullptr) {
        auto const walkingSize = [format](RawFileBuffer& reader, std::uint32_t u32SectorSize, CRawFileInfo& info) {
            KeyedFile file{0, format.eType, {}};
            Sizing sizing = format.walkingSizer(reader, u32SectorSize, file);
            if (sizing.size || sizing.walk) {
                info.m_u32Type = file.eType;
                if (!file.name.empty()) info.SetRawFileName(CarvedName(file.name));
                info.m_memberStarts = std::move(file.memberStarts);
            }
            return sizing;
        };
        return CreateRowAnalyser({format.eType, recognise, {}, format.landmark, walkingSize});
    }
    return CreateRowAnalyser({format.eType, recognise, size, format.landmark, {}});
}
