#pragma once
// The progress sink of saving: keeps the last record for the facade's poller and turns idle
// when the finished record (with the save's error code) is stored. A save cannot be stopped.
#include "uimodel/operation/QNUIOperation.h"

namespace uimodel {

class QNSaveAndRestoreNodeOperate final : public QNUIOperation {
public:
    static QNSaveAndRestoreNodeOperate& instance();

    void UpdateProgress(_PROGRESS_INFO* pInfo) override;
    int Continued() override { return 1; }
};

}  // namespace uimodel
