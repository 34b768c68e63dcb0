// TIFF sizing over the input as a device of 512-byte sectors: the TIFF analyser's recognition
// of the first sector and its walk of the directories, sub-directories, strips and tiles; the
// JPEG, CRW and X3F walks and the MRW block chain over the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "WholeSectors.h"

#include "engine/IStorageDevice.h"
#include "engine/carve/IRawFileAnalyser.h"
#include "engine/carve/RawFileInfo.h"
#include "engine/carve/analysers/Analysers.h"
#include "engine/core/device/MemoryDevice.h"

namespace {

constexpr std::uint32_t kSectorSize = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* pData, std::size_t size) {
    if (size < 8) return 0;
    CMemoryDevice device(WholeSectors(pData, size, kSectorSize), static_cast<int>(kSectorSize));
    std::vector<std::uint8_t> sector(kSectorSize, 0);
    std::memcpy(sector.data(), pData, std::min<std::size_t>(size, kSectorSize));
    for (auto pCreate : {&CreateFileTIFAnalyser, &CreateFileJPGAnalyser, &CreateFileCRWAnalyser, &CreateFileX3FAnalyser,
                         &CreateFileMRWAnalyser}) {
        std::unique_ptr<IRawFileAnalyser> const pAnalyser = pCreate();
        CRawFileInfo info;
        // Sized whether or not the first sector is accepted: the walks must stand any bytes.
        (void)pAnalyser->AnalyseBuffer(sector.data(), info, kSectorSize);
        (void)pAnalyser->GetRawFileSize(info, &device);
        (void)info.GetRawFileName();
    }
    return 0;
}
