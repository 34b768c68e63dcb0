#include "engine/carve/RecogniseFileStart.h"

#include <exception>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileAnalyserListSingle.h"
#include "engine/carve/RawFileInfo.h"

namespace {

bool Accepts(IRawFileAnalyser& analyser, std::span<std::uint8_t const> bytes) {
    CRawFileInfo info;
    try {
        return analyser.AnalyseBuffer(bytes.data(), info, static_cast<std::uint32_t>(bytes.size())) != 0;
    } catch (std::exception const&) {
        return false;  // a throwing analyser refuses, as in the search
    }
}

}  // namespace

bool RecogniseFileStart(std::span<std::uint8_t const> bytes) {
    if (bytes.size() < 4 || bytes.size() > UINT32_MAX) return false;
    std::uint32_t const u32Key = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                 std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    if (u32Key == 0) return false;  // the search skips such sectors too
    CRawFileAnalyserListSingle const& registry = CRawFileAnalyserListSingle::CreateInstance();
    RawFileAnalyserMap const& signatures = registry.GetAnalyserMap();
    auto const it = signatures.find(u32Key);
    if (it != signatures.end() && Accepts(*it->second, bytes)) return true;
    for (auto const& pAnalyser : registry.GetAnalyserList(0))
        if (Accepts(*pAnalyser, bytes)) return true;
    return false;
}
