#include "engine/carve/NotifyCenter.h"

#include "engine/IProgress.h"

CNotifyCenter& CNotifyCenter::Instance() {
    static CNotifyCenter center;
    return center;
}

bool CNotifyCenter::isContinue() const {
    IProgress* pProgress = m_pProgress.load();
    return pProgress == nullptr || pProgress->Continued() != 0;
}
