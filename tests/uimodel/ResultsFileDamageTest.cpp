// The stored layout pinned byte for byte, and results files that are damaged or crafted:
// every one ends in an error code or a partial replay, never a crash, a hang or a large
// allocation (the suite also runs under ASan).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "FatTestImages.h"
#include "ResultsFileRoundTrip.h"
#include "engine/IRSData.h"
#include "engine/IRecoveryController.h"
#include "engine/SearchedPartitionInfo.h"
#include "engine/SearchedPartitionRecord.h"
#include "engine/core/bytes/Crc16.h"
#include "support/ByteFields.h"
#include "support/FileBytes.h"
#include "uimodel/resultsfile/JobProgress.h"
#include "uimodel/resultsfile/RestoreFileNode.h"
#include "uimodel/resultsfile/ResultsFileLayout.h"
#include "uimodel/resultsfile/ResultsFileWriter.h"
#include "uimodel/support/NodeNames.h"

namespace {

namespace rf = uimodel::resultsfile;
using Bytes = std::vector<std::uint8_t>;
using modeltest::ModelScan;

/// Little-endian appends, for writing expected bytes by hand.
struct Le {
    Bytes bytes;
    Le& U(std::uint64_t value, int width);
    Le& Text(std::string const& text) {
        U(text.size(), 4);
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    Le& Raw(Bytes const& raw) {
        bytes.insert(bytes.end(), raw.begin(), raw.end());
        return *this;
    }
};

std::uint32_t Le32(Bytes const& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

/// Payload offset of the first frame with `guid`; 0 when there is none.
std::size_t FramePayload(Bytes const& file, tagGUIDSIGN const& guid) {
    for (std::size_t at = 132; at + 36 <= file.size();) {
        if (std::equal(guid.au8Bytes.begin(), guid.au8Bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 16)))
            return at + 36;
        at += 36 + Le32(file, at + 32);
    }
    return 0;
}

/// Where the first root's partition count lies: past the root count and marker, the root's file
/// record, its searcher type and its volume name.
std::size_t FirstPartitionCount(Bytes const& file) {
    std::size_t at = FramePayload(file, rf::kFrameFileSystemNode) + 8 + 4;
    at += rf::kRecordHeadSize + Le32(file, at + 58) * rf::kRunSize;
    at += 4 + Le32(file, at) + rf::kRecordTailSize + 4;
    return at + 4 + Le32(file, at);
}

/// Where the first node's file record lies: past the first root's partitions and node marker.
std::size_t FirstNodeRecord(Bytes const& file) {
    std::size_t const count = FirstPartitionCount(file);
    return count + 4 + Le32(file, count) * kStoredSearchedPartitionSize + 4;
}

/// Overwrites a field of 1, 2, 4 or 8 bytes.
void Overwrite(Bytes& bytes, std::size_t at, std::uint64_t value, int width) {
    engine::ByteWriter writer(bytes);
    testsupport::LeOfWidth(writer, at, value, width);
    ASSERT_TRUE(writer.Ok());
}

Le& Le::U(std::uint64_t value, int width) {
    engine::ByteWriter field = testsupport::Grow(bytes, static_cast<std::size_t>(width));
    testsupport::LeOfWidth(field, 0, value, width);
    return *this;
}

rf::StoredFileRecord Record(long long s64ID, long long s64Parent, std::string name, bool bFolder) {
    rf::StoredFileRecord record;
    record.s64NodeID = s64ID;
    record.s64ParentID = s64Parent;
    record.name = std::move(name);
    record.u32Folder = bFolder ? 1 : 0;
    return record;
}

TEST(ResultsFileLayout, SyntheticScanIsWrittenFieldByField) {
    // Root A (FAT): a hidden file with two runs, a folder holding a file with a resident run
    // list; one partition record. Root B (NTFS): no nodes, no partitions.
    rf::StoredFileRecord fileRecord = Record(10, 2, "a.jpg", false);
    fileRecord.u64Size = 1234;
    fileRecord.u16Attribute = 0x20;
    fileRecord.u64Created = 0x01D0000000000001;
    fileRecord.u64Modified = 0x01D0000000000002;
    fileRecord.u64Accessed = 0x01D0000000000003;
    fileRecord.u32Deleted = 1;
    fileRecord.runs = {{100, 3}, {200, 1}};
    fileRecord.u16Partition = 0;
    fileRecord.s64Metadata = 5000;
    rf::StoredFileRecord residentRecord = Record(12, 11, "r.txt", false);
    residentRecord.u64Size = 10;
    residentRecord.u32Resident = 1;

    uimodel::RestoreSystemNode rootA(Record(2, 1, "Disk(FAT/FAT32)", true), SEARCHER_TYPE_FAT, "Disk");
    uimodel::RestoreSystemNode rootB(Record(5, 5, "Disk(NTFS)", true), SEARCHER_TYPE_NTFS, "Disk");
    uimodel::RestoreFileNode folderNode(Record(11, 2, "d", true));
    uimodel::RestoreFileNode fileNode(fileRecord);
    uimodel::RestoreFileNode residentNode(residentRecord);
    rootA.AddChild(&folderNode);  // children go to the head: the file comes first
    rootA.AddChild(&fileNode);
    folderNode.AddChild(&residentNode);
    fileNode.ShowNode(0);  // hidden by a search

    CSearchedPartitionInfo partition;
    partition.m_u16PartitionIndex = 0;
    partition.m_u32FileSystemType = 2;
    partition.m_u32SectorsPerCluster = 8;
    partition.m_s64StartSector = 2048;
    partition.SetTotalSectors(20480);
    partition.m_dScore = 1.5;

    rf::SavedScan scan;
    scan.device.name = "disk.img";
    scan.device.s64Capacity = 20971520;
    scan.device.iDiskIndex = 1;
    scan.roots = {{&rootA, {&partition}}, {&rootB, {}}};

    testsupport::TempDir dir;
    std::unique_ptr<IRSData> pArchive = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(pArchive->StartRS(dir.File("golden.rsf").c_str(), 1));
    rf::CJobProgress progress(nullptr);
    ASSERT_TRUE(rf::WriteResultsFile(*pArchive, scan, progress));
    ASSERT_TRUE(pArchive->EndRS());
    pArchive->CloseFrame();

    auto const record = [](Le& out, long long id, long long parent, std::uint64_t size, std::uint16_t attribute,
                           std::uint64_t ct, std::uint64_t mt, std::uint64_t at, int folder, int deleted,
                           std::vector<DataRun> const& runs, int resident, std::string const& name, int shown,
                           std::uint16_t partitionIndex, long long metadata) {
        out.U(static_cast<std::uint64_t>(id), 8).U(static_cast<std::uint64_t>(parent), 8).U(size, 8).U(attribute, 2);
        out.U(ct, 8).U(mt, 8).U(at, 8).U(folder, 4).U(deleted, 4).U(runs.size(), 4).U(resident, 4);
        for (DataRun const& run : runs)
            out.U(static_cast<std::uint64_t>(run.s64Start), 8).U(static_cast<std::uint64_t>(run.s64Length), 8);
        out.Text(name).U(shown, 4).U(partitionIndex, 2).U(static_cast<std::uint64_t>(metadata), 8).U(0, 4);
    };
    Le nodes;
    nodes.U(2, 8);
    nodes.U(1, 4);
    record(nodes, 2, 1, 0, 0, 0, 0, 0, 1, 0, {}, 0, "Disk(FAT/FAT32)", 1, 0xFFFF, -1);
    nodes.U(32, 4).Text("Disk").U(1, 4).U(4, 4);
    // The partition record: 8 bytes of nothing, run-time value 0, index 0, padding, FAT32,
    // 8 sectors per cluster, padding, start 2048, three zeros, sector size 512, 0, 20480 sectors,
    // count 1, score 1.5, two zeros.
    nodes.U(0, 8).U(0, 8).U(0, 2).U(0, 2).U(2, 4).U(8, 4).U(0, 4).U(2048, 8).U(0, 8).U(0, 8).U(0, 8);
    nodes.U(512, 4).U(0, 4).U(20480, 8).U(1, 8).U(0x3FF8000000000000, 8).U(0, 4).U(0, 4);
    nodes.U(0, 4);
    record(nodes, 10, 2, 1234, 0x20, 0x01D0000000000001, 0x01D0000000000002, 0x01D0000000000003, 0, 1,
           {{100, 3}, {200, 1}}, 0, "a.jpg", 0, 0, 5000);
    nodes.U(0, 4);
    record(nodes, 11, 2, 0, 0, 0, 0, 0, 1, 0, {}, 0, "d", 1, 0xFFFF, -1);
    nodes.U(0, 4);
    record(nodes, 12, 11, 10, 0, 0, 0, 0, 0, 0, {}, 1, "r.txt", 1, 0xFFFF, -1);
    nodes.U(0xFFFFFFFF, 4);
    nodes.U(1, 4);
    record(nodes, 5, 5, 0, 0, 0, 0, 0, 1, 0, {}, 0, "Disk(NTFS)", 1, 0xFFFF, -1);
    nodes.U(35, 4).Text("Disk").U(0, 4).U(0xFFFFFFFF, 4);

    Bytes const signature(kRSDataSignature.au8Bytes.begin(), kRSDataSignature.au8Bytes.end());
    Le expected;
    // The file header: signature, version 5800, CRC-16/UMTS of the header, status 1, no description.
    expected.Raw(signature).U(5800, 4).U(0x1DCE, 4).U(1, 4).U(0, 4).Raw(Bytes(100, 0));
    auto const frame = [&](tagGUIDSIGN const& guid, Bytes const& payload) {
        expected.Raw(signature)
            .Raw(Bytes(guid.au8Bytes.begin(), guid.au8Bytes.end()))
            .U(payload.size(), 4)
            .Raw(payload);
    };
    frame(rf::kFrameSearchControllerList, Le().U(8, 4).U(0, 4).U(0, 4).bytes);
    frame(rf::kFrameDiskDevice, Le().U(20971520, 8).U(1, 4).U(0xFFFFFFFF, 4).U(0xFFFFFFFF, 4).Text("disk.img").bytes);
    frame(rf::kFrameFileSystemNode, nodes.bytes);
    EXPECT_EQ(testsupport::ReadFileBytes(dir.File("golden.rsf")), expected.bytes);
}

TEST(ResultsFileLayout, NamesAreCutAtACharacterBoundary) {
    std::string const name = std::string(65534, 'a') + "\xC3\xA9";  // "é" across the limit
    EXPECT_EQ(rf::CutAtCharacter(name, rf::kMaxName).size(), 65534u);
    EXPECT_EQ(rf::CutAtCharacter("abc", 2), "ab");
}

/// A FAT32 quick scan saved once; each test loads a variant of it onto the same image.
class DamagedResultsFile : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (fattest::ImagesDir().empty()) return;
        ModelScan model({fattest::Image("fat32.img")});
        if (!Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1)))) return;
        s_listing = modeltest::Listing(model.scan);
        testsupport::TempDir dir;
        if (modeltest::Save(model, dir.File("scan.rsf")).u64Error == 0)
            s_saved = testsupport::ReadFileBytes(dir.File("scan.rsf"));
    }
    void SetUp() override {
        if (s_saved.empty()) GTEST_SKIP() << "no saved FAT32 scan: " << fattest::WhyNoImages();
    }
    /// Loads `bytes` onto the FAT32 image; the error code, with the loaded scan kept in m_pModel.
    std::uint64_t Load(Bytes const& bytes) {
        testsupport::WriteFileBytes(m_dir.File("damaged.rsf"), bytes);
        m_pModel = std::make_unique<ModelScan>(std::vector<std::string>{fattest::Image("fat32.img")});
        modeltest::JobOutcome const outcome = modeltest::Load(*m_pModel, m_dir.File("damaged.rsf"));
        EXPECT_EQ(m_pModel->scan.GetStatus(), uimodel::OPERATION_IDLE);
        return outcome.u64Error;
    }

    static Bytes s_saved;
    static std::multiset<std::string> s_listing;
    testsupport::TempDir m_dir;
    std::unique_ptr<ModelScan> m_pModel;
};
Bytes DamagedResultsFile::s_saved;
std::multiset<std::string> DamagedResultsFile::s_listing;

