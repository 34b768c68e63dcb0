#pragma once
// The process-wide registry of analysers. List 0 holds the analysers without a signature key,
// tried on every sector the map does not claim; list 1 holds one of every analyser, for callers
// outside the signature search that only recognise (the FAT search); the signature map gives
// each key its own analyser. Everything is built from the rows of RawFileAnalyserTable.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"

using RawFileAnalyserList = std::vector<std::unique_ptr<IRawFileAnalyser>>;
using RawFileAnalyserMap = std::map<std::uint32_t, std::unique_ptr<IRawFileAnalyser>>;

class CRawFileAnalyserListSingle {
public:
    /// An analyser built besides the table's at every rebuild (tests and tools): entered under
    /// `u32Key` in the map, or appended to list 0 when the key is 0.
    struct ExtraAnalyser {
        std::uint32_t u32Key;
        std::function<std::unique_ptr<IRawFileAnalyser>()> factory;
    };

    /// The registry, built on first use with list 0, list 1 and the map filled.
    static CRawFileAnalyserListSingle& CreateInstance();

    /// List 0 for 0, list 1 for any other value. The registry owns the analysers.
    RawFileAnalyserList const& GetAnalyserList(int iList) const { return iList == 0 ? m_list0 : m_list1; }
    RawFileAnalyserMap const& GetAnalyserMap() const { return m_map; }
    /// Rebuilds list 0 with new objects: for the given type ids in their order, or for every id
    /// from 1 to 115 when `pTypes` is null or empty; extra keyless analysers follow.
    void BuildRawFileAnalyserListByRawFileType(std::vector<RAW_FILE_TYPE> const* pTypes);
    /// Rebuilds the map with new objects, extra analysers included; `pTypes` is not used.
    void BuildRawFileAnalyserMapByRawFileType(std::vector<RAW_FILE_TYPE> const* pTypes);

    /// Grows with every rebuild: records that point to analysers of an older generation must
    /// not use them.
    std::uint64_t GetGeneration() const { return m_u64Generation; }

    /// Replaces the extra analysers; they join list 0 and the map at the next rebuild.
    static void SetExtraAnalysers(std::vector<ExtraAnalyser> extras);

private:
    CRawFileAnalyserListSingle();

    RawFileAnalyserList m_list0;
    RawFileAnalyserList m_list1;
    RawFileAnalyserMap m_map;
    std::uint64_t m_u64Generation = 1;
};

/// Appends one new analyser of every built class of list 1, in list 1's order.
void BuildRawFileAnalyserList(RawFileAnalyserList& list);
/// Enters every key of the signature table whose class is built, each with a new analyser.
void BuildRawFileAnalyserMap(RawFileAnalyserMap& map);
/// CraetePartRawFileAnalyser for each id of `pTypes` in order, or for 1 to 115 without one.
void BuildRawFileAnalyserListByFileType(RawFileAnalyserList& list, std::vector<RAW_FILE_TYPE> const* pTypes);
/// Appends the built analysers without a key that stand for `eType`; nothing for other ids.
void CraetePartRawFileAnalyser(RAW_FILE_TYPE eType, RawFileAnalyserList& list);
void ClearListContents(RawFileAnalyserList& list);
void ClearMapContents(RawFileAnalyserMap& map);
