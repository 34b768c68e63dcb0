#include "uimodel/resultsfile/RestoreFileNode.h"

#include <utility>

#include "engine/DataRunList.h"
#include "engine/IFileReader.h"
#include "engine/FileTimeTicks.h"
#include "uimodel/resultsfile/HfsPlusVolumeCache.h"

namespace uimodel {

RestoreFileNode::RestoreFileNode(resultsfile::StoredFileRecord const& record)
    : m_name(record.name),
      m_u64Size(record.u64Size),
      m_created(FileTimeFromTicks(record.u64Created)),
      m_modified(FileTimeFromTicks(record.u64Modified)),
      m_accessed(FileTimeFromTicks(record.u64Accessed)),
      m_u32Folder(record.u32Folder),
      m_u32Deleted(record.u32Deleted),
      m_u16Attribute(record.u16Attribute) {
    SetNodeID(record.s64NodeID);
    SetParentNodeID(record.s64ParentID);
    SetCompressed(record.u32Compressed);
    // Compressed files keep a list even without runs: copy-out asks them for their reader
    // only when they have one.
    if (!record.runs.empty() || record.u32Resident != 0 || record.u32Compressed != 0) {
        auto pRuns = std::make_unique<CDataRunList>();
        for (DataRun const& run : record.runs) pRuns->AddDataRun(&run);
        pRuns->SetResident(record.u32Resident);
        SetDataRunList(ReleasePtr<IDataRunList>(pRuns.release()));
    }
    ShowNode(1);
    SetBelongedPartition(record.u16Partition);
    SetMetaDataSector(record.s64Metadata);
}

IFileReader* RestoreFileNode::CreateCompressFileReader(void*) {
    IFileNode* pTop = GetParent();
    if (!pTop) return nullptr;
    for (IFileNode* pUp = pTop->GetParent(); pUp; pUp = pUp->GetParent()) pTop = pUp;
    switch (pTop->GetSearcheType()) {
    case SEARCHER_TYPE_HFSPLUS: return HfsPlusVolumeCache::instance().CreateReader(m_iHfsPlusVolume, this);
    case SEARCHER_TYPE_NTFS: return CreateNtfsCompressFileReader();
    default: return nullptr;
    }
}

}  // namespace uimodel
