// Loads arbitrary bytes as an INI file and reads the one key the engine asks for. The reader
// works on files, so each input goes through one file per process, rewritten for every input.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/core/util/IniFile.h"

namespace {

// One path per process, so that parallel fuzzing jobs do not share it; removed at exit.
struct InputFile {
    std::string path = "/tmp/quorin-fuzz-ini-" + std::to_string(getpid()) + ".ini";
    ~InputFile() { unlink(path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* pData, size_t uSize) {
    static InputFile const input;
    std::FILE* pFile = std::fopen(input.path.c_str(), "wb");
    if (!pFile) return 0;
    size_t const uWritten = uSize ? std::fwrite(pData, 1, uSize, pFile) : 0;
    if (std::fclose(pFile) != 0 || uWritten != uSize) return 0;

    CIniFile ini;
    ini.Init(input.path);
    std::string value;
    ini.ReadItem("UserExperience", "bRevise", value);
    return 0;
}
