#include "SearcherSelection.h"

#include <cstdio>
#include <string>

#include "engine/EngineEntryPoints.h"

namespace scanbench {

namespace {

struct SearcherName {
    std::string_view name;
    unsigned uBit;
    EngineEntryPoints::CompleteSearcherFactory EngineEntryPoints::*pFactory;
};

constexpr SearcherName kSearchers[] = {
    {"hfs", 0x01, &EngineEntryPoints::CreateHFSPlusSearcher}, {"exfat", 0x02, &EngineEntryPoints::CreateEXFatSearcher},
    {"fat", 0x04, &EngineEntryPoints::CreateFATSearcher},     {"raw", 0x08, &EngineEntryPoints::CreateRAWSearcher},
    {"ntfs", 0x10, &EngineEntryPoints::CreateNTFSSearcher},
};

}  // namespace

std::optional<unsigned> ParseSearchers(std::string_view list) {
    if (list == "none") return 0u;
    unsigned uSearchers = 0;
    while (true) {
        std::size_t const comma = list.find(',');
        std::string_view const name = list.substr(0, comma);
        bool bKnown = false;
        for (SearcherName const& searcher : kSearchers) {
            if (searcher.name != name) continue;
            uSearchers |= searcher.uBit;
            bKnown = true;
        }
        if (!bKnown) {
            std::fprintf(stderr,
                         "scanbench: --searchers: unknown searcher '%s' (hfs, exfat, fat, raw, ntfs, or none)\n",
                         std::string(name).c_str());
            return std::nullopt;
        }
        if (comma == std::string_view::npos) return uSearchers;
        list.remove_prefix(comma + 1);
    }
}

void KeepSearchers(unsigned uSearchers) {
    EngineEntryPoints& table = GetEngineEntryPoints();
    for (SearcherName const& searcher : kSearchers)
        if ((uSearchers & searcher.uBit) == 0) table.*searcher.pFactory = nullptr;
}

}  // namespace scanbench
