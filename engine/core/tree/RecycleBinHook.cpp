#include "engine/core/tree/RecycleBinHook.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <span>
#include <string_view>

#include "engine/ByteView.h"
#include "engine/FileNode.h"
#include "engine/core/copyout/FileReader.h"
#include "engine/core/tree/DirectoryTreeInfo.h"
#include "engine/core/tree/RecycleIndex.h"
#include "engine/core/tree/RecyclerFilter.h"

namespace {

constexpr std::string_view kTrashNames[] = {".Trashes", ".Trash"};
constexpr std::string_view kPrivateDataName = "HFS+ Private Data";

std::string_view NameOf(CFileNode& node) { return CFileNode::NameOrEmpty(node.GetFileName()); }

bool IsTrashName(std::string_view name) { return name == kTrashNames[0] || name == kTrashNames[1]; }

/// The folder is directly in the home folder of the user running the scan (HOME); its
/// ancestors must lead to the tree's root.
bool IsUserTrash(CFileNode& folder, _DIRECTORY_TREE_INFO& tree) {
    char const* pszHome = std::getenv("HOME");
    if (pszHome == nullptr || *pszHome == '\0') return false;
    std::string home = pszHome;
    if (home.back() != '/') home.push_back('/');
    return tree.AncestorPath(folder, home.size()) == home;
}

}  // namespace

std::size_t CRecycleBinHook::IndexKeyHash::operator()(IndexKey const& key) const noexcept {
    auto const& [eType, u16Partition, name] = key;
    return std::hash<std::string>{}(name) ^ (std::size_t{u16Partition} << 8) ^ static_cast<std::size_t>(eType);
}

CRecycleBinHook::Verdict CRecycleBinHook::OfferToRecycleBin(CFileNode& node, _tagSearcherType eType) {
    std::uint16_t const u16Partition = node.GetBelongedPartition();
    bool const bInBin = m_binFolders.contains({eType, u16Partition, node.GetParentNodeID()});
    if (!bInBin && !CRecyclerFilter::IsRecycleBinSigleNode(&node)) return Verdict::Pass;

    ReleasePtr<CFileNode> pHeld(&node);
    std::string_view const name = NameOf(node);
    if (node.IsDirectory()) {
        m_binFolders.insert({eType, u16Partition, node.GetCurrentNodeID()});
        m_heldFolders.push_back({std::move(pHeld), eType});
    } else if (CRecyclerFilter::IsIndexName(name)) {
        m_indexFiles.emplace(IndexKey{eType, u16Partition, std::string(name)}, std::move(pHeld));
    } else {
        m_heldFiles.push_back({std::move(pHeld), eType});
    }
    return Verdict::HeldBack;
}

void CRecycleBinHook::KeepPartition(CSearchedPartitionInfo const& partition, IStorageDevice* pDevice) {
    PartitionDevice& kept =
        m_partitions[{SearcherTypeOf(partition.m_u32FileSystemType), partition.m_u16PartitionIndex}];
    kept.record = partition;
    kept.pDevice = pDevice;
}

PartitionDevice* CRecycleBinHook::PartitionOf(_tagSearcherType eType, std::uint16_t u16Partition) {
    auto const exact = m_partitions.find({eType, u16Partition});
    if (exact != m_partitions.end()) return &exact->second;
    // A quick scan gives one record, and it serves every node of its volume.
    auto const first = m_partitions.lower_bound({eType, 0});
    if (first == m_partitions.end() || first->first.first != eType) return nullptr;
    auto const next = std::next(first);
    return next == m_partitions.end() || next->first.first != eType ? &first->second : nullptr;
}

std::optional<std::string> CRecycleBinHook::ReadOriginalName(CFileNode& index, PartitionDevice& where) {
    // Read as copy-out reads the node: through its runs, from its own partition's clusters.
    CFileReader reader;
    if (where.pDevice == nullptr || !reader.Open(where.pDevice, &index, &where.record)) return std::nullopt;
    std::array<std::uint8_t, recycle::kIndexReadBytes> bytes{};
    auto const wanted =
        static_cast<std::size_t>(std::min<long long>(reader.GetDataSize(), static_cast<long long>(bytes.size())));
    std::uint32_t u32Done = 0;
    if (!reader.Read(0, std::span<std::uint8_t>(bytes.data(), wanted), u32Done)) return std::nullopt;
    return recycle::OriginalName(engine::ByteView(bytes.data(), u32Done));
}

