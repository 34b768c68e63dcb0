#include "SearchRun.h"

#include <algorithm>

#include "engine/FileNode.h"
#include "engine/IDataRunList.h"
#include "engine/IProgress.h"
#include "engine/IStorageDevice.h"

namespace carvetest {

void RunSearch(SearchRun& run, IStorageDevice& device, std::uint32_t u32SectorsPerBlock, IProgress* pProgress) {
    CRAWSearchController& controller = *run.pController;
    controller.SetIProgressSink(pProgress);
    controller.SetDevice(&device);
    controller.SetBlockSize(static_cast<int>(u32SectorsPerBlock));
    controller.SetDirecotryTreeBuilder(&run.builder);
    controller.PreparetoSearch();
    long long const s64Total = device.GetTotalSectors();
    for (long long s64First = 0; s64First < s64Total; s64First += u32SectorsPerBlock) {
        if (pProgress != nullptr && !pProgress->Continued()) return;
        controller.AnalyzeBlock(s64First, std::min<long long>(u32SectorsPerBlock, s64Total - s64First));
    }
    controller.EndSearch(pProgress != nullptr ? pProgress->shouldBuild() : 1);
}

std::vector<std::tuple<std::uint64_t, long long>> FiledFiles(testkit::RecordingTreeBuilder const& builder) {
    std::vector<std::tuple<std::uint64_t, long long>> filed;
    for (IFileNode* pFile : builder.Files()) {
        auto* pNode = dynamic_cast<CFileNode*>(pFile);
        DataRun const* pRun =
            pNode != nullptr && pNode->GetDataRunList() ? pNode->GetDataRunList()->GetFirst() : nullptr;
        if (pRun != nullptr) filed.emplace_back(static_cast<std::uint64_t>(pRun->s64Start), pFile->GetFileSize());
    }
    return filed;
}

}  // namespace carvetest
