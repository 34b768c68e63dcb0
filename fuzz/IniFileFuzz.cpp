// Loads arbitrary bytes as an INI file and reads the one key the engine asks for. The reader
// works on files, so each input goes through one file per process, rewritten for every input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInputFile.h"
#include "engine/core/util/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* pData, size_t uSize) {
    static FuzzInputFile const input("config.ini");
    if (!input.Write(pData, uSize)) return 0;

    CIniFile ini;
    ini.Init(input.Path());
    std::string value;
    ini.ReadItem("UserExperience", "bRevise", value);
    return 0;
}
