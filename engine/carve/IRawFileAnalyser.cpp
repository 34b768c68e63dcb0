#include "engine/carve/IRawFileAnalyser.h"

#include "engine/carve/SectorWalk.h"

int IRawFileAnalyser::GetRawFileSize(CRawFileInfo&, IStorageDevice*) { return 1; }

std::unique_ptr<SectorWalk> IRawFileAnalyser::BeginRawFileSize(CRawFileInfo& info, IStorageDevice* pDevice) {
    GetRawFileSize(info, pDevice);
    return nullptr;
}

bool ApplyWalkAnswer(CRawFileInfo& info, std::optional<std::uint64_t> answer) {
    if (answer) info.m_u64Size = *answer;
    return answer.has_value();
}

bool ApplyWalkAnswer(CRawFileInfo& info, SectorWalk const& walk) {
    if (!walk.Answer()) return false;
    walk.Describe(info);
    return ApplyWalkAnswer(info, walk.Answer());
}