void CRecycleBinHook::RestoreName(CFileNode& node, _tagSearcherType eType) {
    std::string_view const name = NameOf(node);
    if (!CRecyclerFilter::IsDataName(name) || CRecyclerFilter::IsRecycleBinSigleNode(&node)) return;
    std::uint16_t const u16Partition = node.GetBelongedPartition();
    // "$Rxyz.jpg" is recorded by "$Ixyz.jpg": the whole rest of the name must match.
    std::string indexName(name);
    indexName[1] = 'I';
    auto const found = m_indexFiles.find({eType, u16Partition, indexName});
    PartitionDevice* pWhere = PartitionOf(eType, u16Partition);
    if (found == m_indexFiles.end() || pWhere == nullptr) return;
    if (std::optional<std::string> const original = ReadOriginalName(*found->second, *pWhere))
        node.RenameFound(*original);
}

std::vector<ReleasePtr<CFileNode>> CRecycleBinHook::TakeHeldNodes(_tagSearcherType eType) {
    std::vector<ReleasePtr<CFileNode>> taken;
    for (std::vector<HeldNode>* pList : {&m_heldFolders, &m_heldFiles}) {
        std::vector<HeldNode> kept;
        for (HeldNode& held : *pList) {
            if (held.eType != eType) {
                kept.push_back(std::move(held));
                continue;
            }
            RestoreName(*held.pNode, eType);
            held.pNode->MarkDeleted();
            taken.push_back(std::move(held.pNode));
        }
        *pList = std::move(kept);
    }
    std::erase_if(m_binFolders, [eType](Place const& place) { return std::get<0>(place) == eType; });
    return taken;
}

CRecycleBinHook::Verdict CRecycleBinHook::CheckPrivateData(CFileNode& node, _DIRECTORY_TREE_INFO const& tree) {
    if (tree.Type() != SEARCHER_TYPE_HFSPLUS) return Verdict::Pass;
    std::set<long long>& hidden = m_privateDataIDs[tree.Type()];
    // The node's name has lost the four leading NUL units of the name on disk.
    bool const bPrivateData =
        node.IsDirectory() && node.GetParentNodeID() == tree.RootID() && NameOf(node) == kPrivateDataName;
    if (!bPrivateData && !hidden.contains(node.GetParentNodeID())) return Verdict::Pass;
    // A folder in it hides what it holds too.
    if (node.IsDirectory()) hidden.insert(node.GetCurrentNodeID());
    return Verdict::Refused;
}

CRecycleBinHook::Verdict CRecycleBinHook::CheckTrash(CFileNode& node, _DIRECTORY_TREE_INFO& tree) {
    if (CheckPrivateData(node, tree) == Verdict::Refused) return Verdict::Refused;
    if (!node.IsDirectory() || !IsTrashName(NameOf(node))) return Verdict::Pass;
    if (node.GetParentNodeID() == tree.RootID() || IsUserTrash(node, tree)) {
        tree.MarkTrashFolder(node);
    } else {
        m_trashCandidates[tree.Type()].push_back(node.GetCurrentNodeID());
    }
    return Verdict::Pass;
}

void CRecycleBinHook::SettleTrash(_DIRECTORY_TREE_INFO& tree) {
    // A candidate's ancestors may have come after it; now all of them are recorded. Each tree
    // of the type (one per volume) looks for its own folders; EndFlashBuild forgets the ids.
    auto const candidates = m_trashCandidates.find(tree.Type());
    if (candidates == m_trashCandidates.end()) return;
    for (long long const s64ID : candidates->second)
        for (CFileNode* pFolder : tree.FoldersWithID(s64ID))
            if (IsTrashName(NameOf(*pFolder)) && IsUserTrash(*pFolder, tree)) tree.MarkTrashFolder(*pFolder);
}

void CRecycleBinHook::EndFlashBuild(_tagSearcherType eType) {
    std::erase_if(m_indexFiles, [eType](auto const& entry) { return std::get<0>(entry.first) == eType; });
    std::erase_if(m_partitions, [eType](auto const& entry) { return entry.first.first == eType; });
    m_trashCandidates.erase(eType);
    m_privateDataIDs.erase(eType);
}

bool CRecycleBinHook::AllowsIncrementalBuild(_DIRECTORY_TREE_INFO const&) const { return true; }
