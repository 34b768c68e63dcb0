#include "uimodel/resultsfile/QNSaveAndRestoreNodeOperate.h"

namespace uimodel {

QNSaveAndRestoreNodeOperate& QNSaveAndRestoreNodeOperate::instance() {
    static QNSaveAndRestoreNodeOperate s_operate;
    return s_operate;
}

void QNSaveAndRestoreNodeOperate::UpdateProgress(_PROGRESS_INFO* pInfo) {
    if (!pInfo) return;
    std::lock_guard const lock(m_mutex);
    // Stored before the status changes: whoever sees idle reads the final record.
    SetProgressInfo(*pInfo);
    if (pInfo->u32State == PROGRESS_STATE_FINISHED) SetStatusLocked(OPERATION_IDLE);
    SetNeedUIUpdate(1);
}

}  // namespace uimodel
