#pragma once
// Real NTFS bytes for the tests: a fresh volume from mkntfs (no mount needed), the images of
// tests/fixtures/ntfs/make_images.sh, and single FILE records read through the engine's reader.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/FileNode.h"
#include "engine/Result.h"
#include "engine/SearchedPartitionInfo.h"
#include "testkit/RecordingTreeBuilder.h"

#include "engine/core/device/MemoryDevice.h"
#include "engine/ntfs/NTFSMftReader.h"

namespace ntfstest {

/// The folder of the fixture images; empty when they were not built.
std::string ImageFolder();

/// The bytes of a `u64Bytes`-long volume made by `mkntfs -F -Q <options>`; empty when mkntfs is
/// missing or fails.
std::vector<std::uint8_t> MakeVolume(std::string const& options, std::uint64_t u64Bytes = 8u << 20);

/// A whole image file's bytes; empty when it cannot be read.
std::vector<std::uint8_t> ReadImage(std::string const& path);

/// A volume held in memory, read as the harness reads one (512-byte device sectors).
class VolumeInMemory {
public:
    explicit VolumeInMemory(std::vector<std::uint8_t> bytes) : m_device(std::move(bytes)) {
        m_device.Open();
        m_mft = CNTFSMftReader::Open(m_device, 0);
    }
    bool IsOpen() const { return m_mft.has_value(); }
    CNTFSMftReader const& Mft() const { return *m_mft; }
    CMemoryDevice& Device() { return m_device; }
    /// The raw record (fixups applied, as on disk); empty when unreadable.
    std::vector<std::uint8_t> Record(std::uint64_t u64Number) const {
        return m_mft->ReadRecord(u64Number).value_or(std::vector<std::uint8_t>());
    }
    /// The number of the base record, live or deleted, whose shown name is `name`; null when none.
    std::optional<std::uint64_t> FindFile(std::string const& name) const;

private:
    CMemoryDevice m_device;
    std::optional<CNTFSMftReader> m_mft;
};

/// A quick scan run in this process: its answer, the nodes it handed over and the partition
/// record copy-out reads them with (null when the scan recognised no volume).
struct QuickScan {
    RESULT result = kResultSuccess;
    std::unique_ptr<testkit::RecordingTreeBuilder> pBuilder;
    std::unique_ptr<CSearchedPartitionInfo> pPartition;
    /// Files by their path from the volume root ("/a/b.txt"); deleted ones too when asked.
    std::map<std::string, CFileNode*> FilesByPath(bool bDeleted) const;
};
QuickScan RunQuickScan(IStorageDevice& device);

/// The node's bytes as copy-out reads them; empty when it cannot.
std::vector<std::uint8_t> CopyOut(IStorageDevice& device, CFileNode& node, CSearchedPartitionInfo& partition);

}  // namespace ntfstest
