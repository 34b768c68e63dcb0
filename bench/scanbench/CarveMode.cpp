// scanbench carve: the signature search alone over an image, one line per carved file, and
// optionally every carved file copied out.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "CarveScan.h"
#include "CommandLine.h"
#include "ExclusiveCopy.h"
#include "Modes.h"
#include "OutputFolder.h"
#include "OutputNames.h"
#include "engine/IDataRecovery.h"
#include "engine/IDataRunList.h"
#include "engine/IStorageDevice.h"
#include "engine/ReleasePtr.h"
#include "engine/carve/RAWFileManager.h"
#include "engine/carve/RAWFileNode.h"

namespace scanbench {

namespace {

/// Copies every carved file to DIR/<folder>/<name>, never over a file there; answers the
/// number that failed.
int RecoverAll(CarveScan& scan, IStorageDevice& device, COutputFolder& directory) {
    ReleasePtr<IDataRecovery> pRecovery(CreateDataRecoveryObj());
    if (Failed(pRecovery->Initialize(scan.pController.get(), &device))) {
        std::fprintf(stderr, "scanbench: copy-out cannot start\n");
        return static_cast<int>(scan.tree.Files().size());
    }
    COutputNames names;
    int iFailures = 0;
    for (IFileNode* pFile : scan.tree.Files()) {
        std::string const folder = scan.tree.FolderOf(pFile);
        char const* pszName = pFile->GetFileName();
        auto const claim = [&] { return names.Claim(folder, pszName ? pszName : ""); };
        ExclusiveCopy const copy = CopyExclusively(*pRecovery, pFile, directory.Folder(folder), claim);
        if (Failed(copy.result)) {
            std::fprintf(stderr, "scanbench: could not recover %s/%s (0x%016llx)\n", folder.c_str(), copy.name.c_str(),
                         static_cast<unsigned long long>(copy.result));
            ++iFailures;
        }
    }
    return iFailures;
}

}  // namespace

int RunCarveMode(std::span<char* const> args) {
    constexpr OptionSpec kOptions[] = {{"--sector-size", true}, {"--recover", true}};
    auto const commandLine = CCommandLine::Parse(args, kOptions, 1);
    if (!commandLine) return kUsageError;
    char const* pszPath = commandLine->Operand(0).c_str();
    std::uint32_t u32SectorSize = 0;
    if (auto const text = commandLine->Value("--sector-size")) {
        auto const size = ParseCount(*text);
        if (!size || *size == 0 || *size > 0xFFFFFFFF) {
            std::fprintf(stderr, "scanbench: --sector-size takes a number of bytes\n");
            return kUsageError;
        }
        u32SectorSize = static_cast<std::uint32_t>(*size);
    }
    std::string const recoverDirectory = commandLine->Value("--recover").value_or("");

    // Refused before the search, as every mode refuses a destination on the scanned device.
    std::unique_ptr<COutputFolder> pRecoverTo;
    if (!recoverDirectory.empty()) {
        pRecoverTo = COutputFolder::Open(recoverDirectory, pszPath, "--recover");
        if (!pRecoverTo) return 1;
    }

    std::unique_ptr<IStorageDevice> pImage(CreateDiskDevice(pszPath));
    if (!pImage || !pImage->Open()) {
        std::fprintf(stderr, "scanbench: cannot open %s\n", pszPath);
        return 1;
    }
    if (u32SectorSize != 0 && u32SectorSize != static_cast<std::uint32_t>(pImage->GetSectorSize())) {
        // An image file's own length, so that no tail is lost to the size its data suggested.
        std::error_code error;
        std::uint64_t u64Bytes =
            std::filesystem::is_regular_file(pszPath, error) ? std::filesystem::file_size(pszPath, error) : 0;
        if (error || u64Bytes == 0)
            u64Bytes = static_cast<std::uint64_t>(pImage->GetTotalSectors()) *
                       static_cast<std::uint64_t>(pImage->GetSectorSize());
        if (!ForceSectorSize(*pImage, u64Bytes, u32SectorSize)) {
            std::fprintf(stderr, "scanbench: sector size %u does not fit the image's %d\n", u32SectorSize,
                         pImage->GetSectorSize());
            return kUsageError;
        }
    }
    IStorageDevice& device = *pImage;

    CarveScan scan;
    RunCarveScan(scan, device);
    // Tabs between the fields: tree paths and time texts hold blanks.
    for (IFileNode* pFile : scan.tree.Files()) {
        auto* pNode = dynamic_cast<CRAWFileNode*>(pFile);
        DataRun const* pRun =
            pNode != nullptr && pNode->GetDataRunList() ? pNode->GetDataRunList()->GetFirst() : nullptr;
        std::string const time =
            pNode != nullptr && pNode->GetProperties() ? pNode->GetProperties()->GetRawFileCreateTime() : "";
        std::printf("carved\t%s\t%lld\t%lld\t%s\t%s\n", CRAWFileManager::GetExt(pNode).c_str(),
                    pRun ? pRun->s64Start : -1LL, pFile->GetFileSize(), scan.tree.PathOf(pFile).c_str(),
                    time.empty() ? "-" : time.c_str());
    }
    int const iFailures = pRecoverTo ? RecoverAll(scan, device, *pRecoverTo) : 0;
    CRAWSearchController::Statistics const& statistics = scan.pController->GetStatistics();
    std::printf(
        "RESULT mode=carve bytes=%llu seconds=%.6f files=%zu filed_at_once=%llu sized_from_ring=%llu "
        "sized_at_end=%llu dropped=%llu sizing_reads=%llu sizing_sectors=%llu failures=%d\n",
        static_cast<unsigned long long>(scan.u64Bytes), scan.dSeconds, scan.tree.Files().size(),
        static_cast<unsigned long long>(statistics.u64FiledAtOnce),
        static_cast<unsigned long long>(statistics.u64SizedFromRing),
        static_cast<unsigned long long>(statistics.u64SizedAtEnd),
        static_cast<unsigned long long>(statistics.u64Dropped), static_cast<unsigned long long>(scan.u64SizingReads),
        static_cast<unsigned long long>(scan.u64SizingSectors), iFailures);
    return iFailures == 0 ? 0 : 1;
}

}  // namespace scanbench
