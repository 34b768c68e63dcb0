#pragma once
// The order and the guards of a quick scan's walk down a folder tree, for any file system that
// names a folder by where its entries start (a cluster, a block, a record number).
//
// Live folders are read before deleted ones: a deleted folder whose first location a new folder
// took would otherwise read the new folder's entries as its own. A deleted folder reaches the
// tree builder only when its turn comes, after every live folder; when a live folder has read
// its first location by then, it holds none of its own entries any more and takes an id of its
// own, so that the builder never hangs the live folder's children under it. Every location read
// is remembered, so a looping or shared chain is read once; the number of folders taken is
// bounded as well, so a walk over hostile links always ends.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <unordered_set>
#include <utility>

/// `Folder` is the file system's pending folder (a node, or what it needs to read one); it is
/// moved in and out, never copied.
template <class Folder>
class CFolderWalk {
public:
    /// Gives the next id that no location of the volume can have.
    using OwnIdSource = std::function<long long()>;

    /// `u64MaxFolders` bounds the folders TakeNext hands out; `ownIds` numbers the deleted
    /// folders that lost their first location to a live one.
    CFolderWalk(std::uint64_t u64MaxFolders, OwnIdSource ownIds)
        : m_u64MaxFolders(u64MaxFolders), m_ownIds(std::move(ownIds)) {}

    void AddLive(Folder folder) { m_live.push_back(std::move(folder)); }
    void AddDeleted(Folder folder) { m_deleted.push_back(std::move(folder)); }

    /// The next folder, live ones first; nullopt when none is left or the bound is reached.
    std::optional<Folder> TakeNext() {
        if (m_u64Taken >= m_u64MaxFolders) return std::nullopt;
        std::deque<Folder>& queue = !m_live.empty() ? m_live : m_deleted;
        if (queue.empty()) return std::nullopt;
        Folder folder = std::move(queue.front());
        queue.pop_front();
        ++m_u64Taken;
        return folder;
    }
    std::size_t Pending() const { return m_live.size() + m_deleted.size(); }

    /// Records a location as read; false when it was read before (a loop, or a shared chain).
    bool MarkRead(std::uint64_t u64Location) { return m_read.insert(u64Location).second; }
    bool WasRead(std::uint64_t u64Location) const { return m_read.count(u64Location) != 0; }

    /// The id a deleted folder starting at `u64FirstLocation` must take instead of the one its
    /// location gives: a fresh one when a folder read before owns that location, else nullopt.
    std::optional<long long> OwnIdFor(std::uint64_t u64FirstLocation) const {
        if (!WasRead(u64FirstLocation)) return std::nullopt;
        return m_ownIds();
    }

private:
    std::deque<Folder> m_live;
    std::deque<Folder> m_deleted;
    std::unordered_set<std::uint64_t> m_read;
    std::uint64_t m_u64MaxFolders;
    std::uint64_t m_u64Taken = 0;
    OwnIdSource m_ownIds;
};