TEST_F(DamagedResultsFile, EachDamageGivesItsCode) {
    std::size_t const device = FramePayload(s_saved, rf::kFrameDiskDevice);
    std::size_t const nodes = FramePayload(s_saved, rf::kFrameFileSystemNode);
    std::size_t const controller = FramePayload(s_saved, rf::kFrameSearchControllerList);
    ASSERT_TRUE(device && nodes && controller);
    EXPECT_EQ(Load(s_saved), 0u);
    EXPECT_EQ(modeltest::Listing(m_pModel->scan), s_listing);

    struct Patch {
        char const* pszWhat;
        std::size_t at;
        std::uint64_t value;
        int width;
        std::uint64_t code;
    };
    for (Patch const& patch :
         {Patch{"controller length 9", controller, 9, 4, rf::RESULTS_BAD_CONTROLLER},
          Patch{"device name of 4096 bytes", device + 20, 4096, 4, rf::RESULTS_BAD_DEVICE},
          Patch{"another capacity", device, 12345, 8, rf::RESULTS_NO_DEVICE},
          Patch{"root count 2^64 - 1", nodes, ~0ull, 8, rf::RESULTS_DAMAGED_NODES},
          Patch{"a root marker of 2", nodes + 8, 2, 4, rf::RESULTS_DAMAGED_NODES},
          Patch{"a root name of 2^32 - 1 bytes", nodes + 12 + 66 + 0, ~0ull, 4, rf::RESULTS_DAMAGED_NODES},
          Patch{"root count 0 before a root", nodes, 0, 8, rf::RESULTS_DAMAGED_NODES},
          Patch{"a node of 2^32 - 1 runs", FirstNodeRecord(s_saved) + 58, ~0ull, 4, rf::RESULTS_DAMAGED_NODES},
          Patch{"a resident node of 2^62 bytes", FirstNodeRecord(s_saved) + 16, 1ull << 62, 8,
                rf::RESULTS_DAMAGED_NODES},
          Patch{"a resident node of 10 MB", FirstNodeRecord(s_saved) + 16, 10 << 20, 8, rf::RESULTS_DAMAGED_NODES}}) {
        Bytes bytes = s_saved;
        Overwrite(bytes, patch.at, patch.value, patch.width);
        if (std::string(patch.pszWhat).find("resident") != std::string::npos)
            engine::ByteWriter(bytes).Le32(FirstNodeRecord(s_saved) + 62, 1);
        EXPECT_EQ(Load(bytes), patch.code) << patch.pszWhat;
    }

    // A name length read too long takes the next records as its name: the replay goes out of
    // step, and whatever it still reads, it cannot end on the frame's last byte.
    for (std::uint32_t const u32Length : {100u, 128u}) {
        Bytes longName = s_saved;
        std::size_t const first = FirstNodeRecord(s_saved);
        engine::ByteWriter(longName).Le32(first + rf::kRecordHeadSize + Le32(s_saved, first + 58) * rf::kRunSize,
                                          u32Length);
        EXPECT_EQ(Load(longName), static_cast<std::uint64_t>(rf::RESULTS_DAMAGED_NODES)) << u32Length;
    }

    // Damage after the last node keeps everything replayed before it.
    Bytes lastMarker = s_saved;
    engine::ByteWriter(lastMarker).Le32(lastMarker.size() - 4, 5);
    EXPECT_EQ(Load(lastMarker), static_cast<std::uint64_t>(rf::RESULTS_DAMAGED_NODES));
    EXPECT_EQ(modeltest::Listing(m_pModel->scan), s_listing);

    // A header of status 0 with a matching check value.
    Bytes unsaved = s_saved;
    engine::ByteWriter(unsaved).Le32(24, 0);
    engine::ByteWriter(unsaved).Le32(20, 0);
    engine::ByteWriter(unsaved).Le32(20, engine::Crc16Umts(std::span(unsaved.data(), 132)));
    EXPECT_EQ(Load(unsaved), static_cast<std::uint64_t>(rf::RESULTS_BAD_HEADER));

    // A root without partitions loads the same nodes.
    Bytes noPartitions = s_saved;
    std::size_t const count = FirstPartitionCount(noPartitions);
    ASSERT_EQ(noPartitions[count], 1u);
    noPartitions.erase(noPartitions.begin() + static_cast<std::ptrdiff_t>(count + 4),
                       noPartitions.begin() + static_cast<std::ptrdiff_t>(count + 4 + kStoredSearchedPartitionSize));
    engine::ByteWriter(noPartitions).Le32(count, 0);
    engine::ByteWriter(noPartitions).Le32(nodes - 4, Le32(noPartitions, nodes - 4) - kStoredSearchedPartitionSize);
    EXPECT_EQ(Load(noPartitions), 0u);
    EXPECT_EQ(modeltest::Listing(m_pModel->scan), s_listing);

    // No roots: count 0 and an empty, successful load.
    Bytes empty(s_saved.begin(), s_saved.begin() + static_cast<std::ptrdiff_t>(nodes + 8));
    engine::ByteWriter(empty).Le64(nodes, 0);
    engine::ByteWriter(empty).Le32(nodes - 4, 8);
    EXPECT_EQ(Load(empty), 0u);
    EXPECT_TRUE(m_pModel->scan.GetFileSystemNode().empty());
}

