#pragma once
// Where the tree builder meets recycle bins and trash folders.
//
// Entries of a Windows recycle bin (the bin folder and everything found below it) are held back
// until FlashBuild: then each "$R" data file takes the name its "$I" index file records, the
// entries go into the tree deleted, and the index files are released unshown. A "$I" or "$R"
// name outside a bin is an ordinary file. Mac trash folders (".Trashes", ".Trash" at the
// volume root or in the user's home folder) are marked deleted, and so is all below them.
// The HFS+ private-data folder (the hidden store of hard links' content, shown through the
// links) is never shown, nor anything in it. Its searcher hands it over before its entries:
// holding every HFS+ tree's builds back until it is seen would show nothing before the end
// on the many volumes that have none.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "engine/ReleasePtr.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/Types.h"

class CFileNode;
class IStorageDevice;
class _DIRECTORY_TREE_INFO;

/// A partition record a searcher gave the builder and the device its sectors are read from.
struct PartitionDevice {
    CSearchedPartitionInfo record;
    IStorageDevice* pDevice = nullptr;  // not owned
};

class CRecycleBinHook {
public:
    enum class Verdict {
        Pass,      // the builder goes on with the node
        HeldBack,  // taken and held until FlashBuild, which adds it deleted; the hook owns it
        Refused,   // the caller keeps the node
    };

    /// Offered each node of a tree before it is counted (not while FlashBuild runs).
    Verdict OfferToRecycleBin(CFileNode& node, _tagSearcherType eType);
    /// Trash checks, after the node is counted; may mark it deleted and note the tree's trash id.
    /// Refuses the HFS+ private-data folder and what names it as parent.
    Verdict CheckTrash(CFileNode& node, _DIRECTORY_TREE_INFO& tree);
    /// Keeps a copy of the record for reading index files, by the searcher its file system
    /// belongs to and its partition index; a later record of the same index replaces it.
    void KeepPartition(CSearchedPartitionInfo const& partition, IStorageDevice* pDevice);
    /// At the start of FlashBuild: the held entries of a type, folders first, names restored
    /// and marked deleted, to add again. They stay live while held: the searcher still walks a
    /// held folder as the live folder it is, and reads its files by their cluster chains.
    std::vector<ReleasePtr<CFileNode>> TakeHeldNodes(_tagSearcherType eType);
    /// During FlashBuild: settles the tree's trash folder among its candidates.
    void SettleTrash(_DIRECTORY_TREE_INFO& tree);
    /// At the end of FlashBuild: releases the type's index files and forgets its records.
    void EndFlashBuild(_tagSearcherType eType);
    /// False while a tree may only be built when forced.
    bool AllowsIncrementalBuild(_DIRECTORY_TREE_INFO const& tree) const;

private:
    /// Entries of different searchers, and of different partitions of one searcher, never pair.
    using Place = std::tuple<_tagSearcherType, std::uint16_t, long long>;
    using IndexKey = std::tuple<_tagSearcherType, std::uint16_t, std::string>;
    struct IndexKeyHash {
        std::size_t operator()(IndexKey const& key) const noexcept;
    };
    struct HeldNode {
        ReleasePtr<CFileNode> pNode;
        _tagSearcherType eType;
    };

    /// The HFS+ private-data folder at the root of an HFS+ tree and all below it are refused.
    Verdict CheckPrivateData(CFileNode& node, _DIRECTORY_TREE_INFO const& tree);
    /// Gives a held "$R" entry the name its index file records, when both can be read.
    void RestoreName(CFileNode& node, _tagSearcherType eType);
    PartitionDevice* PartitionOf(_tagSearcherType eType, std::uint16_t u16Partition);
    static std::optional<std::string> ReadOriginalName(CFileNode& index, PartitionDevice& where);

    std::vector<HeldNode> m_heldFolders;
    std::vector<HeldNode> m_heldFiles;
    std::set<Place> m_binFolders;  // the held folders' places
    std::unordered_multimap<IndexKey, ReleasePtr<CFileNode>, IndexKeyHash> m_indexFiles;
    std::map<std::pair<_tagSearcherType, std::uint16_t>, PartitionDevice> m_partitions;
    std::map<_tagSearcherType, std::vector<long long>> m_trashCandidates;  // folder ids by tree
    std::map<_tagSearcherType, std::set<long long>> m_privateDataIDs;      // by HFS+ tree: it and folders in it
};
