#include "NtfsVolumeBytes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/FileNode.h"
#include "engine/core/copyout/CompressFileReader.h"
#include "engine/core/copyout/FileReader.h"
#include "engine/ntfs/NTFSFileSummary.h"
#include "engine/ntfs/NTFSMultiFileRecord.h"
#include "engine/ntfs/NTFSQuickSearch.h"
#include "engine/ntfs/NTFSResidentData.h"
#include "support/EntryPointScope.h"
#include "support/NtfsImage.h"
#include "support/TempDir.h"
#include "testkit/ProgressSink.h"

namespace ntfstest {

std::string ImageFolder() {
    char const* pszTmp = std::getenv("QUORIN_TEST_TMP");
    if (pszTmp == nullptr || *pszTmp == '\0') return {};
    std::string const folder = std::string(pszTmp) + "/ntfs-images";
    return std::filesystem::exists(folder + "/ntfs_4k.manifest") ? folder : std::string();
}

std::vector<std::uint8_t> ReadImage(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> MakeVolume(std::string const& options, std::uint64_t u64Bytes) {
    if (!testsupport::HaveTool("mkntfs")) return {};
    testsupport::TempDir temp;
    std::string const image = temp.File("volume.img");
    std::string const command = "truncate -s " + std::to_string(u64Bytes) + " " + testsupport::ShellQuote(image) +
                                " && mkntfs -F -Q " + options + " " + testsupport::ShellQuote(image) +
                                " >/dev/null 2>&1";
    if (testsupport::RunCommand(command) != 0) return {};
    return ReadImage(image);
}

std::optional<std::uint64_t> VolumeInMemory::FindFile(std::string const& name) const {
    for (std::uint64_t n = 0; n < m_mft->RecordCount(); ++n) {
        std::vector<std::uint8_t> const raw = Record(n);
        CNTFSFileRecord record(engine::ByteView(raw.data(), raw.size()));
        if (!record.IsValid() || record.IsExtendFileRecord()) continue;
        CNTFSMultiFileRecord const file(*m_mft, n, std::move(record));
        auto const summary = SummarizeNtfsFile(file);
        if (summary && summary->name && summary->name->Utf8Name() == name) return n;
    }
    return std::nullopt;
}

QuickScan RunQuickScan(IStorageDevice& device) {
    QuickScan scan;
    scan.pBuilder = std::make_unique<testkit::RecordingTreeBuilder>();
    testkit::ProgressSink progress;
    CNTFSQuickSearch searcher;
    searcher.SetDirecotryTreeBuilder(scan.pBuilder.get());
    scan.result = searcher.QuickSearchFiles(&device, &progress);
    CSearchedPartitionInfo* pPartition = nullptr;
    if (searcher.GetSearchedPartitionInfo(&pPartition, 1) == 1) scan.pPartition.reset(pPartition);
    return scan;
}

std::map<std::string, CFileNode*> QuickScan::FilesByPath(bool bDeleted) const {
    std::map<long long, IFileNode*> folders;
    for (IFileNode* pNode : pBuilder->Folders()) folders[pNode->GetCurrentNodeID()] = pNode;
    std::map<std::string, CFileNode*> files;
    for (IFileNode* pNode : pBuilder->Files()) {
        if (pNode->IsDeleted() != 0 && !bDeleted) continue;
        std::string path = "/" + std::string(CFileNode::NameOrEmpty(pNode->GetFileName()));
        // Parents are folders of this scan; the walk ends at the root or a lost parent.
        long long s64Parent = pNode->GetParentNodeID();
        for (std::size_t depth = 0; depth < 64 && folders.count(s64Parent); ++depth) {
            IFileNode* pFolder = folders.at(s64Parent);
            path = "/" + std::string(CFileNode::NameOrEmpty(pFolder->GetFileName())) + path;
            s64Parent = pFolder->GetParentNodeID();
        }
        files[path] = static_cast<CFileNode*>(pNode);
    }
    return files;
}

std::vector<std::uint8_t> CopyOut(IStorageDevice& device, CFileNode& node, CSearchedPartitionInfo& partition) {
    // Resident values come through NTFS's own loader, as the engine registers it.
    testsupport::EntryPointScope scope;
    scope.Table().GetResidentDataRunsStream = &GetNTFSResidentData;
    std::unique_ptr<CFileReader> pReader(node.IsCompressed() ? new CCompressFileReader() : new CFileReader());
    if (pReader->Open(&device, &node, &partition) == 0) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pReader->GetDataSize()));
    unsigned int const u32Got =
        pReader->ReadData(0, reinterpret_cast<char*>(bytes.data()), static_cast<unsigned int>(bytes.size()));
    bytes.resize(u32Got);
    return bytes;
}

}  // namespace ntfstest
