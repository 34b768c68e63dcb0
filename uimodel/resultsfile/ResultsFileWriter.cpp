#include "uimodel/resultsfile/ResultsFileWriter.h"

#include <algorithm>
#include <deque>

#include "engine/IFileNode.h"
#include "engine/IProgress.h"
#include "engine/IRSData.h"
#include "engine/SearchedPartitionRecord.h"
#include "uimodel/resultsfile/CopyOutValues.h"
#include "uimodel/resultsfile/FileRecord.h"
#include "uimodel/resultsfile/JobProgress.h"
#include "uimodel/resultsfile/PartitionPlacements.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"

namespace uimodel::resultsfile {

namespace {

/// Records are handed to the archive in batches of about this size.
constexpr std::size_t kBatchBytes = 256 * 1024;

void Write(IRSData& archive, std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty()) archive.WriteCurFrame(bytes.data(), static_cast<unsigned int>(bytes.size()));
    bytes.clear();
}

void WriteControllerFrame(IRSData& archive, SavedScan const& scan) {
    std::vector<std::uint8_t> bytes;
    AppendU32(bytes, kControllerFrameLength);
    AppendU32(bytes, static_cast<std::uint32_t>(scan.iControllerType));
    AppendU32(bytes, static_cast<std::uint32_t>(scan.iDeep));
    archive.OpenFrame(kFrameSearchControllerList);
    Write(archive, bytes);
    archive.CloseFrame();
}

void WriteDeviceFrame(IRSData& archive, _DiskVolumeData const& row) {
    std::vector<std::uint8_t> bytes;
    AppendU64(bytes, static_cast<std::uint64_t>(row.s64Capacity));
    AppendU32(bytes, static_cast<std::uint32_t>(row.iDiskIndex));
    AppendU32(bytes, static_cast<std::uint32_t>(row.iVolumeIndex));
    AppendU32(bytes, static_cast<std::uint32_t>(row.iFileSystem));
    AppendText(bytes, row.name, kMaxDeviceName);
    archive.OpenFrame(kFrameDiskDevice);
    Write(archive, bytes);
    archive.CloseFrame();
}

// A frame of one text; none for an empty or overlong one.
void WriteTextFrame(IRSData& archive, tagGUIDSIGN const& frame, std::string const& text, std::size_t maxLength) {
    if (text.empty() || text.size() > maxLength) return;
    std::vector<std::uint8_t> bytes;
    AppendText(bytes, text, maxLength);
    archive.OpenFrame(frame);
    Write(archive, bytes);
    archive.CloseFrame();
}

void WriteRoot(IRSData& archive, SavedRoot const& saved, CJobProgress& progress, std::vector<std::uint8_t>& bytes,
               CopyOutValueList& values, std::uint64_t u64Root, PartitionPlacementList& placements) {
    IFilesystemNode& root = *saved.pRoot;
    AppendU32(bytes, kMarkerRoot);
    AppendFileRecord(bytes, root);
    values.Note(root);
    AppendU32(bytes, static_cast<std::uint32_t>(root.GetSearcheType()));
    AppendText(bytes, root.GetVolumeName() ? root.GetVolumeName() : "", kMaxVolumeName);

    std::size_t const partitions = std::min<std::size_t>(saved.partitions.size(), kMaxPartitions);
    AppendU32(bytes, static_cast<std::uint32_t>(partitions));
    for (std::size_t i = 0; i < partitions; ++i) {
        auto const stored = StoreSearchedPartitionInfo(*saved.partitions[i]);
        bytes.insert(bytes.end(), stored.begin(), stored.end());
        placements.Note(u64Root, static_cast<std::uint32_t>(i), *saved.partitions[i]);
    }

    // Breadth-first: the root's children, then the children of each folder in written order.
    IProgress* pSink = progress.Sink();
    std::deque<IFileNode*> folders{&root};
    while (!folders.empty() && (!pSink || pSink->Continued())) {
        IFileNode* pFolder = folders.front();
        folders.pop_front();
        for (IFileNode* pChild = pFolder->GetFirstChild(); pChild; pChild = pChild->GetNextNode()) {
            AppendU32(bytes, kMarkerNode);
            AppendFileRecord(bytes, *pChild);
            values.Note(*pChild);
            if (pChild->IsDirectory()) folders.push_back(pChild);
            if (bytes.size() >= kBatchBytes) Write(archive, bytes);
        }
        progress.IncProgress();
    }
    AppendU32(bytes, kMarkerEnd);
}

}  // namespace

bool WriteResultsFile(IRSData& archive, SavedScan const& scan, CJobProgress& progress) {
    FILEHEADER header;
    header.u32Status = kHeaderStatusSaved;
    if (!archive.WriteFileHeader(header)) return false;
    progress.IncProgress();
    WriteControllerFrame(archive, scan);
    WriteDeviceFrame(archive, scan.device);
    WriteTextFrame(archive, kFrameMediumId, scan.mediumId, kMaxMediumId);
    WriteTextFrame(archive, kFrameDiskName, scan.diskName, kMaxDeviceName);
    progress.IncProgress();

    archive.OpenFrame(kFrameFileSystemNode);
    std::vector<std::uint8_t> bytes;
    AppendU64(bytes, scan.roots.size());
    IProgress* pSink = progress.Sink();
    CopyOutValueList values;
    PartitionPlacementList placements;
    for (std::size_t k = 0; k < scan.roots.size(); ++k) {
        if (pSink && !pSink->Continued()) break;
        WriteRoot(archive, scan.roots[k], progress, bytes, values, k, placements);
    }
    Write(archive, bytes);
    archive.CloseFrame();
    values.Write(archive);
    placements.Write(archive);
    return true;
}

}  // namespace uimodel::resultsfile