TEST_F(DamagedResultsFile, AnIndependentReaderOfTheLayoutFindsEveryFiledNode) {
    if (!testsupport::HaveTool("python3")) GTEST_SKIP() << "python3 is not installed";
    testsupport::WriteFileBytes(m_dir.File("scan.rsf"), s_saved);
    std::string const output = testsupport::CommandOutput(
        "python3 '" QUORIN_SOURCE_DIR "/tests/uimodel/read_results_file.py' '" + m_dir.File("scan.rsf") + "'");
    // Each filed node's name, size (0 for folders) and deleted flag, as the Python reader sees them.
    std::multiset<std::string> stored;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        ASSERT_EQ(fields.size(), 7u) << line;
        stored.insert(fields[6] + " size=" + (fields[2] == "1" ? "0" : fields[4]) + " deleted=" + fields[3]);
    }
    std::multiset<std::string> filed;
    for (std::string const& line : s_listing) {
        std::size_t const size = line.find(" size=");
        if (line.rfind("/", 0) != 0 || size == std::string::npos) continue;  // node lines only
        std::string const name = line.substr(line.rfind('/', size) + 1, size - line.rfind('/', size) - 1);
        bool const bFolder = line.find(" folder=1") != std::string::npos;
        std::string const sizeText = line.substr(size + 6, line.find(' ', size + 1) - size - 6);
        filed.insert(name + " size=" + (bFolder ? "0" : sizeText) + " deleted=" + line.substr(line.size() - 1));
    }
    ASSERT_FALSE(filed.empty());
    EXPECT_EQ(stored, filed);
}

