#pragma once
// The complete scan of a whole disk: the same scan, told apart by its type only.
#include "engine/core/recovery/CompleteRecoveryController.h"

class CPartitionRecoveryController final : public CCompleteRecoveryController {
public:
    _RECOVERY_CONTROLLER_TYPE thisType() const override { return RECOVERY_CONTROLLER_COMPLETE_DISK; }
};
