#pragma once
// The place for signatures a user would describe in scripts of their own. No script format
// exists and none is loaded, so it recognises nothing; it stands in list 1 only.
#include <string>

#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileType.h"

class CustomFileAnalyser final : public IRawFileAnalyser {
public:
    CustomFileAnalyser() : IRawFileAnalyser(kNoOwnRawFileType) {}

    /// Refuses every sector and leaves the record as it was.
    int AnalyseBuffer(unsigned char const*, CRawFileInfo&, std::uint32_t) override { return 0; }
    int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
    /// Where scripts would be looked for: nowhere.
    std::string GetScriptDirectory() const { return {}; }
};