TEST_F(DamagedResultsFile, ACraftedPartitionRecordRecoversNothing) {
    std::size_t const count = FirstPartitionCount(s_saved);
    ASSERT_EQ(s_saved[count], 1u);
    std::size_t const record = count + 4 + 4;

    for (auto const& [offset, value, width] :
         {std::tuple{24, 0ull, 4}, std::tuple{32, ~4ull, 8}}) {  // no cluster size; start -5
        Bytes crafted = s_saved;
        Overwrite(crafted, record + static_cast<std::size_t>(offset), value, width);
        ASSERT_EQ(Load(crafted), 0u);
        std::size_t u64Files = 0;
        for (auto const& [eType, files] : m_pModel->scan.GetTypeMap())
            for (IFileNode* pNode : files) {
                if (pNode->GetFileSize() == 0) continue;
                IDataRecovery* pCopyOut = m_pModel->scan.GetFileNodeDataRecover(pNode);
                ASSERT_NE(pCopyOut, nullptr);
                EXPECT_EQ(pCopyOut->SetRecoverNode(pNode), nullptr) << uimodel::GetPathByFileNode(pNode);
                ++u64Files;
            }
        EXPECT_GT(u64Files, 0u);
    }
}

TEST_F(DamagedResultsFile, CutsAndFlipsEndInACodeOrAPartialLoad) {
    for (std::size_t cut = 0; cut < s_saved.size(); cut += 97)
        EXPECT_NE(Load(Bytes(s_saved.begin(), s_saved.begin() + static_cast<std::ptrdiff_t>(cut))), 0u)
            << "cut at " << cut;
    std::mt19937 random(1234);
    for (int i = 0; i < 200; ++i) {
        Bytes bytes = s_saved;
        for (int flip = 0; flip < 4; ++flip)
            bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        Load(bytes);
    }
}

