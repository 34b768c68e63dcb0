#include "engine/core/recovery/FileScanTreeBuilder.h"

#include "engine/FileNode.h"
#include "engine/SearchedPartitionInfo.h"

std::uint16_t CFileScanTreeBuilder::Moved(_tagSearcherType eType, std::uint16_t u16Partition) const {
    auto const base = m_bases.find(eType);
    if (base == m_bases.end() || u16Partition == CSearchedPartitionInfo::kNoPartitionIndex) return u16Partition;
    unsigned const uMoved = unsigned{u16Partition} + base->second;
    return uMoved < CSearchedPartitionInfo::kNoPartitionIndex ? static_cast<std::uint16_t>(uMoved)
                                                              : CSearchedPartitionInfo::kNoPartitionIndex;
}

int CFileScanTreeBuilder::AddNode(IFileNode* pNode, _tagSearcherType eType) {
    if (auto* pFileNode = dynamic_cast<CFileNode*>(pNode))
        pFileNode->SetBelongedPartition(Moved(eType, static_cast<std::uint16_t>(pFileNode->GetBelongedPartition())));
    return m_target.AddNode(pNode, eType);
}

void CFileScanTreeBuilder::SetPartitonDevice(CSearchedPartitionInfo* pPartition, IStorageDevice* pDevice) {
    if (pPartition == nullptr) return;
    CSearchedPartitionInfo moved(pPartition->m_u32SectorSize);
    moved = *pPartition;
    // A file system's record type stays out: the builder reads the base fields alone.
    moved.m_u16PartitionIndex = Moved(SearcherTypeOf(pPartition->m_u32FileSystemType), pPartition->m_u16PartitionIndex);
    m_target.SetPartitonDevice(&moved, pDevice);
}
