// recovery_copy: the model's recovery rate against cp. About 1 GiB of files (64 of 16 MiB) go
// onto a FAT32 image; after a quick scan through the model, DoRecovery copies every file out of
// the page-cached image, and cp copies the same files from the host folder. Target: the
// recovery at 80 % of cp or better.
//
//   recovery_copy [WORK_FOLDER] [MiB of files, default 1024]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ModelBenchImage.h"
#include "uimodel/operation/JobThread.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kFileMiB = 16;

double SecondsOf(auto&& work) {
    auto const start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path const work = argc > 1 ? argv[1] : std::filesystem::temp_directory_path() / "recovery_copy";
    unsigned const u32MiB = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1024;
    if (u32MiB < kFileMiB) {
        std::fprintf(stderr, "usage: recovery_copy [WORK_FOLDER] [MiB of files, at least %u]\n", kFileMiB);
        return 2;
    }
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "files");
    for (unsigned i = 0; i < u32MiB / kFileMiB; ++i) {
        std::string const file = (work / "files" / ("file" + std::to_string(i) + ".bin")).string();
        if (std::system(("head -c " + std::to_string(kFileMiB) + "M /dev/urandom > '" + file + "'").c_str()) != 0)
            return 1;
    }
    std::string const image = (work / "disk.img").string();
    if (!modelbench::BuildFat32FromFolder((work / "files").string(), image, u32MiB + u32MiB / 8 + 64)) return 1;
    // Both copies read from the page cache.
    if (std::system(("cat '" + image + "' > /dev/null").c_str()) != 0) return 1;

    modelbench::ScannedImage scanned(image);
    if (!scanned.bScanned) {
        std::fprintf(stderr, "recovery_copy: the scan failed\n");
        return 1;
    }
    for (IFileNode* pRoot : scanned.scan.GetFileSystemNode()) pRoot->SetCheck(CHECKED_STATUS_CHECKED);
    std::string const destination = (work / "recovered").string();
    RESULT result = ~RESULT{0};
    double const dRecovery = SecondsOf([&] {
        scanned.recovery.SetRecoveryPath(destination.c_str());
        scanned.recovery.SetStatus(uimodel::OPERATION_RUNNING);
        std::string rawFolders;
        uimodel::CJobThread job;
        job.Start([&] { result = scanned.recovery.DoRecovery(rawFolders); });
        job.Join();
        std::system("sync");
    });
    double const dCp = SecondsOf([&] {
        std::system(("cp -r '" + (work / "files").string() + "' '" + (work / "copied").string() + "' && sync").c_str());
    });
    double const dMiB = static_cast<double>(scanned.recovery.GetRecoveriedFileSize()) / (1 << 20);
    double const dRecoveryRate = dMiB / dRecovery;
    double const dCpRate = static_cast<double>(u32MiB / kFileMiB * kFileMiB) / dCp;
    std::printf(
        "RESULT bench=recovery_copy result=0x%llx files=%llu mib=%.1f recovery_mb_per_s=%.1f cp_mb_per_s=%.1f "
        "ratio=%.2f\n",
        static_cast<unsigned long long>(result),
        static_cast<unsigned long long>(scanned.recovery.GetRecoveriedFilesCnt()), dMiB, dRecoveryRate, dCpRate,
        dRecoveryRate / dCpRate);
    std::filesystem::remove_all(work);
    return Succeeded(result) ? 0 : 1;
}
