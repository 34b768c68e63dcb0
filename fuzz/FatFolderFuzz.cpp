// Folder entries as the quick scan reads them: the input after a 4-byte header is one folder's
// bytes, read under a parent folder of a small volume whose allocation table and data area come
// from the header. Deleted files go through the FAT32 first-cluster revision, whose content
// test reads the volume. Every node made must be released (LSan) and no name may carry '/'.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/core/bytes/ByteView.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/fat/FATBuildChildren.h"
#include "engine/fat/FATFirstClusterRevision.h"
#include "engine/fat/FATTable.h"

namespace {

constexpr std::uint32_t kClusters = 64;

/// A table whose chains are 2-3-...: every cluster links to the next, the last ends the chain.
std::vector<std::uint32_t> ChainTable(FileSystemType eType) {
    std::vector<std::uint32_t> entries(kClusters + 2);
    entries[0] = eType == FILE_SYSTEM_FAT32 ? 0x0FFFFFF8 : 0xFFF8;
    entries[1] = eType == FILE_SYSTEM_FAT32 ? 0x0FFFFFFF : 0xFFFF;
    for (std::uint32_t i = 2; i + 1 < entries.size(); ++i) entries[i] = i + 1;
    entries.back() = eType == FILE_SYSTEM_FAT32 ? 0x0FFFFFFF : 0xFFFF;
    return entries;
}

void CheckNames(FATPendingFolders const& pending, FATRevisionLists const& lists) {
    auto check = [](CFATFileNode const* pNode) {
        CFATFileProperties const* pProperties = pNode->GetFileProperties();
        if (pProperties && pProperties->Name().find('/') != std::string::npos) std::abort();
    };
    for (auto const& pNode : pending.deleted) check(pNode.get());
    for (auto const& pNode : lists.deletedFiles) check(pNode.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 4) return 0;
    FATVolumeGeometry geometry;
    geometry.eType = (pData[0] & 1) ? FILE_SYSTEM_FAT32 : FILE_SYSTEM_FAT16;
    geometry.u32SectorSize = 512;
    geometry.u32SectorsPerCluster = 1u << (pData[1] % 4);
    geometry.u64FirstDataSector = 1;
    geometry.u32RootCluster = 2;
    geometry.u32Clusters = kClusters;
    geometry.u64TotalSectors = geometry.u64FirstDataSector + std::uint64_t{kClusters} * geometry.u32SectorsPerCluster;
    std::uint32_t const u32ParentCluster = 2 + pData[2] % kClusters;
    bool const bParentDeleted = (pData[3] & 1) != 0;
    engine::ByteView const folder(pData + 4, size - 4);

    // The volume's data area holds the folder bytes again, so that the content test reads them.
    std::vector<std::uint8_t> volume(static_cast<std::size_t>(geometry.u64TotalSectors) * geometry.u32SectorSize, 0);
    for (std::size_t i = 0; i < folder.Size() && i + geometry.u32SectorSize < volume.size(); ++i)
        volume[geometry.u32SectorSize + i] = folder.U8(i);
    CMemoryDevice device(std::move(volume), 512, STORAGE_DEVICE_VOLUME);
    CFATTable const table(geometry.eType, ChainTable(geometry.eType));

    std::set<std::uint32_t> readClusters;
    std::map<std::uint32_t, CFATFileNode*> folderMap;
    // No tree builder: nodes it would own are released as refused.
    CFATBuildChildren children(nullptr, nullptr, &device, &readClusters, &folderMap, geometry, &table);
    auto pParent = std::make_unique<CFATFileNode>();
    auto pParentProperties = std::make_unique<CFATFileProperties>();
    pParentProperties->SetAttribute(0x10);
    pParentProperties->SetFirstClusterNum(u32ParentCluster);
    pParentProperties->SetState(bParentDeleted ? CFATFileProperties::kStateDeleted : 0);
    pParent->SetFileProperties(std::move(pParentProperties));

    FATPendingFolders pending;
    FATRevisionLists lists;
    bool const bStopAtInvalid = (pData[3] & 2) != 0;
    std::uint32_t const u32Consumed =
        children.BuildChildrenFromBuffer(folder, (pData[3] & 4) ? nullptr : pParent.get(), pending, lists, bStopAtInvalid);
    if (u32Consumed != CFATBuildChildren::kFailed && u32Consumed > folder.Size()) std::abort();
    CheckNames(pending, lists);

    CFATFirstClusterRevision revision(&device, geometry, &table);
    if (revision.IsOn()) {
        revision.ReviseFAT32FileFirstClu(lists, nullptr, 0);
    } else {
        lists.Clear();
    }
    return 0;
}
