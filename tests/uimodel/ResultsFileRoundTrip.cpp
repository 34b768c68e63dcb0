#include "ResultsFileRoundTrip.h"

#include <set>

#include "engine/FileTimeTicks.h"
#include "engine/IFileReader.h"
#include "engine/IRecoveryController.h"
#include "engine/ReleasePtr.h"
#include "support/Sha256.h"
#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"
#include "uimodel/support/FileTime.h"
#include "uimodel/support/NodeNames.h"

namespace modeltest {

namespace {

/// Notes every record and otherwise acts as the saving sink the facade passes.
class RecordingSaveSink : public uimodel::QNUIOperation {
public:
    void UpdateProgress(_PROGRESS_INFO* pInfo) override {
        std::lock_guard const lock(m_mutex);
        outcome.done.push_back(pInfo->u64Done);
        outcome.u64Error = pInfo->u64Error;
        SetProgressInfo(*pInfo);
    }
    int Continued() override { return 1; }
    JobOutcome outcome;
};

std::string Describe(IFileNode* pNode) {
    return uimodel::GetPathByFileNode(pNode) + " size=" + std::to_string(pNode->GetFileSize()) +
           " times=" + std::to_string(FileTimeTicks(pNode->GetCreationTime())) + "," +
           std::to_string(FileTimeTicks(pNode->GetModificationTime())) + "," +
           std::to_string(FileTimeTicks(pNode->GetLastAccessTime())) +
           " folder=" + std::to_string(pNode->IsDirectory()) + " deleted=" + std::to_string(pNode->IsDeleted());
}

}  // namespace

JobOutcome Save(ModelScan& model, std::string const& path) {
    RecordingSaveSink sink;
    sink.SetStatus(uimodel::OPERATION_RUNNING);
    uimodel::SaveRestoreResult results(model.scan, model.devices);
    if (results.DoSaveScanResult(path.c_str(), &sink) != 0) return {};
    results.Wait();
    return sink.outcome;
}

JobOutcome Load(ModelScan& model, std::string const& path) {
    std::size_t const u64Before = model.scan.progressRecords.size();
    model.scan.SetStatus(uimodel::OPERATION_RUNNING);
    uimodel::SaveRestoreResult results(model.scan, model.devices);
    results.SetLoadPause(std::chrono::milliseconds(0));
    if (results.DoRestoreScanResult(path.c_str(), &model.scan) != 0) return {};
    results.Wait();
    JobOutcome outcome;
    for (std::size_t i = u64Before; i < model.scan.progressRecords.size(); ++i)
        outcome.done.push_back(model.scan.progressRecords[i].u64Done);
    outcome.u64Error = model.scan.GetProgressInfo().u64Error;
    return outcome;
}

std::multiset<std::string> Listing(uimodel::QNUIScan const& scan) {
    std::multiset<std::string> lines;
    for (IFileNode* pRoot : scan.GetFileSystemNode()) lines.insert("root " + uimodel::GetPathByFileNode(pRoot));
    for (IFileNode* pFolder : scan.GetFolderList()) lines.insert(Describe(pFolder));
    for (auto const& [eType, nodes] : scan.GetTypeMap())
        for (IFileNode* pNode : nodes) {
            lines.insert(Describe(pNode));
            lines.insert("category " + std::to_string(eType) + " " + uimodel::GetPathByFileNode(pNode));
        }
    for (auto const& [pszKind, map] :
         {std::pair{"created ", scan.GetCreateTimeMap()}, std::pair{"modified ", scan.GetModifyTimeMap()}})
        for (auto const& [iYear, months] : map)
            for (auto const& [iMonth, nodes] : months)
                for (IFileNode* pNode : nodes)
                    lines.insert(pszKind + std::to_string(iYear) + "-" + std::to_string(iMonth) + " " +
                                 uimodel::GetPathByFileNode(pNode));
    return lines;
}

std::map<std::string, std::string> RecoveredHashes(uimodel::QNUIScan& scan, testsupport::TempDir const& dir) {
    std::map<std::string, std::string> hashes;
    IRecoveryController* pController = scan.GetRecoveryController();
    if (!pController) return hashes;
    std::map<_tagSearcherType, ReleasePtr<IDataRecovery>> byType;  // complete scans: one per searcher
    int iFile = 0;
    for (auto const& [eType, nodes] : scan.GetTypeMap())
        for (IFileNode* pNode : nodes) {
            IDataRecovery* pRecovery = nullptr;
            if (pController->thisType() == RECOVERY_CONTROLLER_DELETED) {
                pRecovery = scan.GetFileNodeDataRecover(pNode);
            } else {
                _tagSearcherType const eSearcher = uimodel::GetNodeSearcheType(pNode);
                auto& pSlot = byType[eSearcher];
                if (!pSlot) pSlot.reset(pController->GetDataRecovery(eSearcher));
                pRecovery = pSlot.get();
            }
            std::string const out = dir.File("recovered" + std::to_string(++iFile));
            // Copy-out opens no reader for a file without data: it recovers as an empty file.
            std::string hash = pNode->GetFileSize() == 0 ? testsupport::Sha256Hex({}) : "unreadable";
            if (pRecovery) {
                if (IFileReader* pReader = pRecovery->SetRecoverNode(pNode)) {
                    pReader->Release();
                    if (pRecovery->RecoverTo(out.c_str(), nullptr, 0) == 0) hash = testsupport::Sha256OfFile(out);
                }
            }
            std::string key = uimodel::GetPathByFileNode(pNode) + (pNode->IsDeleted() ? " (deleted)" : "");
            while (hashes.count(key)) key += "+";
            hashes[key] = hash;
        }
    return hashes;
}

}  // namespace modeltest