TEST_F(DamagedResultsFile, AFileCutPastItsFirstMegabyteKeepsTheNodesBeforeTheCut) {
    // 30,000 files of a deep scan of the FAT32 image's disk: more than one read of the frame.
    ModelScan model({fattest::Image("fat32.img")});
    rf::SavedScan scan;
    scan.iControllerType = RECOVERY_CONTROLLER_COMPLETE_DISK;
    scan.iDeep = 1;
    ASSERT_TRUE(model.devices.GetDiskDataByStorage(model.devices.GetDiskStorageByIndex(0), scan.device));
    uimodel::RestoreSystemNode root(Record(2, 1, "Disk(FAT/FAT32)", true), SEARCHER_TYPE_FAT, "Disk");
    std::vector<std::unique_ptr<uimodel::RestoreFileNode>> files;
    for (long long i = 0; i < 30000; ++i) {
        files.push_back(std::make_unique<uimodel::RestoreFileNode>(
            Record(100 + i, 2, "file " + std::to_string(i) + ".txt", false)));
        root.AddChild(files.back().get());
    }
    scan.roots = {{&root, {}}};
    std::unique_ptr<IRSData> pArchive = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(pArchive->StartRS(m_dir.File("large.rsf").c_str(), 1));
    rf::CJobProgress progress(nullptr);
    ASSERT_TRUE(rf::WriteResultsFile(*pArchive, scan, progress));
    ASSERT_TRUE(pArchive->EndRS());
    Bytes const whole = testsupport::ReadFileBytes(m_dir.File("large.rsf"));
    ASSERT_GT(whole.size(), (3u << 20) / 2);

    EXPECT_EQ(Load(whole), 0u);
    EXPECT_EQ(m_pModel->scan.GetScanFileCnt(), 30000u);
    EXPECT_EQ(Load(Bytes(whole.begin(), whole.begin() + (3 << 20) / 2)),
              static_cast<std::uint64_t>(rf::RESULTS_DAMAGED_NODES));
    EXPECT_GT(m_pModel->scan.GetScanFileCnt(), 9000u);  // the first megabyte's records
    EXPECT_LT(m_pModel->scan.GetScanFileCnt(), 30000u);
}

