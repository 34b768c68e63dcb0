#include "ModelRecovery.h"

#include <chrono>
#include <cstdio>

#include "NodeListing.h"
#include "engine/IDataRecovery.h"
#include "uimodel/operation/JobThread.h"
#include "uimodel/recovery/QNUIRecovery.h"
#include "uimodel/scan/QNUIScan.h"
#include "uimodel/support/NodeNames.h"
#include "uimodel/support/Seams.h"

namespace scanbench {

namespace {

using Clock = std::chrono::steady_clock;

bool IsPicked(IFileNode* pNode, std::string const& check) {
    if (check == "deleted") return pNode->IsDeleted() != 0;
    if (check.rfind("ext:", 0) == 0) return uimodel::GetNodeExt(pNode) == check.substr(4);
    return true;
}

}  // namespace

std::pair<std::uint64_t, std::uint64_t> CheckFiles(uimodel::QNUIScan& scan, std::string const& check) {
    scan.UnselectAllNodes();
    std::uint64_t u64Files = 0, u64Bytes = 0;
    for (auto const& [eType, files] : scan.GetTypeMap())
        for (IFileNode* pNode : files) {
            if (!IsPicked(pNode, check)) continue;
            pNode->SetCheck(CHECKED_STATUS_CHECKED);
            ++u64Files;
            u64Bytes += static_cast<std::uint64_t>(std::max(pNode->GetFileSize(), 0LL));
        }
    return {u64Files, u64Bytes};
}

char const* RecoverWord(RESULT result) {
    if (IsNotedCopy(result)) return "noted";
    return Succeeded(result) ? "ok" : "failed";
}

void PrintRecoverLine(std::string const& path, RESULT result, std::string const& note) {
    std::printf("recover\t%s\t%s\t0x%llx%s%s\n", RecoverWord(result), Escaped(path.c_str()).c_str(),
                static_cast<unsigned long long>(result), note.empty() ? "" : "\t", note.c_str());
}

bool IsCheckOption(std::string const& check) {
    return check == "all" || check == "deleted" || (check.rfind("ext:", 0) == 0 && check.size() > 4);
}

RecoveryRun RunModelRecovery(uimodel::QNUIScan& scan, uimodel::QNUIRecovery& recovery, RecoveryOptions const& options) {
    auto const [u64Files, u64Bytes] = CheckFiles(scan, options.check);
    recovery.SetRecoveryTotalFilesCnt(u64Files);
    recovery.SetRecoveryTotalSize(u64Bytes);
    recovery.SetRecoveryPath(options.destination.c_str());
    recovery.ClearCreateDirIndex();

    RecoveryRun run;
    unsigned long long u64Reported = 0;
    recovery.SetFileReport([&](IFileNode*, std::string const& path, RESULT result, std::string const& note) {
        PrintRecoverLine(path, result, note);
        // Stopped from the recovery's own thread, so that exactly N files are reported.
        if (options.stopAfterFiles && ++u64Reported == *options.stopAfterFiles) {
            recovery.StopOperation(0);
            run.bStopped = true;
        }
    });
    recovery.SetStatus(options.pauseFor ? uimodel::OPERATION_PAUSED : uimodel::OPERATION_RUNNING);
    auto const start = Clock::now();
    auto const elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::string rawFolders;
    uimodel::CJobThread job;
    if (!job.Start([&] { run.result = recovery.DoRecovery(rawFolders); })) {
        std::fprintf(stderr, "scanbench: cannot start the job thread\n");
        run.result = MakeResult(kModuleUiModel, 0x121, kCodeOutOfMemory);
        return run;
    }
    bool bResumed = false;
    uimodel::CQueuedPoster poster;
    uimodel::PollOperation(recovery, poster, "DoRecovery", std::chrono::milliseconds(100), [&] {
        if (options.pauseFor && !bResumed && elapsed() >= *options.pauseFor) {
            recovery.PauseOrResumeOperation();
            bResumed = true;
        }
        if (recovery.GetStatus() == uimodel::OPERATION_PAUSED && recovery.GetDestinationFullCnt() > 0 &&
            !run.bDestinationFull) {
            std::fprintf(stderr, "scanbench: the destination is full; the recovery is stopped\n");
            run.bDestinationFull = true;
            recovery.StopOperation(0);
        }
    });
    job.Join();
    run.dSeconds = elapsed();
    recovery.SetFileReport({});
    return run;
}

std::string RecoveryFields(uimodel::QNUIRecovery const& recovery, RecoveryRun const& run) {
    char text[512];
    std::snprintf(text, sizeof text,
                  " recovered=%llu failed=%llu noted=%llu recovered_bytes=%llu recovery_total_bytes=%llu "
                  "recovery_result=0x%llx destination_full=%d recovery_stopped=%d recovery_seconds=%.6f",
                  static_cast<unsigned long long>(recovery.GetRecoveriedFilesCnt()),
                  static_cast<unsigned long long>(recovery.GetFailedFilesCnt()),
                  static_cast<unsigned long long>(recovery.GetNotedFilesCnt()),
                  static_cast<unsigned long long>(recovery.GetRecoveriedFileSize()),
                  static_cast<unsigned long long>(recovery.GetRecoveryTotalSize()),
                  static_cast<unsigned long long>(run.result), run.bDestinationFull ? 1 : 0,
                  run.bStopped || run.bDestinationFull ? 1 : 0, run.dSeconds);
    return text;
}

}  // namespace scanbench
