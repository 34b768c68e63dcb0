#include "engine/core/tree/NodeRecords.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "engine/FileNode.h"
#include "engine/FileTimeTicks.h"

namespace {

std::size_t Mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2));
}

/// Where a hash's probe starts in a table of `size` entries (a power of two): the high bits of
/// a multiplicative spread, so that keys differing only in their low bits scatter too.
std::size_t HomeOf(std::size_t hash, std::size_t size) {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * 0x9E3779B97F4A7C15ull) >>
                                    (64 - std::countr_zero(size)));
}

}  // namespace

std::size_t CNodeRecords::HashOf(DuplicateKey const& key) {
    std::size_t seed = std::hash<std::string_view>{}(key.name);
    seed = Mix(seed, std::hash<long long>{}(key.s64ID));
    seed = Mix(seed, std::hash<long long>{}(key.s64ParentID));
    return Mix(seed, key.u32Kind);
}

CNodeRecords::DuplicateKey CNodeRecords::KeyOf(CFileNode& node) {
    // Copies match only within one partition: volumes found on one disk number their folders
    // alike, and a second volume's folder of the same place and name is a folder of its own.
    std::uint32_t const u32Kind = (node.IsDirectory() ? kFolderKind : 0) + node.GetBelongedPartition();
    return {node.GetCurrentNodeID(), node.GetParentNodeID(), u32Kind, CFileNode::NameOrEmpty(node.GetFileName())};
}

bool CNodeRecords::HasKey(CFileNode& recorded, DuplicateKey const& key) {
    if (recorded.GetCurrentNodeID() != key.s64ID || recorded.GetParentNodeID() != key.s64ParentID) return false;
    return KeyOf(recorded) == key;
}

template <class Entry, class Hasher>
void CNodeRecords::Grow(std::vector<Entry>& table, Hasher const& hashOf) {
    std::vector<Entry> old = std::exchange(table, std::vector<Entry>(std::max<std::size_t>(64, 2 * table.size())));
    std::size_t const mask = table.size() - 1;
    for (Entry entry : old) {
        if (!entry) continue;
        std::size_t i = HomeOf(hashOf(entry), table.size());
        while (table[i]) i = (i + 1) & mask;
        table[i] = entry;
    }
}

CFileNode& CNodeRecords::FirstCopyOf(CFileNode& node) {
    auto const recordedAt = [this](std::uint32_t u32Entry) -> CFileNode& { return m_nodeAt(u32Entry - 1); };
    if ((m_firstCopyCount + 1) * 2 > m_firstCopies.size())
        Grow(m_firstCopies, [&](std::uint32_t u32Entry) { return HashOf(KeyOf(recordedAt(u32Entry))); });
    DuplicateKey const key = KeyOf(node);
    std::size_t const mask = m_firstCopies.size() - 1;
    std::size_t i = HomeOf(HashOf(key), m_firstCopies.size());
    for (; m_firstCopies[i]; i = (i + 1) & mask)
        if (CFileNode& recorded = recordedAt(m_firstCopies[i]); HasKey(recorded, key)) return recorded;
    m_firstCopies[i] = node.GetTreeSlot() + 1;
    ++m_firstCopyCount;
    return node;
}

void CNodeRecords::MergeNode(CFileNode& recorded, CFileNode& copy) {
    // The copy is freed by its caller, list and all: the list must leave it before that.
    recorded.SetDataRunList(copy.TakeDataRunList());
    recorded.UpdateFileSize(copy.GetFileSize());
}

std::optional<std::size_t> CNodeRecords::Record(CFileNode& node) {
    if (!m_bRestore) {
        CFileNode& recorded = FirstCopyOf(node);
        if (&recorded != &node) {
            // Only a copy with data and an older time than the recorded one gives it its runs.
            if (node.GetFileSize() != 0 &&
                FileTimeTicks(recorded.GetModificationTime()) > FileTimeTicks(node.GetModificationTime()))
                MergeNode(recorded, node);
            return std::nullopt;
        }
    }
    long long const s64ID = node.GetCurrentNodeID();
    // Outside restore mode a file's first copy is never asked for again: every file left
    // without a parent is still queued when the parentless ones are requeued, and released
    // after. Not keeping them saves a table slot per file found.
    if (!node.IsDirectory()) {
        if (m_bRestore) RecordFile(node);
        return 0;  // a file's position is never asked for
    }
    _PARENT_INFO& info = m_folders[s64ID];
    info.s64ID = s64ID;
    info.nodes.push_back(&node);
    return info.nodes.size() - 1;
}

void CNodeRecords::RecordFile(CFileNode& file) {
    long long const s64ID = file.GetCurrentNodeID();
    if (!m_files.empty() && s64ID < m_files.back().s64ID) m_bFilesInOrder = false;
    m_files.push_back({s64ID, &file});
}

std::span<CFileNode* const> CNodeRecords::Folders(long long s64ID) const {
    auto it = m_folders.find(s64ID);
    if (it == m_folders.end()) return {};
    return it->second.nodes;
}

std::vector<CFileNode*> CNodeRecords::FirstFilesByID(std::function<bool(CFileNode&)> const& keep) const {
    std::vector<RecordedFile> sorted;
    if (!m_bFilesInOrder) {
        // Most often no file is kept at all (every file found its parent): a look at each, in
        // the order recorded, spares the sort of them all.
        if (std::none_of(m_files.begin(), m_files.end(), [&](RecordedFile const& file) { return keep(*file.pNode); }))
            return {};
        // Stable: of the files of one id the first recorded stays first.
        sorted = m_files;
        std::stable_sort(sorted.begin(), sorted.end(), [](auto const& a, auto const& b) { return a.s64ID < b.s64ID; });
    }
    std::vector<RecordedFile> const& byID = m_bFilesInOrder ? m_files : sorted;
    std::vector<CFileNode*> nodes;
    for (std::size_t i = 0; i < byID.size(); ++i) {
        bool const bFirstOfID = i == 0 || byID[i - 1].s64ID != byID[i].s64ID;
        if (bFirstOfID && keep(*byID[i].pNode)) nodes.push_back(byID[i].pNode);
    }
    return nodes;
}

void CNodeRecords::Clear() {
    m_folders.clear();
    m_files = {};
    m_bFilesInOrder = true;
    m_firstCopies = {};
    m_firstCopyCount = 0;
}