TEST_F(DamagedResultsFile, AFileOf70000RunsKeepsEveryRun) {
    ModelScan model({fattest::Image("fat32.img")});
    rf::SavedScan scan;
    scan.iControllerType = RECOVERY_CONTROLLER_COMPLETE_DISK;
    ASSERT_TRUE(model.devices.GetDiskDataByStorage(model.devices.GetDiskStorageByIndex(0), scan.device));
    uimodel::RestoreSystemNode root(Record(2, 1, "Disk(FAT/FAT32)", true), SEARCHER_TYPE_FAT, "Disk");
    rf::StoredFileRecord fragmented = Record(3, 2, "fragmented.bin", false);
    for (long long i = 0; i < 70000; ++i) fragmented.runs.push_back({1000 + 2 * i, 1});
    fragmented.u64Size = 70000 * 512;
    uimodel::RestoreFileNode file(fragmented);
    root.AddChild(&file);
    scan.roots = {{&root, {}}};
    std::unique_ptr<IRSData> pArchive = CreateRSData(RS_MODE_WRITE);
    ASSERT_TRUE(pArchive->StartRS(m_dir.File("runs.rsf").c_str(), 1));
    rf::CJobProgress progress(nullptr);
    ASSERT_TRUE(rf::WriteResultsFile(*pArchive, scan, progress));
    ASSERT_TRUE(pArchive->EndRS());

    ASSERT_EQ(Load(testsupport::ReadFileBytes(m_dir.File("runs.rsf"))), 0u);
    std::vector<DataRun> loaded;
    for (auto const& [eType, files] : m_pModel->scan.GetTypeMap())
        for (IFileNode* pNode : files)
            if (IDataRunList* pRuns = dynamic_cast<CFileNode*>(pNode)->GetDataRunList())
                for (DataRun const* pRun = pRuns->GetFirst(); pRun; pRun = pRuns->GetNext()) loaded.push_back(*pRun);
    ASSERT_EQ(loaded.size(), 70000u);
    EXPECT_EQ(loaded.back().s64Start, 1000 + 2 * 69999);
}

