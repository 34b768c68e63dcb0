#include "engine/core/tree/NodeRecords.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

#include "engine/core/node/FileNode.h"
#include "engine/core/tree/FileTimeTicks.h"

namespace {

std::size_t Mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2));
}

}  // namespace

std::size_t CNodeRecords::DuplicateKeyHash::operator()(DuplicateKey const& key) const noexcept {
    std::size_t seed = std::hash<std::string_view>{}(key.name);
    seed = Mix(seed, std::hash<long long>{}(key.s64ID));
    seed = Mix(seed, std::hash<long long>{}(key.s64ParentID));
    return Mix(seed, key.u32Kind);
}

CNodeRecords::DuplicateKey CNodeRecords::KeyOf(CFileNode& node) {
    // Copies match only within one partition: volumes found on one disk number their folders
    // alike, and a second volume's folder of the same place and name is a folder of its own.
    std::uint32_t const u32Kind = (node.IsDirectory() ? kFolderKind : 0) + node.GetBelongedPartition();
    return {node.GetCurrentNodeID(), node.GetParentNodeID(), u32Kind,
            std::string(CFileNode::NameOrEmpty(node.GetFileName()))};
}

void CNodeRecords::MergeNode(CFileNode& recorded, CFileNode& copy) {
    // The copy is freed by its caller, list and all: the list must leave it before that.
    recorded.SetDataRunList(copy.TakeDataRunList());
    recorded.UpdateFileSize(copy.GetFileSize());
}

std::optional<std::size_t> CNodeRecords::Record(CFileNode& node) {
    if (!m_bRestore) {
        auto [it, bFirst] = m_firstCopies.try_emplace(KeyOf(node), &node);
        if (!bFirst) {
            CFileNode& recorded = *it->second;
            // Only a copy with data and an older time than the recorded one gives it its runs.
            if (node.GetFileSize() != 0 &&
                FileTimeTicks(recorded.GetModificationTime()) > FileTimeTicks(node.GetModificationTime()))
                MergeNode(recorded, node);
            return std::nullopt;
        }
    }
    long long const s64ID = node.GetCurrentNodeID();
    if (!node.IsDirectory()) {
        return m_files.try_emplace(s64ID, FilesOfID{&node, 0}).first->second.count++;
    }
    _PARENT_INFO& info = m_folders[s64ID];
    info.s64ID = s64ID;
    info.nodes.push_back(&node);
    return info.nodes.size() - 1;
}

std::span<CFileNode* const> CNodeRecords::Folders(long long s64ID) const {
    auto it = m_folders.find(s64ID);
    if (it == m_folders.end()) return {};
    return it->second.nodes;
}

std::vector<CFileNode*> CNodeRecords::FirstFilesByID(std::function<bool(CFileNode&)> const& keep) const {
    // Filtered before sorting: at the end of a scan few files are left to sort.
    std::vector<std::pair<long long, CFileNode*>> firsts;
    for (auto const& [s64ID, files] : m_files)
        if (keep(*files.pFirst)) firsts.emplace_back(s64ID, files.pFirst);
    std::sort(firsts.begin(), firsts.end(), [](auto const& a, auto const& b) { return a.first < b.first; });
    std::vector<CFileNode*> nodes;
    nodes.reserve(firsts.size());
    for (auto const& entry : firsts) nodes.push_back(entry.second);
    return nodes;
}

void CNodeRecords::Clear() {
    m_folders.clear();
    m_files.clear();
    m_firstCopies.clear();
}
