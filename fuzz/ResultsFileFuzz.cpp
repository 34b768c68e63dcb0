// Hands arbitrary bytes to the results-file reader as a memory file: the header, controller
// and device frames, then the replay of the node frame onto a disk (which takes every root)
// through the real tree builder. Any input must end in a code or a partial replay, in bounded
// time and memory: counts of 2^64, names without an end, frames running past the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/IDirecotryTreeBuilder.h"
#include "engine/IRSData.h"
#include "engine/ReleasePtr.h"
#include "engine/core/device/MemoryDevice.h"
#include "engine/core/tree/DirectoryTreeBuilder.h"
#include "testkit/CountingTreeSink.h"
#include "testkit/PassAllFilter.h"
#include "testkit/ProgressSink.h"
#include "uimodel/resultsfile/JobProgress.h"
#include "uimodel/resultsfile/RestoreScanSink.h"
#include "uimodel/resultsfile/ResultsFileReader.h"

namespace rf = uimodel::resultsfile;

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* pData, size_t uSize) {
    static int const s_fd = memfd_create("results.rsf", 0);
    if (s_fd < 0 || ftruncate(s_fd, 0) != 0) return 0;
    if (uSize != 0 && pwrite(s_fd, pData, uSize, 0) != static_cast<ssize_t>(uSize)) return 0;
    std::string const path = "/proc/self/fd/" + std::to_string(s_fd);

    auto pArchive = CreateRSData(RS_MODE_READ);
    if (!pArchive || !pArchive->StartRS(path.c_str(), 0)) return 0;
    int iControllerType = 2;
    try {
        if (rf::ReadHeader(*pArchive))
            if (auto const controller = rf::ReadControllerFrame(*pArchive))
                iControllerType = static_cast<int>(controller->u32Type);
        rf::ReadDeviceFrame(*pArchive);
    } catch (IRSException const&) {
    }
    rf::ReadMediumIdFrame(*pArchive);  // answers, never throws

    CMemoryDevice disk(std::vector<std::uint8_t>(64 * 1024), 512, STORAGE_DEVICE_DISK);
    testkit::CountingTreeSink tree(false);
    testkit::PassAllFilter filter;
    testkit::ProgressSink progress;
    rf::CJobProgress jobProgress(nullptr);
    {
        rf::RestoreScanSink sink(pArchive.get(), iControllerType, &jobProgress);
        // The builder as a load makes it, without the pause that lets a window draw a root.
        TreeBuilderSettings settings;
        settings.u32RootShownPauseMs = 0;
        ReleasePtr<IDirecotryTreeBuilder> pBuilder(new CDirectoryTreeBuilder(true, settings));
        pBuilder->Initialize("", &tree, &filter);
        sink.SetDirecotryTreeBuilder(pBuilder.get(), &progress, &disk);
    }
    pArchive->EndRS();
    return 0;
}
