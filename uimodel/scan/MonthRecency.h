#pragma once
// The months of one date kind in the order they last took a file, each stamped with when, and a
// reader's place in them, so that a reader finds the months that grew since its last look
// without walking every month: its cost follows what arrived, not how many months there are.
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <set>
#include <unordered_map>

namespace uimodel {

class MonthRecency {
public:
    /// A file went into the month `iKey` (year * 100 + month).
    void Touch(int iKey);
    /// The stamp of the last touch; 0 before any. A reader keeps it to ask for what came later.
    std::uint64_t Now() const { return m_u64Now; }
    /// Calls `visit(key)` for every month touched after the stamp `u64Since`, most recent first.
    template <class Visit>
    void Since(std::uint64_t u64Since, Visit&& visit) const {
        for (Entry const& entry : m_order) {
            if (entry.u64Stamp <= u64Since) return;
            visit(entry.iKey);
        }
    }
    /// Forgets every month; stamps go on rising, so a stamp taken before stays valid.
    void clear();

private:
    struct Entry {
        int iKey;
        std::uint64_t u64Stamp;
    };
    std::list<Entry> m_order;  // the last touched first
    std::unordered_map<int, std::list<Entry>::iterator> m_where;
    std::uint64_t m_u64Now = 0;
};

/// A reader's place in one date kind's files: how far it read each month's list (keyed
/// year * 100 + month), the stamp of its last read, and the months to read again whatever their
/// age (their resume point was moved by hand).
struct DateCursor {
    std::map<int, std::size_t> resume;
    std::uint64_t u64Stamp = 0;
    std::set<int> revisit;
};

}  // namespace uimodel