TEST_F(DamagedResultsFile, ANodeHiddenBySearchIsShownAfterLoading) {
    ModelScan model({fattest::Image("fat32.img")});
    ASSERT_TRUE(Succeeded(model.Run(model.devices.GetStorageByDiskVolumeIndex(0, -1))));
    model.scan.SetSearchKey("no file is named like this");
    model.scan.DoSearch();
    ASSERT_TRUE(Succeeded(modeltest::Save(model, m_dir.File("hidden.rsf")).u64Error == 0));
    EXPECT_EQ(Load(testsupport::ReadFileBytes(m_dir.File("hidden.rsf"))), 0u);
    std::size_t u64Files = 0;
    for (auto const& [eType, files] : m_pModel->scan.GetTypeMap())
        for (IFileNode* pNode : files) {
            EXPECT_EQ(pNode->IsNodeShow(), 1);
            ++u64Files;
        }
    EXPECT_GT(u64Files, 0u);
}

TEST_F(DamagedResultsFile, ASaveWithoutAScannedDeviceIsRefusedAndLeavesNoFile) {
    ModelScan model({fattest::Image("fat32.img")});  // listed, never scanned
    EXPECT_EQ(modeltest::Save(model, m_dir.File("none.rsf")).u64Error,
              static_cast<std::uint64_t>(rf::RESULTS_NOTHING_SCANNED));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("none.rsf")));
}

TEST_F(DamagedResultsFile, TheDeviceIsFoundByNameFileSystemAndCapacityAfterItsIndexesMoved) {
    // The image is now the second disk: the saved index points at another device.
    testsupport::TempDir dir;
    std::string const other = dir.File("other.img");
    ASSERT_EQ(testsupport::RunCommand("truncate -s 8M '" + other + "'"), 0);
    testsupport::WriteFileBytes(m_dir.File("moved.rsf"), s_saved);
    ModelScan model({other, fattest::Image("fat32.img")});
    model.scan.SetStatus(uimodel::OPERATION_RUNNING);
    EXPECT_EQ(modeltest::Load(model, m_dir.File("moved.rsf")).u64Error, 0u);
    EXPECT_EQ(modeltest::Listing(model.scan), s_listing);
}

}  // namespace
