// scanbench mft <volume-or-image> [--start SECTOR]: walks every FILE record of an NTFS volume's
// MFT with the on-disk parsers and lists each base record, for a check against ntfsinfo and
// Sleuth Kit's fls/istat, and a measure of how fast records parse.
//
//   label:<TAB>$Volume label
//   record<TAB>N<TAB>live|deleted<TAB>file|folder<TAB>parent<TAB>name<TAB>size<TAB>flags<TAB>runs
//   RESULT mode=mft sector_size=... sectors_per_cluster=... record_size=... records=... ...
//
// Records neither in use nor naming a file (formatted but never used) are left out. Runs are those of the unnamed $DATA from all the file's records in VCN order, as
// `scanbench extract --runs` takes them ("LCN:LEN,...", "-" for a hole's LCN), or "resident".
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "Modes.h"
#include "NodeListing.h"
#include "engine/IStorageDevice.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMftReader.h"
#include "engine/ntfs/ondisk/NTFSFileRecordAnalyzer.h"

namespace scanbench {

namespace {

constexpr OptionSpec kOptions[] = {{"--start", true}};
constexpr std::size_t kMaxLabelBytes = 256;
constexpr std::uint64_t kVolumeRecord = 3;

std::string FlagsText(NtfsFileSummary const& file) {
    std::string flags;
    auto const add = [&](bool bSet, char const* pszName) {
        if (!bSet) return;
        if (!flags.empty()) flags += ',';
        flags += pszName;
    };
    add(file.u16DataFlags & ntfs::kAttrFlagCompressed, "compressed");
    add(file.u16DataFlags & ntfs::kAttrFlagSparse, "sparse");
    add(file.u16DataFlags & ntfs::kAttrFlagEncrypted, "encrypted");
    add(file.bHasAttributeList, "attrlist");
    return flags.empty() ? "-" : flags;
}

std::string RunsText(NtfsFileSummary const& file) {
    if (file.bResident) return "resident";
    std::string text;
    for (CDataRun const& run : file.runs.Runs()) {
        if (!text.empty()) text += ',';
        text += (run.s64LCN < 0 ? std::string("-") : std::to_string(run.s64LCN)) + ":" + std::to_string(run.s64Count);
    }
    return text.empty() ? "-" : text;
}

void PrintRecord(std::uint64_t u64Number, NtfsFileSummary const& file) {
    std::string const name = file.name ? Escaped(file.name->Utf8Name().c_str()) : std::string();
    std::string const parent = file.name ? std::to_string(file.name->ParentRecord()) : std::string("-");
    std::string const size = file.bHasData ? std::to_string(file.s64Size) : std::string("-");
    std::printf("record\t%llu\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", static_cast<unsigned long long>(u64Number),
                file.bInUse ? "live" : "deleted", file.bFolder ? "folder" : "file", parent.c_str(), name.c_str(),
                size.c_str(), FlagsText(file).c_str(), RunsText(file).c_str());
}

std::string VolumeLabel(CNTFSMftReader const& mft) {
    auto const raw = mft.ReadRecord(kVolumeRecord);
    if (!raw) return {};
    CNTFSFileRecord const record(engine::ByteView(raw->data(), raw->size()));
    return CVolumeFileAnalyzer::GetLabel(record, kMaxLabelBytes).value_or(std::string());
}

}  // namespace

int RunMftMode(std::span<char* const> args) {
    auto const commandLine = CCommandLine::Parse(args, kOptions, 1);
    if (!commandLine) return kUsageError;
    auto const start =
        commandLine->Has("--start") ? ParseCount(*commandLine->Value("--start")) : std::optional<long long>(0);
    if (!start) {
        std::fprintf(stderr, "scanbench: --start needs a sector number\n");
        return kUsageError;
    }
    std::string const& path = commandLine->Operand(0);
    std::unique_ptr<IStorageDevice> pDevice(CreateDiskDevice(path.c_str()));
    if (!pDevice || !pDevice->Open()) {
        std::fprintf(stderr, "scanbench: cannot open %s\n", path.c_str());
        return 1;
    }
    auto const mft = CNTFSMftReader::Open(*pDevice, *start);
    if (!mft) {
        std::fprintf(stderr, "scanbench: no NTFS volume with a readable MFT at sector %lld\n", *start);
        return 1;
    }

    auto const began = std::chrono::steady_clock::now();
    std::printf("label:\t%s\n", Escaped(VolumeLabel(*mft).c_str()).c_str());
    std::uint64_t u64Records = 0, u64Live = 0;
    for (std::uint64_t u64Number = 0; u64Number < mft->RecordCount(); ++u64Number) {
        auto const raw = mft->ReadRecord(u64Number);
        if (!raw) continue;
        CNTFSFileRecord record(engine::ByteView(raw->data(), raw->size()));
        if (!record.IsValid() || record.IsExtendFileRecord()) continue;
        CNTFSMultiFileRecord const file(*mft, u64Number, std::move(record));
        auto const summary = SummarizeNtfsFile(file);
        // A record never used, or cleared, names no file: nothing there to list.
        if (!summary || (!summary->bInUse && !summary->name)) continue;
        PrintRecord(u64Number, *summary);
        ++u64Records;
        u64Live += summary->bInUse ? 1 : 0;
    }
    double const dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    NtfsVolumeGeometry const& geometry = mft->Geometry();
    std::printf(
        "RESULT mode=mft sector_size=%u sectors_per_cluster=%u record_size=%u records=%llu live=%llu deleted=%llu "
        "seconds=%.6f records_per_s=%.0f\n",
        geometry.u32SectorSize, geometry.u32SectorsPerCluster, geometry.u32RecordSize,
        static_cast<unsigned long long>(u64Records), static_cast<unsigned long long>(u64Live),
        static_cast<unsigned long long>(u64Records - u64Live), dSeconds,
        dSeconds > 0 ? static_cast<double>(u64Records) / dSeconds : 0.0);
    return 0;
}

}  // namespace scanbench
