// The one place that turns a controller type into a controller.
#include "engine/IRecoveryController.h"
#include "engine/core/recovery/DeletedRecoveryController.h"
#include "engine/core/recovery/PartitionRecoveryController.h"

IRecoveryController* CreateRecoveryController(_RECOVERY_CONTROLLER_TYPE eType) {
    switch (eType) {
        case RECOVERY_CONTROLLER_DELETED:
            return new CDeletedRecoveryController();
        case RECOVERY_CONTROLLER_COMPLETE_VOLUME:
            return new CCompleteRecoveryController();
        case RECOVERY_CONTROLLER_COMPLETE_DISK:
            return new CPartitionRecoveryController();
    }
    return nullptr;
}
