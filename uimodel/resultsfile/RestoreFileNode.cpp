#include "uimodel/resultsfile/RestoreFileNode.h"

#include <cstring>
#include <utility>

#include "engine/DataRunList.h"
#include "engine/FileTimeTicks.h"
#include "engine/IFileReader.h"
#include "uimodel/resultsfile/HfsPlusVolumeCache.h"
#include "uimodel/resultsfile/NodeArena.h"

namespace uimodel {

RestoreFileNode::RestoreFileNode(resultsfile::StoredFileRecord const& record)
    : m_u16Attribute(record.u16Attribute),
      m_bFolder(record.u32Folder != 0),
      m_bDeleted(record.u32Deleted != 0),
      m_created(FileTimeFromTicks(record.u64Created)),
      m_modified(FileTimeFromTicks(record.u64Modified)),
      m_accessed(FileTimeFromTicks(record.u64Accessed)),
      m_pszName(CopyName(record.name)),
      m_u64Size(record.u64Size) {
    SetNodeID(record.s64NodeID);
    SetParentNodeID(record.s64ParentID);
    SetCompressed(record.u32Compressed);
    // Compressed files keep a list even without runs: copy-out asks them for their reader
    // only when they have one.
    if (!record.runs.empty() || record.u32Resident != 0 || record.u32Compressed != 0) {
        CDataRunList runs;
        for (DataRun const& run : record.runs) runs.AddDataRun(&run);
        runs.SetResident(record.u32Resident);
        TakeRunsOf(runs);
    }
    ShowNode(1);
    SetBelongedPartition(record.u16Partition);
    SetMetaDataSector(record.s64Metadata);
}

RestoreFileNode::RestoreFileNode(RestoreFileNode const& other)
    : CFileNode(other),
      m_u16Attribute(other.m_u16Attribute),
      m_bFolder(other.m_bFolder),
      m_bDeleted(other.m_bDeleted),
      m_bHasInitializedSize(other.m_bHasInitializedSize),
      m_iHfsPlusVolume(other.m_iHfsPlusVolume),
      m_created(other.m_created),
      m_modified(other.m_modified),
      m_accessed(other.m_accessed),
      m_pszName(CopyName(other.m_pszName)),
      m_u64Size(other.m_u64Size),
      m_s64InitializedSize(other.m_s64InitializedSize) {}

RestoreFileNode::~RestoreFileNode() { resultsfile::NodeArena::Free(m_pszName, std::strlen(m_pszName) + 1); }

static_assert(alignof(RestoreSystemNode) <= resultsfile::NodeArena::kAlignment);

void* RestoreFileNode::operator new(std::size_t size) { return resultsfile::NodeArena::Allocate(size); }

void RestoreFileNode::operator delete(void* pNode, std::size_t size) noexcept {
    resultsfile::NodeArena::Free(pNode, size);
}

char* RestoreFileNode::CopyName(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    auto* pszName = static_cast<char*>(resultsfile::NodeArena::Allocate(name.size() + 1));
    std::memcpy(pszName, name.data(), name.size());
    pszName[name.size()] = '\0';
    return pszName;
}

IFileReader* RestoreFileNode::CreateCompressFileReader(void*) {
    IFileNode* pTop = GetParent();
    if (!pTop) return nullptr;
    for (IFileNode* pUp = pTop->GetParent(); pUp; pUp = pUp->GetParent()) pTop = pUp;
    switch (pTop->GetSearcheType()) {
        case SEARCHER_TYPE_HFSPLUS:
            return HfsPlusVolumeCache::instance().CreateReader(m_iHfsPlusVolume, this);
        case SEARCHER_TYPE_NTFS:
            return CreateNtfsCompressFileReader();
        default:
            return nullptr;
    }
}

}  // namespace uimodel
