#pragma once
// Every run of directory sectors the complete scan handed over, owned, in ascending order of
// first sector, so that "which run starts at this sector" is a binary search.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/exfat/complete/FileSet.h"

class CFileSetList {
public:
    CFileSet* Add(std::unique_ptr<CFileSet> pSet) {
        std::uint64_t const u64First = pSet->GetFirstSector();
        auto const at =
            std::upper_bound(m_sets.begin(), m_sets.end(), u64First,
                             [](std::uint64_t u64Sector, auto const& p) { return u64Sector < p->GetFirstSector(); });
        return m_sets.insert(at, std::move(pSet))->get();
    }
    /// The run starting at `u64Sector`, or null.
    CFileSet* Find(std::uint64_t u64Sector) const {
        auto const at = LowerBound(u64Sector);
        return at != m_sets.end() && (*at)->GetFirstSector() == u64Sector ? at->get() : nullptr;
    }
    /// The runs whose first sector lies in [u64First, u64End).
    template <class Visit>
    void ForEachIn(std::uint64_t u64First, std::uint64_t u64End, Visit visit) const {
        for (auto at = LowerBound(u64First); at != m_sets.end() && (*at)->GetFirstSector() < u64End; ++at) visit(**at);
    }
    std::vector<std::unique_ptr<CFileSet>> const& All() const { return m_sets; }
    std::size_t Size() const { return m_sets.size(); }
    void Clear() { m_sets.clear(); }

private:
    std::vector<std::unique_ptr<CFileSet>>::const_iterator LowerBound(std::uint64_t u64Sector) const {
        return std::lower_bound(m_sets.begin(), m_sets.end(), u64Sector,
                                [](auto const& p, std::uint64_t u64At) { return p->GetFirstSector() < u64At; });
    }

    std::vector<std::unique_ptr<CFileSet>> m_sets;
};
